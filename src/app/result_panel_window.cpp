#include "app/result_panel_window.h"

#include "app/result_panel_view.h"

#include <QCloseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QVBoxLayout>

namespace tolvane {

TranslatorPanel::TranslatorPanel(ResultPanelView* view)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_view(view) {
    // Not a tool window: window managers hide utility windows of inactive applications, and the panel
    // shows exactly while another application is active.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Ondrel"));
    setFixedSize(ResultPanelView::panelWidth, ResultPanelView::panelHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view->setParent(this);
    layout->addWidget(view);
}

void TranslatorPanel::setCompositing(bool compositing) {
    m_view->setBackdrop(compositing ? PanelBackdrop::translucent : PanelBackdrop::opaque);
    if (compositing) {
        clearMask();
        return;
    }
    // Without a compositor an ARGB window shows its transparent pixels black: cut the corners instead.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), ResultPanelView::cornerRadius, ResultPanelView::cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void TranslatorPanel::closeEvent(QCloseEvent* event) {
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace tolvane

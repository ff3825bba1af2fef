#include "panel/result_panel_window.h"

#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_view.h"
#include "ui/theme.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainterPath>
#include <QRegion>
#include <QShowEvent>
#include <QVBoxLayout>

namespace tolvane {

TranslatorPanel::TranslatorPanel(ResultPanelView* view)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_view(view) {
    // Not a tool window: window managers hide utility windows of inactive applications, and the panel
    // shows exactly while another application is active.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Ondrel"));
    // The dark palette of the other windows, but no filled background (the view paints the rounded
    // container and the corners around it stay clear) and no window style sheet: a style sheet on the
    // window keeps the palette from reaching the pickers and labels.
    Theme::applyDarkAppearance(this);
    setAutoFillBackground(false);
    setStyleSheet(QString());
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

void TranslatorPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window keeps the keyboard until a control is clicked or tabbed to, or the editor is focused for
    // typing.
    if (!event->spontaneous())
        setFocus(Qt::OtherFocusReason);
}

void TranslatorPanel::keyPressEvent(QKeyEvent* event) {
    QWidget* body = m_view->readingBody();
    const bool scrollKey = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
                           event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown;
    if (scrollKey && event->modifiers() == Qt::NoModifier && body->isVisible()) {
        QCoreApplication::sendEvent(body, event);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TranslatorPanel::closeEvent(QCloseEvent* event) {
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace tolvane

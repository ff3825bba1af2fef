#include "workspace/popover.h"

#include "ui/theme.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace tolvane {
namespace {

constexpr int anchorGap = 6;

} // namespace

QRect popoverGeometry(const QRect& anchor, PopoverEdge edge, QSize size, const QRect& available) {
    QPoint topLeft;
    if (edge == PopoverEdge::below)
        topLeft = QPoint(anchor.center().x() + 1 - size.width() / 2, anchor.bottom() + 1 + anchorGap);
    else
        topLeft = QPoint(anchor.right() + 1 + anchorGap, anchor.center().y() + 1 - size.height() / 2);
    QRect placed(topLeft, size);
    if (available.isValid()) {
        placed.moveLeft(std::clamp(placed.left(), available.left(),
                                   std::max(available.left(), available.right() + 1 - size.width())));
        placed.moveTop(std::clamp(placed.top(), available.top(),
                                  std::max(available.top(), available.bottom() + 1 - size.height())));
    }
    return placed;
}

Popover::Popover(QWidget* anchor, PopoverEdge edge, QSize size, const QColor& ground)
    : QFrame(anchor, Qt::Popup), m_anchor(anchor), m_edge(edge) {
    setFixedSize(size);
    setFrameShape(QFrame::NoFrame);
    Theme::applyDarkAppearance(this);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ground);
    setPalette(palette);
    setAutoFillBackground(true);
}

void Popover::present() {
    const QRect anchor(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
    QScreen* screen = m_anchor->screen() ? m_anchor->screen() : QGuiApplication::primaryScreen();
    setGeometry(popoverGeometry(anchor, m_edge, size(), screen ? screen->availableGeometry() : QRect()));
    show();
}

void Popover::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    Q_EMIT dismissed();
}

} // namespace tolvane

#include "ocr/own_window_hider.h"

#include <QWidget>

namespace tolvane {

OwnWindowHider::Hidden& OwnWindowHider::Hidden::operator=(Hidden&& other) noexcept {
    if (this != &other) {
        restore();
        m_windows = std::exchange(other.m_windows, {});
    }
    return *this;
}

void OwnWindowHider::Hidden::restore() {
    for (const QPointer<QWidget>& window : std::exchange(m_windows, {})) {
        if (!window)
            continue;
        const bool hadAttribute = window->testAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window->show();
        window->setAttribute(Qt::WA_ShowWithoutActivating, hadAttribute);
    }
}

void OwnWindowHider::addWindow(QWidget* window) {
    if (window && !m_windows.contains(window))
        m_windows.append(window);
}

void OwnWindowHider::removeWindow(QWidget* window) {
    m_windows.removeAll(window);
}

OwnWindowHider::Hidden OwnWindowHider::hideOverlapping(const QRectF& region) {
    m_windows.removeAll(nullptr);
    Hidden hidden;
    const QRectF area = region.normalized();
    for (const QPointer<QWidget>& window : m_windows) {
        if (!window->isVisible() || !QRectF(window->frameGeometry()).intersects(area))
            continue;
        window->hide();
        hidden.m_windows.append(window);
    }
    return hidden;
}

} // namespace tolvane

#include "ocr/own_window_hider.h"

#include <QWidget>
#include <stdexcept>

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

OwnWindowHider::OwnWindowHider(WindowSource source) : m_source(std::move(source)) {
    if (!m_source)
        throw std::invalid_argument("OwnWindowHider needs the application's windows");
}

OwnWindowHider::Hidden OwnWindowHider::hideFor(const QRectF& region) {
    const QRectF area = region.normalized();
    const OwnWindows windows = m_source();
    Hidden hidden;
    auto hide = [&](QWidget* window) {
        if (hidden.m_windows.contains(window))
            return;
        window->hide();
        hidden.m_windows.append(window);
    };
    for (const QPointer<QWidget>& window : windows.floating) {
        if (window && window->isVisible() && QRectF(window->frameGeometry()).intersects(area))
            hide(window);
    }
    for (const QPointer<QWidget>& window : windows.documents) {
        if (!window || !window->isVisible())
            continue;
        const QRectF frame(window->frameGeometry());
        if (frame.intersects(area) && !frame.contains(area))
            hide(window);
    }
    return hidden;
}

} // namespace tolvane

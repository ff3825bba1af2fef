#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>

class QWidget;

namespace tolvane {

// Keeps this application's floating windows (result panel, selection capsule) out of screen captures:
// a capture hides the registered windows that overlap its region and shows them again afterwards, so the
// application never reads its own output back (which in continuous mode would feed on itself).
// Main thread only.
class OwnWindowHider {
public:
    // Hidden windows until destroyed or restore(); then shown again without taking the focus.
    class Hidden {
    public:
        Hidden() = default;
        Hidden(Hidden&& other) noexcept : m_windows(std::exchange(other.m_windows, {})) {}
        Hidden& operator=(Hidden&& other) noexcept;
        Hidden(const Hidden&) = delete;
        Hidden& operator=(const Hidden&) = delete;
        ~Hidden() { restore(); }

        void restore();
        int count() const { return int(m_windows.size()); }

    private:
        friend class OwnWindowHider;
        QList<QPointer<QWidget>> m_windows;
    };

    // Registers a top-level window; it is forgotten automatically when deleted.
    void addWindow(QWidget* window);
    void removeWindow(QWidget* window);

    // Hides every registered visible window whose frame (global logical coordinates) intersects `region`.
    [[nodiscard]] Hidden hideOverlapping(const QRectF& region);

private:
    QList<QPointer<QWidget>> m_windows;
};

} // namespace tolvane

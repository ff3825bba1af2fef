#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <functional>

class QWidget;

namespace tolvane {

// This application's windows as a capture sees them.
struct OwnWindows {
    // Windows that float over other applications (result panel, selection capsule, menus, message boxes):
    // hidden whenever they overlap the captured region.
    QList<QPointer<QWidget>> floating;
    // The application's ordinary windows (main window, settings, history, guide): hidden when they overlap
    // the region but do not hold all of it. A window that holds the whole region is what the user chose to
    // read, so it stays.
    QList<QPointer<QWidget>> documents;
};

// Keeps this application's windows out of screen captures: a capture hides those of its windows that
// overlap the region (by the rules of OwnWindows) and shows them again afterwards, so the application never
// reads its own output back (which in continuous mode would feed on itself). Main thread only.
class OwnWindowHider {
public:
    // Lists the windows at the moment of each capture, so windows made later are covered too.
    using WindowSource = std::function<OwnWindows()>;

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

    // Throws std::invalid_argument without a source: a capture that cannot see our windows reads them back.
    explicit OwnWindowHider(WindowSource source);

    // Hides the windows the capture of `region` (global logical coordinates) must not see.
    [[nodiscard]] Hidden hideFor(const QRectF& region);

private:
    WindowSource m_source;
};

} // namespace tolvane

#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace tolvane {

// The overlay's keyboard grab. X11 allows one grab per client, and releasing it from any of our windows
// releases it for all, so one grab exists process-wide and only its current holder may release it: a replaced
// overlay's late tear-down can never drop the newer overlay's grab. A leaked grab would freeze the user's
// keyboard, so the destructor releases whatever this holder still owns.
class OverlayKeyboardGrab final : public QObject {
    Q_OBJECT
public:
    explicit OverlayKeyboardGrab(QObject* parent = nullptr);
    ~OverlayKeyboardGrab() override;

    // Grabs the keyboard on `window`, taking the grab over from any other holder. While the window system
    // refuses (another client holds a grab, the window is not exposed yet) it retries every 50 ms for 500 ms.
    void acquire(QWindow* window);
    // Releases the grab if this holder still owns it; stops pending retries. Idempotent.
    void release();

    bool isHolder() const;
    // Whether any holder currently has the grab.
    static bool isHeldByAnyone();

private:
    bool tryGrab();

    QPointer<QWindow> m_window;
    QTimer m_retry;
    int m_attemptsLeft = 0;
};

} // namespace tolvane

#include "ocr/screenshot_overlay_keyboard_grab.h"

#include "core/logging.h"

namespace tolvane {

namespace {

constexpr int kRetryIntervalMs = 50;
constexpr int kRetryAttempts = 10;

// The holder of the process's one grab and the window it was taken on.
const OverlayKeyboardGrab* g_holder = nullptr;
QPointer<QWindow> g_grabWindow;

} // namespace

OverlayKeyboardGrab::OverlayKeyboardGrab(QObject* parent) : QObject(parent) {
    m_retry.setInterval(kRetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (tryGrab() || --m_attemptsLeft <= 0)
            m_retry.stop();
    });
}

OverlayKeyboardGrab::~OverlayKeyboardGrab() {
    release();
}

void OverlayKeyboardGrab::acquire(QWindow* window) {
    release();
    if (!window)
        return;
    m_window = window;
    // Taking the grab over: the earlier holder loses it without releasing (one grab per client).
    g_holder = this;
    g_grabWindow = window;
    if (!tryGrab()) {
        m_attemptsLeft = kRetryAttempts;
        m_retry.start();
    }
}

bool OverlayKeyboardGrab::tryGrab() {
    if (!isHolder() || !m_window)
        return true; // nothing left to try
    const bool grabbed = m_window->setKeyboardGrabEnabled(true);
    if (!grabbed)
        qCDebug(lcOcr) << "Keyboard grab refused; retrying";
    return grabbed;
}

void OverlayKeyboardGrab::release() {
    m_retry.stop();
    m_attemptsLeft = 0;
    if (!isHolder())
        return;
    if (g_grabWindow)
        g_grabWindow->setKeyboardGrabEnabled(false);
    g_holder = nullptr;
    g_grabWindow = nullptr;
    m_window = nullptr;
}

bool OverlayKeyboardGrab::isHolder() const {
    return g_holder == this;
}

bool OverlayKeyboardGrab::isHeldByAnyone() {
    return g_holder != nullptr;
}

} // namespace tolvane

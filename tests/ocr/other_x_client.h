#pragma once

#include <QPoint>
#include <QTest>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// Xlib's macros clash with names in GoogleTest and Qt; the tests need none of them.
#undef None
#undef Bool
#undef Status
#undef Always

namespace tolvane::testing {

// A second X client, as another application would be: it tries to take the keyboard and types and drags
// through XTest.
class OtherXClient {
public:
    OtherXClient() : m_display(XOpenDisplay(nullptr)) {}
    ~OtherXClient() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    bool connected() const { return m_display != nullptr; }
    // GrabSuccess when nobody else holds the keyboard; the grab is given back at once.
    int tryGrabKeyboard() {
        const int status = XGrabKeyboard(m_display, DefaultRootWindow(m_display), False, GrabModeAsync,
                                         GrabModeAsync, CurrentTime);
        if (status == GrabSuccess)
            XUngrabKeyboard(m_display, CurrentTime);
        XSync(m_display, False);
        return status;
    }
    // Whether this client may take a passive grab of the key (no modifiers) on the root window, which fails
    // while another client holds one; the grab is given back at once.
    bool canGrabKey(KeySym keysym) {
        const KeyCode code = XKeysymToKeycode(m_display, keysym);
        XSync(m_display, False);
        s_accessDenied = false;
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent* error) {
            if (error->error_code == BadAccess)
                s_accessDenied = true;
            return 0;
        });
        XGrabKey(m_display, code, 0, DefaultRootWindow(m_display), False, GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
        const bool granted = !s_accessDenied;
        if (granted)
            XUngrabKey(m_display, code, 0, DefaultRootWindow(m_display));
        XSync(m_display, False);
        XSetErrorHandler(previous);
        return granted;
    }
    void pressKey(KeySym keysym) {
        const KeyCode code = XKeysymToKeycode(m_display, keysym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XSync(m_display, False);
    }
    void moveTo(QPoint point) {
        XTestFakeMotionEvent(m_display, -1, point.x(), point.y(), CurrentTime);
        XSync(m_display, False);
    }
    void click(QPoint point) {
        moveTo(point);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XSync(m_display, False);
    }
    void drag(QPoint from, QPoint to) {
        XTestFakeMotionEvent(m_display, -1, from.x(), from.y(), CurrentTime);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XSync(m_display, False);
        QTest::qWait(20);
        XTestFakeMotionEvent(m_display, -1, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2, CurrentTime);
        XTestFakeMotionEvent(m_display, -1, to.x(), to.y(), CurrentTime);
        XSync(m_display, False);
        QTest::qWait(20);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XSync(m_display, False);
    }
    bool overrideRedirect(WId window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_display, Window(window), &attributes);
        return attributes.override_redirect;
    }

private:
    static inline bool s_accessDenied = false;
    Display* m_display;
};

} // namespace tolvane::testing

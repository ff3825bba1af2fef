#pragma once

// A user's mouse on the test session's X server, driven through XTest from a connection of its own, and
// where the helper application's text field is on screen.

#include "platform/x11/x11_input_service.h"
#include "workflow/helper_process.h"

#include <QRect>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <optional>
#include <xcb/xtest.h>

namespace tolvane::testing {

// The helper's text field in root coordinates. The helper reports the field inside its client window and the
// X server translates the client's origin: `xdotool getwindowgeometry` adds the window manager's frame
// offset a second time for reparented windows, which put every "field" point below the real field.
inline std::optional<QRect> fieldInRoot(HelperProcess& app, X11InputService& service) {
    app.send("field");
    const std::optional<QString> line = app.waitForLine(QStringLiteral("FIELD "));
    if (!line)
        return std::nullopt;
    const QStringList parts = line->mid(6).split(QLatin1Char(' '));
    if (parts.size() != 4)
        return std::nullopt;
    xcb_connection_t* connection = service.connection();
    auto* origin = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, app.window(), service.root(), 0, 0), nullptr);
    service.drainQueued();
    if (!origin)
        return std::nullopt;
    const QRect field(origin->dst_x + parts[0].toInt(), origin->dst_y + parts[1].toInt(), parts[2].toInt(),
                      parts[3].toInt());
    std::free(origin);
    return field;
}

// Paced presses, moves and releases as a user makes them, with this process's event loop turning in
// between. XTest, not xdotool's mousemove, which warps the pointer and so makes no raw motion.
class XTestPointer {
public:
    explicit XTestPointer(X11InputService& service) : m_service(service) {}

    // One fake event (motion to `at`, or a button or key `detail`), without waiting.
    void fakeNow(uint8_t type, uint8_t detail, QPoint at = {}) {
        xcb_test_fake_input(m_service.connection(), type, detail, XCB_CURRENT_TIME, m_service.root(),
                            int16_t(at.x()), int16_t(at.y()), 0);
        xcb_flush(m_service.connection());
    }
    void fake(uint8_t type, uint8_t detail, QPoint at = {}) {
        fakeNow(type, detail, at);
        QTest::qWait(40);
    }
    // A left-button drag. `beforeRelease` runs just before the release is sent, `afterRelease` right after
    // it, with no wait.
    void drag(QPoint from, QPoint to, const std::function<void()>& beforeRelease = {},
              const std::function<void()>& afterRelease = {}) {
        fake(XCB_MOTION_NOTIFY, 0, from);
        fake(XCB_BUTTON_PRESS, 1);
        for (int step = 1; step <= 4; ++step)
            fake(XCB_MOTION_NOTIFY, 0, from + (to - from) * step / 4);
        if (beforeRelease)
            beforeRelease();
        fakeNow(XCB_BUTTON_RELEASE, 1);
        if (afterRelease)
            afterRelease();
        QTest::qWait(40);
    }
    // Selects a helper field's whole text right to left, released in the field's left padding; returns
    // the release point.
    QPoint dragSelect(const QRect& field, const std::function<void()>& beforeRelease = {},
                      const std::function<void()>& afterRelease = {}) {
        const QPoint release(field.x() + 3, field.center().y());
        drag({field.right() - 20, field.center().y()}, release, beforeRelease, afterRelease);
        return release;
    }

private:
    X11InputService& m_service;
};

} // namespace tolvane::testing

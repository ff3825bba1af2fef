#include "ocr/x11_overlay_window_list.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// The window list against the test session's X server and window manager: ordinary managed windows of
// this process, stacked, framed, minimised and hidden.
namespace tolvane {
namespace {

// Our own windows in the list, front to back.
QList<OverlayWindowInfo> ownWindows() {
    X11OverlayWindowList list;
    const auto windows = list.onScreenWindows();
    EXPECT_TRUE(windows.has_value());
    QList<OverlayWindowInfo> own;
    for (const OverlayWindowInfo& window : windows.value_or(QList<OverlayWindowInfo>()))
        if (window.pid == QCoreApplication::applicationPid())
            own.append(window);
    return own;
}

std::optional<QRectF> boundsList(const QList<OverlayWindowInfo>& windows, int index) {
    return index < windows.size() ? windows[index].bounds : std::nullopt;
}

// Waits until the window manager has framed the window and Qt knows the frame.
bool showFramed(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return QTest::qWaitFor([&] { return window.frameGeometry() != window.geometry(); }, 5000);
}

TEST(X11OverlayWindowListTest, ListsManagedWindowsFrontToBackByTheirContentAndDropsHiddenOnes) {
    QWidget back;
    back.setGeometry(100, 120, 400, 300);
    ASSERT_TRUE(showFramed(back));
    QWidget front;
    front.setGeometry(300, 200, 500, 350);
    ASSERT_TRUE(showFramed(front));
    front.raise();
    front.activateWindow();

    // The content inside the frames the window manager drew: no title bar, no borders.
    const auto stackedAsShown = [&] {
        const auto own = ownWindows();
        return own.size() == 2 && boundsList(own, 0) == QRectF(front.geometry()) &&
               boundsList(own, 1) == QRectF(back.geometry());
    };
    EXPECT_TRUE(QTest::qWaitFor(stackedAsShown, 5000));

    const auto own = ownWindows();
    ASSERT_EQ(own.size(), 2);
    for (const OverlayWindowInfo& window : own) {
        EXPECT_EQ(window.layer, 0);
        EXPECT_EQ(window.alpha, 1.0);
        EXPECT_TRUE(window.regularApplication);
        ASSERT_TRUE(window.bounds.has_value());
        EXPECT_GT(window.bounds->height(), 0);
    }
    EXPECT_EQ(own[0].bounds->height(), 350) << "the frame's title bar is left out";

    // Raising the back window turns the order round.
    back.raise();
    back.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto now = ownWindows();
            return now.size() == 2 && boundsList(now, 0) == QRectF(back.geometry());
        },
        5000));

    // A minimised window stays a client of the window manager but is not on screen.
    back.showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ownWindows().size() == 1; }, 5000));
    EXPECT_EQ(boundsList(ownWindows(), 0), QRectF(front.geometry()));

    // A hidden window is gone altogether.
    front.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ownWindows().isEmpty(); }, 5000));
}

TEST(X11OverlayWindowListTest, PutsStayOnTopAndToolWindowsOffTheNormalLayer) {
    QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    onTop.setGeometry(200, 200, 300, 200);
    ASSERT_TRUE(showFramed(onTop));
    QWidget tool(nullptr, Qt::Tool);
    tool.setGeometry(600, 300, 300, 200);
    tool.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tool));

    const auto offNormalLayer = [&] {
        const auto own = ownWindows();
        return own.size() == 2 && own[0].layer.value_or(0) != 0 && own[1].layer.value_or(0) != 0;
    };
    EXPECT_TRUE(QTest::qWaitFor(offNormalLayer, 5000));
}

} // namespace
} // namespace tolvane

#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_selection_view.h"
#include "other_x_client.h"
#include "selection_result.h"
#include "x11/x_server_probe.h"

#include <QCoroTask>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using OtherClient = testing::OtherXClient;

struct OverlayRun {
    std::unique_ptr<ScreenshotOverlayController> controller;
    std::shared_ptr<testing::SelectionResult> result = std::make_shared<testing::SelectionResult>();

    explicit OverlayRun(std::optional<QRectF> remembered = std::nullopt) {
        controller =
            std::make_unique<ScreenshotOverlayController>(ScreenshotOverlayController::defaultDependencies(
                nullptr, std::make_shared<testing::UnknownWindowList>(), nullptr));
        testing::openSelection(*controller, result, remembered);
    }
    bool shown() {
        return QTest::qWaitFor([this] {
            const auto views = controller->views();
            return !views.isEmpty() && views.front()->windowHandle() &&
                   views.front()->windowHandle()->isExposed();
        });
    }
    bool ended() {
        return QTest::qWaitFor([this] { return result->settlements == 1 && controller->views().isEmpty(); });
    }
};

class ScreenshotOverlayX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other.connected()) << "needs the test session's X server";
        // A plain red window under the overlay, placed without the window manager.
        red.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        red.setStyleSheet(QStringLiteral("background: rgb(255, 0, 0);"));
        red.setAutoFillBackground(true);
        QPalette palette = red.palette();
        palette.setColor(QPalette::Window, Qt::red);
        red.setPalette(palette);
        red.setGeometry(137, 91, 400, 200);
        red.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&red));
        QTest::qWait(100);
    }

    OtherClient other;
    testing::XServerProbe probe;
    QWidget red;
};

TEST_F(ScreenshotOverlayX11, CoversEachScreenOverAFrozenPictureAndHoldsTheKeyboardUntilEscape) {
    ASSERT_EQ(other.tryGrabKeyboard(), GrabSuccess) << "the keyboard is free before the overlay";
    OverlayRun run;
    ASSERT_TRUE(run.shown());
    const auto views = run.controller->views();
    ASSERT_EQ(views.size(), QGuiApplication::screens().size());
    for (int i = 0; i < views.size(); ++i) {
        EXPECT_EQ(views[i]->geometry(), QGuiApplication::screens()[i]->geometry());
        EXPECT_TRUE(other.overrideRedirect(views[i]->winId()));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.tryGrabKeyboard() == AlreadyGrabbed; }))
        << "the overlay grabs the keyboard";

    // Without a compositor the red window shows through dimmed (about 0.42 of its red), not as black. Waited
    // for: the overlay's first frame reaches the screen whenever a busy machine lets it.
    QColor dimmed;
    QTest::qWaitFor(
        [&] {
            dimmed = probe.pixelAt(137 + 200, 91 + 100);
            return std::abs(dimmed.red() - 107) <= 12;
        },
        30000);
    EXPECT_NEAR(dimmed.red(), 107, 12);
    EXPECT_LT(dimmed.green(), 10);

    other.pressKey(XK_Escape);
    ASSERT_TRUE(run.ended());
    EXPECT_EQ(run.result->selectionError, ScreenshotSelectionError::Kind::cancelled);
    EXPECT_EQ(other.tryGrabKeyboard(), GrabSuccess) << "the grab is released";
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.pixelAt(137 + 200, 91 + 100) == QColor(Qt::red); }, 30000))
        << "the overlay is gone";
}

TEST_F(ScreenshotOverlayX11, ATooSmallRegionEndsAndFreesTheKeyboard) {
    OverlayRun run(QRectF(200, 200, 5, 5));
    ASSERT_TRUE(run.shown());
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.tryGrabKeyboard() == AlreadyGrabbed; }));
    other.pressKey(XK_KP_Enter);
    ASSERT_TRUE(run.ended());
    EXPECT_EQ(run.result->selectionError, ScreenshotSelectionError::Kind::selectionTooSmall);
    EXPECT_EQ(other.tryGrabKeyboard(), GrabSuccess);
}

} // namespace
} // namespace tolvane

#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_selection_view.h"
#include "platform/memory/fake_screen_provider.h"
#include "platform/memory/memory_window_system.h"
#include "selection_result.h"
#include "support/virtual_clock.h"
#include "workflow/fake_global_input.h"

#include <QCoroTask>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace tolvane {
namespace {

// ---- window suggestion -------------------------------------------------------------------------------

OverlayWindowInfo window(qint64 pid, QRectF bounds) {
    return {pid, 0, 1.0, true, bounds};
}

constexpr qint64 kSelf = 1000;
const QList<QRectF> kTwoScreens{QRectF(0, 0, 1920, 1080), QRectF(1920, 0, 1280, 1024)};
const QRectF kRemembered(50, 60, 300, 200);

TEST(ScreenshotOverlayWindowSuggestion, PicksTheFrontmostApplicationsWindow) {
    const QList<OverlayWindowInfo> windows{window(7, QRectF(10, 10, 400, 300)),
                                           window(8, QRectF(100, 100, 500, 400))};
    EXPECT_EQ(suggestWindowRegion(windows, 8, kSelf, kTwoScreens, kRemembered), QRectF(100, 100, 500, 400))
        << "the frontmost application's window beats the remembered region";
    EXPECT_EQ(suggestWindowRegion(windows, kSelf, kSelf, kTwoScreens, kRemembered), QRectF(10, 10, 400, 300))
        << "with this application in front the first other window wins";
    EXPECT_EQ(suggestWindowRegion(windows, std::nullopt, kSelf, kTwoScreens, kRemembered),
              QRectF(10, 10, 400, 300));
    EXPECT_EQ(suggestWindowRegion(windows, 9, kSelf, kTwoScreens, kRemembered), kRemembered)
        << "a frontmost application without a window keeps the remembered region";
    EXPECT_EQ(suggestWindowRegion(std::nullopt, 8, kSelf, kTwoScreens, kRemembered), kRemembered)
        << "an unavailable window list";
    EXPECT_EQ(suggestWindowRegion(std::nullopt, 8, kSelf, kTwoScreens, std::nullopt), std::nullopt);
}

TEST(ScreenshotOverlayWindowSuggestion, EachFilterHoldsAtItsEdge) {
    struct Case {
        const char* name;
        OverlayWindowInfo info;
        bool qualifies;
    };
    const QRectF ok(10, 10, 400, 300);
    const Case cases[] = {
        {"ordinary", window(7, ok), true},
        {"own window", window(kSelf, ok), false},
        {"no pid", {std::nullopt, 0, 1.0, true, ok}, false},
        {"layer 1", {7, 1, 1.0, true, ok}, false},
        {"alpha 0.05", {7, 0, 0.05, true, ok}, false},
        {"alpha 0.051", {7, 0, 0.051, true, ok}, true},
        {"not a regular application", {7, 0, 1.0, false, ok}, false},
        {"159 x 100", window(7, QRectF(10, 10, 159, 100)), false},
        {"160 x 99", window(7, QRectF(10, 10, 160, 99)), false},
        {"160 x 100", window(7, QRectF(10, 10, 160, 100)), true},
        {"only 150 wide on screen", window(7, QRectF(-10, 10, 160, 300)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = suggestWindowRegion(QList<OverlayWindowInfo>{c.info}, std::nullopt, kSelf,
                                                kTwoScreens, kRemembered);
        EXPECT_EQ(result != kRemembered, c.qualifies);
    }
}

TEST(ScreenshotOverlayWindowSuggestion, AStraddlingWindowGoesToItsLargerPiece) {
    EXPECT_EQ(suggestWindowRegion(QList{window(7, QRectF(1820, 100, 400, 300))}, 7, kSelf, kTwoScreens, {}),
              QRectF(1920, 100, 300, 300));
    EXPECT_EQ(suggestWindowRegion(QList{window(7, QRectF(1720, 100, 400, 300))}, 7, kSelf, kTwoScreens, {}),
              QRectF(1720, 100, 200, 300))
        << "an equal split keeps the earlier screen";
}

// ---- controller ----------------------------------------------------------------------------------------

const HotKeyIdentifier kOcre{fourCharCode("OCRE"), 1};

struct ControllerFixture {
    std::shared_ptr<FakeScreenProvider> screens = std::make_shared<FakeScreenProvider>(
        QList{FakeScreenProvider::makeScreen("A", QRectF(0, 0, 1920, 1080)),
              FakeScreenProvider::makeScreen("B", QRectF(1920, 0, 1280, 1024))});
    std::shared_ptr<MemoryWindowSystem> windows = std::make_shared<MemoryWindowSystem>();
    testing::FakeGlobalInput input;
    QPointF cursor{100, 100};
    std::shared_ptr<testing::SelectionResult> result = std::make_shared<testing::SelectionResult>();
    std::unique_ptr<ScreenshotOverlayController> controller;

    ControllerFixture() {
        ScreenshotOverlayController::Dependencies deps;
        deps.screens = screens;
        deps.windowSystem = windows;
        deps.windowList = std::make_shared<testing::UnknownWindowList>();
        deps.globalInput = &input;
        deps.cursorPosition = [this] { return cursor; };
        controller = std::make_unique<ScreenshotOverlayController>(std::move(deps));
    }
    void show(std::optional<QRectF> remembered = std::nullopt, int batchCount = 0) {
        testing::openSelection(*controller, result, remembered, batchCount);
    }
    ScreenshotSelectionView* view(int i) const { return controller->views().value(i); }
    void settle() {
        for (int i = 0; i < 5; ++i)
            tolvane::testing::drainEventLoop();
    }
    bool overlayGone() const { return controller->views().isEmpty() && !controller->hasPendingResult(); }
};

TEST(ScreenshotOverlayController, ShowsOneViewPerScreenAndPreselectsOnlyTheScreenHoldingTheCentre) {
    ControllerFixture f;
    f.show(QRectF(2000, 100, 400, 300)); // centre on screen B
    ASSERT_EQ(f.controller->views().size(), 2);
    EXPECT_EQ(f.view(0)->geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(f.view(1)->geometry(), QRect(1920, 0, 1280, 1024));
    EXPECT_TRUE(f.view(0)->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_FALSE(f.view(0)->globalSelection());
    EXPECT_EQ(f.view(1)->globalSelection(), QRectF(2000, 100, 400, 300));
    EXPECT_EQ(f.controller->keyView(), f.view(0)) << "keys go first to the view under the pointer";
    EXPECT_TRUE(f.controller->holdsKeyboardGrab());
    EXPECT_EQ(f.input.grabs.count({kOcre.signature, kOcre.id}), 1u);

    // A confirmation on the second screen comes back in global coordinates.
    QTest::mouseClick(f.view(1), Qt::LeftButton, {}, QPoint(500, 100));
    EXPECT_EQ(f.controller->keyView(), f.view(1)) << "a press moves the keys to that view";
    f.controller->complete(QRectF(2100, 300, -200, -100), ScreenshotCaptureMode::batch);
    f.settle();
    ASSERT_TRUE(f.result->outcome);
    EXPECT_EQ(f.result->outcome->rect, QRectF(1900, 200, 200, 100)) << "standardised";
    EXPECT_EQ(f.result->outcome->mode, ScreenshotCaptureMode::batch);
    EXPECT_TRUE(f.overlayGone());
    EXPECT_FALSE(f.controller->holdsKeyboardGrab());
    EXPECT_TRUE(f.input.grabs.empty()) << "the Escape hot key is released";
    EXPECT_EQ(f.input.observerCount() + f.input.handlerCount(), 0u);
}

TEST(ScreenshotOverlayController, TheSmallestConfirmationIsEightByEight) {
    ControllerFixture tooSmall;
    tooSmall.show();
    tooSmall.controller->complete(QRectF(10, 10, 7, 20), ScreenshotCaptureMode::single);
    tooSmall.settle();
    EXPECT_EQ(tooSmall.result->selectionError, ScreenshotSelectionError::Kind::selectionTooSmall);
    EXPECT_TRUE(tooSmall.overlayGone());

    ControllerFixture enough;
    enough.show(QRectF(10, 10, 8, 8));
    QTest::keyClick(enough.view(0), Qt::Key_Return);
    enough.settle();
    ASSERT_TRUE(enough.result->outcome);
    EXPECT_EQ(enough.result->outcome->rect, QRectF(10, 10, 8, 8));
}

TEST(ScreenshotOverlayController, EscapeThroughEveryPathEndsTheSelectionOnce) {
    using Path = std::function<void(ControllerFixture&)>;
    const std::map<std::string, Path> paths{
        {"key", [](ControllerFixture& f) { QTest::keyClick(f.view(0), Qt::Key_Escape); }},
        {"key on other screen", [](ControllerFixture& f) { QTest::keyClick(f.view(1), Qt::Key_Escape); }},
        {"hot key", [](ControllerFixture& f) { EXPECT_TRUE(f.input.press(kOcre)); }},
        {"raw", [](ControllerFixture& f) { f.input.rawKey(0xff1b, 0); }},
        {"thread",
         [](ControllerFixture& f) { std::thread([c = f.controller.get()] { c->cancel(); }).join(); }},
        {"panel", [](ControllerFixture& f) { f.controller->cancelSelection(); }},
    };
    for (const auto& [first, firstPath] : paths) {
        for (const auto& [second, secondPath] : paths) {
            SCOPED_TRACE(first + " then " + second);
            ControllerFixture f;
            const auto target = f.windows->addWindow(42, 77, 5);
            f.windows->setFront(target);
            f.show(QRectF(10, 10, 400, 300));
            firstPath(f);
            if (!f.controller->views().isEmpty())
                secondPath(f);
            f.settle();
            EXPECT_EQ(f.result->settlements, 1);
            EXPECT_EQ(f.result->selectionError, ScreenshotSelectionError::Kind::cancelled);
            EXPECT_TRUE(f.overlayGone());
            EXPECT_FALSE(OverlayKeyboardGrab::isHeldByAnyone());
            EXPECT_LE(f.windows->activations().size(), 1u);
        }
    }
}

TEST(ScreenshotOverlayController, OtherHotKeysAndKeysAreLeftAlone) {
    ControllerFixture f;
    f.show();
    EXPECT_FALSE(f.input.press({fourCharCode("QVHK"), 1}));
    QTest::keyClick(f.view(0), Qt::Key_A);
    f.settle();
    EXPECT_TRUE(f.controller->hasPendingResult());
    f.controller->finish(std::make_exception_ptr(ScreenshotOCRError(ScreenshotOCRError::Kind::cancelled)));
    f.controller->finish(std::make_exception_ptr(ScreenshotOCRError(ScreenshotOCRError::Kind::cancelled)));
    f.settle();
    EXPECT_EQ(f.result->settlements, 1);
    EXPECT_TRUE(f.result->otherError);
}

TEST(ScreenshotOverlayController, FocusReturnsOnlyToALiveWindowThatLostIt) {
    struct Case {
        const char* name;
        bool lostFront;
        bool processEnded;
        std::vector<quint32> activations;
    };
    for (const Case& c : {Case{"lost focus", true, false, {42}}, Case{"still in front", false, false, {}},
                          Case{"process gone", true, true, {}}}) {
        SCOPED_TRACE(c.name);
        ControllerFixture f;
        f.windows->setFront(f.windows->addWindow(42, 77, 5));
        f.show();
        if (c.processEnded)
            f.windows->endProcess(77);
        if (c.lostFront)
            f.windows->setFront(std::nullopt);
        f.controller->cancelSelection();
        EXPECT_EQ(f.windows->activations(), c.activations);
    }
}

TEST(ScreenshotOverlayController, AReplacedOverlayNeverDropsTheNewerGrab) {
    ControllerFixture older;
    older.show();
    ControllerFixture newer;
    newer.show();
    EXPECT_TRUE(newer.controller->holdsKeyboardGrab());
    older.controller->cancelSelection();
    EXPECT_TRUE(newer.controller->holdsKeyboardGrab());
    EXPECT_TRUE(OverlayKeyboardGrab::isHeldByAnyone());
    newer.controller->cancelSelection();
    EXPECT_FALSE(OverlayKeyboardGrab::isHeldByAnyone());
}

TEST(ScreenshotOverlayController, CancelAfterTheControllerIsGoneDoesNothing) {
    ControllerFixture f;
    f.show();
    ScreenshotOverlayController* raw = f.controller.get();
    raw->cancel();
    f.controller.reset();
    f.settle();
    EXPECT_EQ(f.result->settlements, 1) << "the destroyed controller failed its waiter once";
    EXPECT_FALSE(f.result->selectionError);
    EXPECT_FALSE(OverlayKeyboardGrab::isHeldByAnyone());
    EXPECT_EQ(f.input.handlerCount(), 0u);
}

} // namespace
} // namespace tolvane

#include "await_task.h"
#include "fake_recognition.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_ocr_service.h"
#include "platform/memory/fake_screen_grabber.h"
#include "platform/memory/fake_screen_provider.h"
#include "support/virtual_clock.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::VirtualClock;
const auto ocrErrorKind = testing::errorKind<ScreenshotOCRError>;

// An overlay stand-in: records the request and lets the test end the selection.
class FakeSelectionController final : public ScreenshotSelectionController {
public:
    explicit FakeSelectionController(int* tearDowns) : m_tearDowns(tearDowns) {}
    void selectCapture(ScreenshotCaptureMode mode, std::optional<QRectF> remembered,
                       int batchCount) override {
        shownMode = mode;
        shownRect = remembered;
        shownBatchCount = batchCount;
    }
    ScreenshotCaptureMode shownMode = ScreenshotCaptureMode::single;
    std::optional<QRectF> shownRect;
    int shownBatchCount = -1;

protected:
    void tearDown() override { ++*m_tearDowns; }

private:
    int* m_tearDowns;
};

struct ServiceFixture {
    explicit ServiceFixture(bool waylandSession = false) : wayland(waylandSession) {
        screens = std::make_shared<FakeScreenProvider>(
            QList<ScreenInfo>{FakeScreenProvider::makeScreen("DP-1", QRectF(0, 0, 1280, 800)),
                              FakeScreenProvider::makeScreen("HDMI-1", QRectF(1280, -200, 1920, 1080), 2.0)});
        grabber = std::make_shared<FakeScreenGrabber>();
        ScreenshotOCRService::Dependencies deps;
        deps.screens = screens;
        deps.grabber = grabber;
        deps.recognizer =
            std::make_shared<testing::ScriptedRecognizer>([](int, const QImage&, const CancellationToken&) {
                return std::vector{testing::textLine("x", 1)};
            });
        deps.enhancer = std::make_shared<testing::ScalingEnhancer>();
        deps.makeSelectionController = [this] {
            auto controller = std::make_unique<FakeSelectionController>(&tearDowns);
            lastController = controller.get();
            return controller;
        };
        deps.screenRecordingAllowed = [this] { return allowed; };
        deps.clock = &clock;
        deps.waylandSession = wayland;
        service = std::make_unique<ScreenshotOCRService>(std::move(deps), [this] { return own; });
    }

    VirtualClock clock;
    std::shared_ptr<FakeScreenProvider> screens;
    std::shared_ptr<FakeScreenGrabber> grabber;
    OwnWindows own;
    std::unique_ptr<ScreenshotOCRService> service;
    QPointer<FakeSelectionController> lastController;
    int tearDowns = 0;
    bool allowed = true;
    bool wayland = false;
};

TEST(ScreenshotOCRServiceSelection, OutcomeIsDeliveredAndTheControllerCleared) {
    ServiceFixture f;
    auto probe =
        testing::watch(f.service->selectRegion(ScreenshotCaptureMode::batch, QRectF(10, 10, 50, 50), 3, {}));
    ASSERT_TRUE(f.lastController);
    EXPECT_EQ(f.service->activeSelectionController(), f.lastController.data());
    EXPECT_EQ(f.lastController->shownBatchCount, 3);
    EXPECT_EQ(f.lastController->shownRect, QRectF(10, 10, 50, 50));

    f.lastController->complete(QRectF(300, 200, -100, -50), ScreenshotCaptureMode::continuous);
    drainEventLoop();
    ASSERT_TRUE(probe->done);
    ASSERT_TRUE(probe->value);
    EXPECT_EQ(probe->value->rect, QRectF(200, 150, 100, 50)) << "standardised";
    EXPECT_EQ(probe->value->mode, ScreenshotCaptureMode::continuous);
    EXPECT_EQ(f.tearDowns, 1);
    EXPECT_EQ(f.service->activeSelectionController(), nullptr);
}

TEST(ScreenshotOCRServiceSelection, CancellingTheTaskClosesTheOverlayAsCancelled) {
    ServiceFixture f;
    CancellationSource source;
    auto probe = testing::watch(
        f.service->selectRegion(ScreenshotCaptureMode::single, std::nullopt, 0, source.token()));
    source.cancel();
    drainEventLoop();
    ASSERT_TRUE(probe->done);
    EXPECT_EQ(ocrErrorKind(probe->error), ScreenshotOCRError::Kind::cancelled);
    EXPECT_EQ(f.tearDowns, 1);
    EXPECT_EQ(f.service->activeSelectionController(), nullptr);
}

TEST(ScreenshotOCRServiceSelection, TooSmallPassesThroughAndMissingAccessOpensNothing) {
    ServiceFixture f;
    auto probe = testing::watch(f.service->selectRegion(ScreenshotCaptureMode::single, std::nullopt, 0, {}));
    f.lastController->complete(QRectF(0, 0, 7, 20), ScreenshotCaptureMode::single);
    drainEventLoop();
    EXPECT_EQ(testing::errorKind<ScreenshotSelectionError>(probe->error),
              ScreenshotSelectionError::Kind::selectionTooSmall);
    // A second end of the same selection finds nothing pending (if the controller still exists).
    if (f.lastController)
        f.lastController->cancelSelection();
    EXPECT_EQ(f.tearDowns, 1);

    f.allowed = false;
    f.lastController = nullptr;
    auto denied = testing::watch(f.service->selectRegion(ScreenshotCaptureMode::single, std::nullopt, 0, {}));
    drainEventLoop();
    EXPECT_FALSE(f.lastController) << "no overlay without access";
    EXPECT_EQ(ocrErrorKind(denied->error), ScreenshotOCRError::Kind::screenRecordingPermissionRequired);
}

TEST(ScreenshotOCRServiceCapture, OwnWindowsOverlappingTheRegionAreHiddenOnlyDuringTheGrab) {
    ServiceFixture f;
    // Floating windows go whenever they overlap; ordinary windows only when they do not hold the whole
    // region (one that does is what the user chose to read).
    QWidget overlapping, elsewhere, documentAcross, documentHolding;
    overlapping.setGeometry(120, 120, 200, 100);
    elsewhere.setGeometry(900, 600, 200, 100);
    documentAcross.setGeometry(350, 250, 300, 300);
    documentHolding.setGeometry(50, 50, 500, 400);
    for (QWidget* window : {&overlapping, &elsewhere, &documentAcross, &documentHolding})
        window->show();
    f.own.floating = {&overlapping, &elsewhere};
    f.own.documents = {&documentAcross, &documentHolding};
    std::optional<bool> overlappingVisibleAtGrab;
    f.grabber->setOnGrab([&](const QRectF&) { overlappingVisibleAtGrab = overlapping.isVisible(); });

    auto probe = testing::watch(f.service->captureImage(QRectF(100, 100, 300, 200), {}));
    EXPECT_FALSE(overlapping.isVisible()) << "hidden before the pause so it has left the screen";
    EXPECT_TRUE(elsewhere.isVisible());
    EXPECT_FALSE(documentAcross.isVisible());
    EXPECT_TRUE(documentHolding.isVisible());
    f.clock.advance(139ms);
    EXPECT_TRUE(f.grabber->grabbedRegions().isEmpty()) << "the grab waits out the pause";
    f.clock.advance(1ms);
    ASSERT_TRUE(probe->done);
    ASSERT_TRUE(probe->value);
    EXPECT_EQ(overlappingVisibleAtGrab, false);
    EXPECT_TRUE(overlapping.isVisible());
    EXPECT_TRUE(documentAcross.isVisible());
    EXPECT_EQ(probe->value->size(), QSize(300, 200));

    // Cancelled during the pause: the window comes back too, and nothing is grabbed.
    CancellationSource source;
    auto cancelled = testing::watch(f.service->captureImage(QRectF(100, 100, 300, 200), source.token()));
    EXPECT_FALSE(overlapping.isVisible());
    source.cancel();
    f.clock.advance(200ms);
    drainEventLoop();
    ASSERT_TRUE(cancelled->error);
    EXPECT_THROW(std::rethrow_exception(cancelled->error), CancelledError);
    EXPECT_TRUE(overlapping.isVisible());
    EXPECT_EQ(f.grabber->grabbedRegions().size(), 1);
}

std::optional<ScreenshotOCRError::Kind> captureError(ServiceFixture& f, QRectF region) {
    auto probe = testing::watch(f.service->captureImage(region, {}));
    f.clock.advance(140ms);
    drainEventLoop();
    return ocrErrorKind(probe->error);
}

TEST(ScreenshotOCRServiceCapture, RegionsAreClippedToTheirScreenAndFailuresReported) {
    ServiceFixture f;
    // Midpoint on the second (2x) screen: clipped to it, native pixels at twice the size.
    auto probe = testing::watch(f.service->captureImage(QRectF(1200, -300, 200, 200), {}));
    f.clock.advance(140ms);
    ASSERT_TRUE(probe->value);
    ASSERT_EQ(f.grabber->grabbedRegions().size(), 1);
    EXPECT_EQ(f.grabber->grabbedRegions().first(), QRectF(1280, -200, 120, 100));
    EXPECT_EQ(probe->value->size(), QSize(240, 200));

    EXPECT_EQ(captureError(f, QRectF(5000, 5000, 100, 100)), ScreenshotOCRError::Kind::captureFailed);
    f.grabber->setFailing(true);
    EXPECT_EQ(captureError(f, QRectF(10, 10, 100, 100)), ScreenshotOCRError::Kind::captureFailed);
}

TEST(ScreenshotOCRServiceCapture, BlackGrabIsACaptureFailureOnlyUnderWayland) {
    QImage black(3200, 1200, QImage::Format_RGB32);
    black.fill(Qt::black);
    ServiceFixture x11;
    x11.grabber->setDesktop(black);
    auto probe = testing::watch(x11.service->captureImage(QRectF(10, 10, 100, 100), {}));
    x11.clock.advance(140ms);
    EXPECT_TRUE(probe->value) << "a black region on X11 is just a dark region";

    ServiceFixture wayland(true);
    wayland.grabber->setDesktop(black);
    EXPECT_EQ(captureError(wayland, QRectF(10, 10, 100, 100)), ScreenshotOCRError::Kind::captureFailed);
}

TEST(ScreenshotOCRServiceRegionMemory, RoundTripsAcrossScreensAndFallsBackBySize) {
    ServiceFixture f;
    // On the 2x screen at negative y, away from the origin.
    const QRectF region(1500, -100, 400, 300);
    const auto memory = f.service->makeRegionMemory(region);
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->sourceScreenFrame, QRectF(1280, -200, 1920, 1080));
    EXPECT_EQ(memory->displayID, displayIDForScreenName("HDMI-1"));
    const auto restored = f.service->restoredRegion(memory);
    ASSERT_TRUE(restored);
    EXPECT_NEAR(restored->x(), 1500, 1e-9);
    EXPECT_NEAR(restored->y(), -100, 1e-9);
    EXPECT_NEAR(restored->width(), 400, 1e-9);

    // The screen is gone; another of nearly the same size (within 1 unit) takes the region.
    f.screens->setScreens({FakeScreenProvider::makeScreen("DP-1", QRectF(0, 0, 1280, 800)),
                           FakeScreenProvider::makeScreen("DP-2", QRectF(-1919.5, 0, 1919.5, 1080.5))});
    const auto moved = f.service->restoredRegion(memory);
    ASSERT_TRUE(moved);
    EXPECT_LT(moved->x(), 0);
    EXPECT_NEAR(moved->width(), 400 * 1919.5 / 1920, 1e-6);

    // No size match: the primary screen, clipped; below 8 x 8 after clipping: nothing.
    f.screens->setScreens({FakeScreenProvider::makeScreen("DP-1", QRectF(0, 0, 1280, 800))});
    ScreenshotRegionMemory edge{QRectF(0.995, 0.5, 0.1, 0.1), QRectF(0, 0, 640, 480), std::nullopt};
    EXPECT_FALSE(f.service->restoredRegion(edge)) << "6.4 units wide once clipped";
    EXPECT_FALSE(f.service->restoredRegion(std::nullopt));
}

TEST(ScreenshotOCRServiceRegionMemory, ScreenChoiceIsHalfOpenAndTinyOrOffscreenRegionsAreNotRemembered) {
    ServiceFixture f;
    f.screens->setScreens({FakeScreenProvider::makeScreen("L", QRectF(0, 0, 1000, 800)),
                           FakeScreenProvider::makeScreen("R", QRectF(1000, 0, 1000, 800))});
    // Midpoint exactly on the shared border: the right-hand screen.
    const auto border = f.service->makeRegionMemory(QRectF(900, 100, 200, 100));
    ASSERT_TRUE(border);
    EXPECT_EQ(border->sourceScreenFrame, QRectF(1000, 0, 1000, 800));
    EXPECT_NEAR(border->normalizedRect.width(), 0.1, 1e-12);

    EXPECT_FALSE(f.service->makeRegionMemory(QRectF(10, 10, 7, 100)));
    EXPECT_FALSE(f.service->makeRegionMemory(QRectF(5000, 5000, 100, 100)));
    EXPECT_FALSE(f.service->makeRegionMemory(QRectF(qQNaN(), 0, 100, 100)));
}

} // namespace
} // namespace tolvane

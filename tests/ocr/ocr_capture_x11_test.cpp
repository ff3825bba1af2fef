#include "application_window.h"
#include "await_task.h"
#include "ocr/leptonica_image_enhancer.h"
#include "ocr/screenshot_ocr_service.h"
#include "ocr/tesseract_recognizer.h"
#include "picture_window.h"
#include "platform/qt/qt_screen_grabber.h"
#include "platform/qt/qt_screen_provider.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <gtest/gtest.h>

// Capture against a real X server: windows placed at known positions are grabbed through the service.
namespace tolvane {
namespace {

using testing::awaitTask;

using testing::PictureWindow;
using testing::showAndWait;

std::unique_ptr<ScreenshotOCRService> makeService() {
    ScreenshotOCRService::Dependencies deps;
    deps.screens = std::make_shared<QtScreenProvider>();
    deps.grabber = std::make_shared<QtScreenGrabber>();
    deps.recognizer = std::make_shared<TesseractRecognizer>();
    deps.enhancer = std::make_shared<LeptonicaImageEnhancer>();
    deps.screenRecordingAllowed = [] { return true; };
    deps.clock = &systemClock();
    return std::make_unique<ScreenshotOCRService>(std::move(deps), [] { return OwnWindows{}; });
}

QImage quadrants(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2, h = size.height() / 2;
    painter.fillRect(0, 0, w, h, QColor(0x12, 0x9e, 0x5a));
    painter.fillRect(w, 0, size.width() - w, h, QColor(0x20, 0x40, 0xd0));
    painter.fillRect(0, h, w, size.height() - h, QColor(0xd0, 0x30, 0x30));
    painter.fillRect(w, h, size.width() - w, size.height() - h, QColor(0xf0, 0xc0, 0x10));
    return image;
}

TEST(OcrCaptureX11, RegionAwayFromTheOriginIsGrabbedPixelExact) {
    if (QGuiApplication::primaryScreen()->devicePixelRatio() != 1.0)
        GTEST_SKIP() << "pixel comparison assumes a 1x screen";
    const QImage picture = quadrants(QSize(160, 90));
    PictureWindow window(QPoint(137, 91), picture);
    ASSERT_TRUE(showAndWait(window));
    auto service = makeService();

    const QImage grabbed = awaitTask(service->captureImage(QRectF(137, 91, 160, 90), {}));
    ASSERT_EQ(grabbed.size(), picture.size());
    const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
    const QImage actual = grabbed.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            differing += actual.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(OcrCaptureX11, RegionPartlyOffScreenIsClippedToTheScreen) {
    auto service = makeService();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QImage grabbed =
        awaitTask(service->captureImage(QRectF(screen.right() - 49, screen.top() + 10, 200, 100), {}));
    const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
    EXPECT_EQ(grabbed.size(), QSize(qRound(50 * dpr), qRound(100 * dpr)));
}

TEST(OcrCaptureX11, TerminalLineIsReadExactlyPastItsCursor) {
    // The block cursor after the text was read as a Han character and spoilt the words before it.
    const QString line = QStringLiteral("Hello world, this is a test.");
    testing::ApplicationWindow terminal(QStringLiteral("xterm"),
                                        {QStringLiteral("-geometry"), QStringLiteral("36x2+200+200"),
                                         QStringLiteral("-fa"), QStringLiteral("Monospace"),
                                         QStringLiteral("-fs"), QStringLiteral("11"), QStringLiteral("-e"),
                                         QStringLiteral("sh"), QStringLiteral("-c"),
                                         QStringLiteral("printf '%s' \"$0\"; exec cat >/dev/null"), line});
    ASSERT_TRUE(terminal.isShown());
    // As when the overlay has taken the focus: the terminal draws its cursor as an outlined box.
    PictureWindow focused(QPoint(700, 200), quadrants(QSize(40, 40)));
    ASSERT_TRUE(showAndWait(focused));
    focused.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&focused, 30000));
    auto service = makeService();
    const QImage image = testing::settledCapture(*service, terminal.clientArea());
    EXPECT_EQ(awaitTask(service->recognizeImage(image, QStringLiteral("auto"), {}, {})).toStdString(),
              line.toStdString());
}

} // namespace
} // namespace tolvane

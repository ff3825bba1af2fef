#include "x11/x_server_probe.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

// Proves that the test session's X server really shows what the application draws: a plain Qt widget is
// mapped by the window manager and its pixels are read back by a separate X client.
namespace tolvane::testing {
namespace {

class SolidWidget final : public QWidget {
public:
    explicit SolidWidget(QColor colour) : colour_(colour) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), colour_);
    }

private:
    QColor colour_;
};

// Distinct colours, neither black nor white, that a 24-bit TrueColor visual keeps exactly.
const QColor kGreen(0x12, 0x9e, 0x5a);
const QColor kBlue(0x20, 0x40, 0xd0);

std::unique_ptr<SolidWidget> showSolidWindow(QColor colour, QRect geometry) {
    auto widget = std::make_unique<SolidWidget>(colour);
    widget->setGeometry(geometry);
    widget->show();
    return widget;
}

// The client area of a shown widget in root (global) coordinates.
QRect globalClientRect(const QWidget& widget) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

// Waits until the server shows `colour` at the centre of `rect`, then checks every pixel of `rect`.
::testing::AssertionResult serverShows(const XServerProbe& probe, const QRect& rect, QColor colour) {
    (void)QTest::qWaitFor([&] { return probe.pixelAt(rect.center().x(), rect.center().y()) == colour; });
    std::optional<QImage> image = probe.grab(rect);
    if (!image)
        return ::testing::AssertionFailure() << "the X server did not return the pixels";
    for (int y = 0; y < image->height(); ++y) {
        for (int x = 0; x < image->width(); ++x) {
            if (image->pixelColor(x, y) != colour)
                return ::testing::AssertionFailure()
                       << "pixel (" << rect.x() + x << "," << rect.y() + y << ") is "
                       << image->pixelColor(x, y).name().toStdString() << ", expected "
                       << colour.name().toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

class X11Session : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "x11 tests run inside scripts/test-session";
        ASSERT_TRUE(probe_.isConnected()) << "no X server at $DISPLAY";
    }

    XServerProbe probe_;
};

TEST_F(X11Session, ServerAndWindowManagerMatchWhatTestsAssume) {
    EXPECT_EQ(probe_.rootSize(), QSize(1920, 1080));
    EXPECT_EQ(probe_.rootDepth(), 24);
    EXPECT_TRUE(probe_.hasWindowManager()) << "openbox is not managing the screen";

    // Qt's logical coordinates are the server's pixels: global coordinates can be compared directly.
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(screen->devicePixelRatio(), 1.0);
}

TEST_F(X11Session, ShownWindowIsOnScreenAndGoneWhenHidden) {
    auto window = showSolidWindow(kGreen, QRect(300, 200, 320, 240));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // The window manager decorates the window, so the frame encloses the client area.
    (void)QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); });
    EXPECT_TRUE(window->frameGeometry().contains(window->geometry()));
    EXPECT_NE(window->frameGeometry(), window->geometry());

    const QRect client = globalClientRect(*window);
    EXPECT_TRUE(serverShows(probe_, client, kGreen));

    window->hide();
    (void)QTest::qWaitFor([&] { return probe_.pixelAt(client.center().x(), client.center().y()) != kGreen; });
    EXPECT_NE(probe_.pixelAt(client.center().x(), client.center().y()), kGreen)
        << "a hidden window must no longer be visible on the server";
}

TEST_F(X11Session, LaterWindowCoversTheOverlapOfAnEarlierOne) {
    auto below = showSolidWindow(kGreen, QRect(400, 300, 400, 300));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(below.get()));
    auto above = showSolidWindow(kBlue, QRect(600, 450, 400, 300));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(above.get()));
    above->raise();
    above->activateWindow();

    const QRect belowRect = globalClientRect(*below);
    const QRect aboveRect = globalClientRect(*above);
    const QRect overlap = belowRect.intersected(aboveRect).adjusted(2, 2, -2, -2);
    ASSERT_FALSE(overlap.isEmpty()) << "the window manager placed the windows apart";
    // The top strip of the lower window lies above the upper window's frame and title bar.
    const QRect uncovered(belowRect.left(), belowRect.top(), belowRect.width(),
                          above->frameGeometry().top() - belowRect.top() - 2);
    ASSERT_FALSE(uncovered.isEmpty());

    EXPECT_TRUE(serverShows(probe_, overlap, kBlue));
    EXPECT_TRUE(serverShows(probe_, uncovered, kGreen));
}

} // namespace
} // namespace tolvane::testing

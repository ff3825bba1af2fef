#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>
// Xlib last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

// Releases every key the X server still holds down. A key press whose release never came (a key tool ended
// by an earlier test's time limit) would otherwise stay held, or repeat, into this test's windows.
void releaseHeldKeys() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    char held[32] = {};
    XQueryKeymap(display, held);
    for (int code = 8; code < 256; ++code) {
        if (held[code / 8] & (1 << (code % 8)))
            XTestFakeKeyEvent(display, unsigned(code), False, CurrentTime);
    }
    XSync(display, False);
    XCloseDisplay(display);
}

} // namespace

// Test entry point: a QApplication for every test binary (offscreen for unit tests, the test session's X
// server for x11 tests), with standard paths redirected away from the user's files.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists names; it must work without any display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        releaseHeldKeys();
    QApplication::setApplicationName(QStringLiteral("TolvaneTests"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    return RUN_ALL_TESTS();
}

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Test entry point: a QApplication for every test binary (offscreen for unit tests, the test session's X
// server for x11 tests), with standard paths redirected away from the user's files.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists names; it must work without any display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TolvaneTests"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    return RUN_ALL_TESTS();
}

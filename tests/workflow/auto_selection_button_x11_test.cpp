// The selection capsule against a real X server: real mouse drags made with xdotool in another process's
// text field, the raw XInput stream, the PRIMARY owner watch and the real selection reader.
#include "helper_process.h"
#include "platform/atspi/atspi_accessibility_backend.h"
#include "platform/permission_service.h"
#include "platform/screen_mapping.h"
#include "platform/session_info.h"
#include "platform/x11/selection_owner_watch.h"
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"
#include "workflow/auto_selection_button_controller.h"
#include "workflow/clipboard_manager.h"
#include "workflow/selection_reader.h"

#include <QCursor>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <xcb/xtest.h>

namespace tolvane::testing {
namespace {

const QString appProgram = QStringLiteral(CLIPBOARD_TEST_APP);
const QString fieldText = QStringLiteral("hello capsule world");

// Runs xdotool while this process keeps handling its X events, as it would while a user drags.
QString xdotool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The helper's text field in root coordinates. The helper reports the field inside its client window and the
// X server translates the client's origin: `xdotool getwindowgeometry` adds the window manager's frame
// offset a second time for reparented windows, which put every "field" point below the real field.
std::optional<QRect> fieldInRoot(HelperProcess& app, xcb_connection_t* connection, xcb_window_t root) {
    app.send("field");
    const std::optional<QString> line = app.waitForLine(QStringLiteral("FIELD "));
    if (!line)
        return std::nullopt;
    const QStringList parts = line->mid(6).split(QLatin1Char(' '));
    if (parts.size() != 4)
        return std::nullopt;
    auto* origin = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, app.window(), root, 0, 0), nullptr);
    if (!origin)
        return std::nullopt;
    const QRect field(origin->dst_x + parts[0].toInt(), origin->dst_y + parts[1].toInt(), parts[2].toInt(),
                      parts[3].toInt());
    std::free(origin);
    return field;
}

class FixedCapsuleSettings final : public AutoSelectionButtonSettings {
public:
    bool autoSelectionButtonEnabled() const override { return true; }
    void setTranslationStyle(TranslationStyle) override {}
    void flushPendingChanges() override {}
};

class AutoSelectionButtonX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(service.isConnected()) << "needs the test session's X server";
        ASSERT_EQ(input.rawInputStatus(), 0) << "needs XInput 2 raw events";
        controller.start();
        ASSERT_TRUE(controller.isRunning());

        app = std::make_unique<HelperProcess>(appProgram, QStringList{QStringLiteral("edit"), fieldText});
        ASSERT_TRUE(app->isReady());
        windows.activate(app->window());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto front = windows.frontmost();
                return front && front->target.pid == app->pid();
            },
            5000));
        const std::optional<QRect> found = fieldInRoot(*app, service.connection(), service.root());
        service.drainQueued();
        ASSERT_TRUE(found);
        field = *found;
        ASSERT_GT(field.width(), 100);
    }

    int fieldRow() const { return field.center().y(); }

    // What the helper's field has selected: tells a drag that missed the field from a missed notice.
    std::optional<QString> fieldSelection() {
        app->send("selection");
        const std::optional<QString> line = app->waitForLine(QStringLiteral("SELECTION "));
        if (!line)
            return std::nullopt;
        return QString::fromUtf8(QByteArray::fromHex(line->mid(10).toLatin1()));
    }

    // A paced left-button drag as a user makes it: press, a few moves, release. XTest, not xdotool's
    // mousemove, which warps the pointer and so makes no raw motion.
    void fake(uint8_t type, uint8_t detail, QPoint at = {}) {
        xcb_test_fake_input(service.connection(), type, detail, XCB_CURRENT_TIME, service.root(),
                            int16_t(at.x()), int16_t(at.y()), 0);
        xcb_flush(service.connection());
        QTest::qWait(40);
    }
    void drag(QPoint from, QPoint to) {
        fake(XCB_MOTION_NOTIFY, 0, from);
        fake(XCB_BUTTON_PRESS, 1);
        for (int step = 1; step <= 4; ++step)
            fake(XCB_MOTION_NOTIFY, 0, from + (to - from) * step / 4);
        fake(XCB_BUTTON_RELEASE, 1);
    }

    void clickAt(QPoint point, int repeat = 1) {
        xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
        xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
                 QStringLiteral("1")});
    }

    // Longer than the controller's last read attempt, so a capsule that would show has shown.
    static void waitPastLastRead() { QTest::qWait(1500); }

    std::optional<QString> fieldContents() {
        app->send("print");
        const std::optional<QString> line = app->waitForLine(QStringLiteral("TEXT "));
        if (!line)
            return std::nullopt;
        return QString::fromUtf8(QByteArray::fromHex(line->mid(5).toLatin1()));
    }

    X11InputService service;
    X11GlobalInput input{service, SessionKind::x11};
    X11PasteboardBackend pasteboard{service};
    XTestKeyInjector keys{service};
    X11WindowSystem windows{service};
    AtspiAccessibilityBackend accessibility;
    ClipboardManager clipboard{pasteboard, keys, windows, systemClock()};
    PermissionService permissions{currentSession()};
    SelectionReader reader{SelectionReader::Services{clipboard, pasteboard, accessibility, windows,
                                                     permissions, [] { return QCursor::pos(); },
                                                     currentScreenMappings}};
    SelectionOwnerWatch primaryWatch{service, service.atom("PRIMARY")};
    FixedCapsuleSettings settings;
    std::vector<CapturedSelection> translations;
    AutoSelectionButtonController controller{
        AutoSelectionButtonController::Services{input, settings, systemClock(), [] { return true; },
                                                [this] {
                                                    const auto front = windows.frontmost();
                                                    return front && windows.isSelf(*front);
                                                },
                                                [this] { return primaryWatch.foreignChanges(); },
                                                AutoSelectionButtonController::readerFunction(reader),
                                                [] { return QCursor::pos(); }},
        [this](const CapturedSelection& selection) { translations.push_back(selection); }};
    std::unique_ptr<HelperProcess> app;
    QRect field;
};

TEST_F(AutoSelectionButtonX11, DragSelectionShowsCapsuleBesideReleaseAndItsClickTranslatesKeepingFocus) {
    // Right to left across the whole text, released in the field's left padding.
    const QPoint release(field.x() + 3, fieldRow());
    drag({field.right() - 20, fieldRow()}, release);
    EXPECT_EQ(fieldSelection(), fieldText);

    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isCapsuleVisible(); }, 5000));
    ASSERT_TRUE(controller.currentSelection());
    EXPECT_EQ(controller.currentSelection()->text, fieldText);
    EXPECT_EQ(controller.currentSelection()->bounds, QRect(release, QSize(1, 1)));
    // Ten pixels right of the one-pixel release rectangle, vertically centred on it.
    QWidget* panel = controller.panel();
    EXPECT_EQ(panel->geometry().x(), release.x() + 11);
    EXPECT_NEAR(panel->geometry().center().y() + 0.5, release.y() + 0.5, 1.0);
    EXPECT_EQ(panel->size(), AutoSelectionButtonController::capsuleSize);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));

    // A real click on the translate glass at the capsule's left end.
    clickAt(panel->geometry().topLeft() + QPoint(19, 19));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !translations.empty(); }, 5000));
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations.front().text, fieldText);
    EXPECT_FALSE(controller.isCapsuleVisible());

    // The capsule never took the focus: the other application is still frontmost, and a typed key replaces
    // its still-selected text.
    const auto front = windows.frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->target.pid, app->pid());
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    xdotool({QStringLiteral("type"), QStringLiteral("z")});
    ASSERT_TRUE(app->waitForLine(QStringLiteral("KEY ")));
    EXPECT_EQ(fieldContents(), QStringLiteral("z"));
}

TEST_F(AutoSelectionButtonX11, ClicksWithoutADragNeverShowTheCapsule) {
    const QPoint inField(field.x() + 40, fieldRow());
    clickAt(inField);
    waitPastLastRead();
    EXPECT_FALSE(controller.isCapsuleVisible());

    // A double click selects a word and claims PRIMARY, but the pointer never moved while down.
    const quint64 changesBefore = primaryWatch.foreignChanges();
    clickAt(inField, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return primaryWatch.foreignChanges() > changesBefore; }, 3000));
    waitPastLastRead();
    EXPECT_FALSE(controller.isCapsuleVisible());
    EXPECT_TRUE(translations.empty());

    // A drag that starts a new selection still offers the capsule afterwards.
    drag({field.right() - 20, fieldRow()}, {field.x() + 3, fieldRow()});
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller.isCapsuleVisible(); }, 5000));

    // A press elsewhere (the capsule covers the field's left end) hides it again.
    clickAt({field.right() - 40, fieldRow()});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller.isCapsuleVisible(); }, 3000));
}

} // namespace
} // namespace tolvane::testing

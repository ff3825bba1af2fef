// The selection capsule against a real X server: real mouse drags made with xdotool in another process's
// text field, the raw XInput stream, the PRIMARY owner watch and the real selection reader.
#include "helper_process.h"
#include "platform/session_info.h"
#include "platform/x11/selection_owner_watch.h"
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_keymap.h"
#include "real_desktop.h"
#include "workflow/auto_selection_button_controller.h"
#include "xtest_pointer.h"

#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <X11/keysym.h>

namespace tolvane::testing {
namespace {

const QString appProgram = QStringLiteral(CLIPBOARD_TEST_APP);
const QString fieldText = QStringLiteral("hello capsule world");

// Records the capsule's settings calls in `log`, next to the translations the fixture records there.
class RecordingCapsuleSettings final : public AutoSelectionButtonSettings {
public:
    explicit RecordingCapsuleSettings(QStringList& log) : m_log(log) {}
    bool autoSelectionButtonEnabled() const override { return true; }
    void setTranslationStyle(TranslationStyle style) override {
        m_log.append(QStringLiteral("style ") + rawValue(style));
    }
    void flushPendingChanges() override { m_log.append(QStringLiteral("flush")); }

private:
    QStringList& m_log;
};

class AutoSelectionButtonX11 : public ::testing::Test, protected RealDesktop {
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
        const std::optional<QRect> found = fieldInRoot(*app, service);
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

    // Selects the whole field text right to left, released in the field's left padding.
    QPoint dragSelectField(const std::function<void()>& beforeRelease = {},
                           const std::function<void()>& afterRelease = {}) {
        return pointer.dragSelect(field, beforeRelease, afterRelease);
    }
    bool waitForCapsule() {
        // Generous: the selection is read on a schedule and the capsule mapped, each slow on a busy machine.
        return QTest::qWaitFor([&] { return controller.isCapsuleVisible(); }, 30000);
    }
    // The other application still has the keyboard: a typed key replaces its selected text.
    void expectFocusStayedWithHelper() {
        const auto front = windows.frontmost();
        ASSERT_TRUE(front);
        EXPECT_EQ(front->target.pid, app->pid());
        xdotool({QStringLiteral("type"), QStringLiteral("z")});
        ASSERT_TRUE(app->waitForLine(QStringLiteral("KEY ")));
        EXPECT_EQ(fieldContents(), QStringLiteral("z"));
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

    XTestPointer pointer{service};
    X11GlobalInput input{service, SessionKind::x11};
    SelectionOwnerWatch primaryWatch{service, service.atom("PRIMARY")};
    QStringList log;
    RecordingCapsuleSettings settings{log};
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
        [this](const CapturedSelection& selection) {
            translations.push_back(selection);
            log.append(QStringLiteral("translate"));
        }};
    std::unique_ptr<HelperProcess> app;
    QRect field;
};

TEST_F(AutoSelectionButtonX11, DragSelectionShowsCapsuleBesideReleaseAndItsClickTranslatesKeepingFocus) {
    const QPoint release = dragSelectField();
    EXPECT_EQ(fieldSelection(), fieldText);
    ASSERT_TRUE(waitForCapsule());
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

    // The capsule never took the focus.
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    expectFocusStayedWithHelper();
}

TEST_F(AutoSelectionButtonX11, StyleMenuOffersEveryStyleAndAChoiceTranslatesWithItKeepingFocus) {
    dragSelectField();
    ASSERT_TRUE(waitForCapsule());
    QWidget* panel = controller.panel();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));

    // A real click on the "•••" area opens the style menu below it.
    clickAt(panel->geometry().topLeft() + QPoint(64, 19));
    QMenu* menu = controller.styleMenu();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 3000));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
    QStringList entries;
    for (QAction* action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries,
              (QStringList{QStringLiteral("直译"), QStringLiteral("润色"), QStringLiteral("技术文档"),
                           QStringLiteral("邮件语气"), QStringLiteral("-"), QStringLiteral("隐藏")}));
    EXPECT_TRUE(controller.isCapsuleVisible());
    EXPECT_TRUE(translations.empty());

    QAction* technical = menu->actions().at(2);
    clickAt(menu->mapToGlobal(menu->actionGeometry(technical).center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !translations.empty(); }, 5000));
    // The style reaches the settings, and their pending notifications run, before the translation starts.
    EXPECT_EQ(log, (QStringList{QStringLiteral("style technical"), QStringLiteral("flush"),
                                QStringLiteral("translate")}));
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations.front().text, fieldText);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible() && !controller.isCapsuleVisible(); }, 3000));

    // The menu grabbed keyboard and pointer while open, but the X focus never left the other application.
    expectFocusStayedWithHelper();
}

TEST_F(AutoSelectionButtonX11, DraggingTheCapsuleMovesItAndNeverTranslates) {
    dragSelectField();
    ASSERT_TRUE(waitForCapsule());
    QWidget* panel = controller.panel();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
    const QPoint before = panel->pos();

    // Pressed on the glass and moved 60 px down-right in steps: the capsule follows the pointer exactly
    // and the release is no click.
    const QPoint grip = before + QPoint(19, 19);
    pointer.drag(grip, grip + QPoint(60, 40));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->pos() == before + QPoint(60, 40); }, 3000))
        << "at " << panel->pos().x() << "," << panel->pos().y();
    EXPECT_TRUE(controller.isCapsuleVisible());
    QTest::qWait(200);
    EXPECT_TRUE(translations.empty());

    // The moved capsule still works where it now is.
    clickAt(panel->geometry().topLeft() + QPoint(19, 19));
    ASSERT_TRUE(QTest::qWaitFor([&] { return translations.size() == 1; }, 5000));
    EXPECT_EQ(translations.front().text, fieldText);
}

TEST_F(AutoSelectionButtonX11, HidesOnKeyPressAndOnPressesElsewhereAndPendingReadsDie) {
    // A key press hides the capsule (modifier keys alone are no key presses: Shift may extend a selection).
    dragSelectField();
    ASSERT_TRUE(waitForCapsule());
    xdotool({QStringLiteral("key"), QStringLiteral("Right")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller.isCapsuleVisible(); }, 3000));

    // A right press outside the capsule hides it as well.
    dragSelectField();
    ASSERT_TRUE(waitForCapsule());
    xdotool({QStringLiteral("mousemove"), QString::number(field.right() - 40), QString::number(fieldRow())});
    xdotool({QStringLiteral("click"), QStringLiteral("3")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller.isCapsuleVisible(); }, 3000));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")}); // closes the field's context menu

    // A key pressed right after the drag, before the first read, cancels the reads: the capsule never
    // shows although PRIMARY changed.
    const std::optional<xcb_keycode_t> right = X11Keymap::read(service.connection()).keycodeFor(XK_Right);
    ASSERT_TRUE(right);
    const quint64 changesBefore = primaryWatch.foreignChanges();
    dragSelectField({}, [&] {
        pointer.fakeNow(XCB_KEY_PRESS, *right);
        pointer.fakeNow(XCB_KEY_RELEASE, *right);
    });
    waitPastLastRead();
    EXPECT_GT(primaryWatch.foreignChanges(), changesBefore);
    EXPECT_FALSE(controller.isCapsuleVisible());
    EXPECT_TRUE(translations.empty());
}

TEST_F(AutoSelectionButtonX11, ClicksAndDragsWithoutANewSelectionNeverOfferOne) {
    const QPoint inField(field.x() + 40, fieldRow());
    clickAt(inField);
    waitPastLastRead();
    EXPECT_FALSE(controller.isCapsuleVisible());

    // A double click selects a word and claims PRIMARY, but the pointer never moved while down. Both
    // watches on the service window see the helper as the owner.
    const quint64 changesBefore = primaryWatch.foreignChanges();
    clickAt(inField, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return primaryWatch.foreignChanges() > changesBefore; }, 3000));
    EXPECT_EQ(primaryWatch.ownerPid(), app->pid());
    EXPECT_EQ(pasteboard.ownerPid(DesktopSelection::primary), app->pid());
    waitPastLastRead();
    EXPECT_FALSE(controller.isCapsuleVisible());

    // A drag over the helper's window background selects nothing new and keeps it in front; PRIMARY still
    // holds the old word, readable from the frontmost application, but it is not offered. (A drag on the
    // desktop would not tell: the window manager then leaves no application in front.)
    const QPoint background(field.x() + 20, field.y() - 25);
    pointer.drag(background, background + QPoint(200, 0));
    const auto front = windows.frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->target.pid, app->pid());
    waitPastLastRead();
    EXPECT_FALSE(controller.isCapsuleVisible());
    EXPECT_TRUE(translations.empty());

    // A drag that starts a new selection still offers the capsule afterwards.
    dragSelectField();
    EXPECT_TRUE(waitForCapsule());
}

} // namespace
} // namespace tolvane::testing

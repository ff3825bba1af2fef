// The shortcuts page inside the real delegate on the test session's desktop, driven by xdotool: a
// recorded chord is stored and registered, refused chords show why, and the keyboard grab the recorder
// holds while recording is released on every way out.
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/main_window_controller.h"
#include "model/app_settings.h"
#include "settings/settings_view.h"
#include "settings/shortcut_settings_row.h"
#include "settings/shortcuts_settings_page.h"
#include "support/image_probes.h"
#include "support/x11_rival_client.h"
#include "support/x11_tools.h"
#include "ui/menu_shortcut_warning.h"
#include "ui/shortcut_recorder_keys.h"
#include "ui/theme.h"

#include "../app/desktop_delegate.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

constexpr uint8_t ctrlAlt = modControl | modAlt;

class ShortcutRecorderX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        useHome(environment, home);
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11),
                                       AppFactories{.settingsContent = SettingsView::factory()});
        delegate->settings().defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        ASSERT_TRUE(startUntilFinished(*delegate));
        hideMainWindow();
        delegate->presentSettings();
        window = delegate->hostedWindow(QStringLiteral("settings"));
        ASSERT_NE(window, nullptr);
        view = window->findChild<SettingsView*>();
        view->selectPage(SettingsPage::shortcuts);
        page = static_cast<ShortcutsSettingsPage*>(view->page(SettingsPage::shortcuts));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_TRUE(activateSettings());
    }
    void TearDown() override { delegate.reset(); }

    void hideMainWindow() {
        if (mainWindowShown())
            delegate->mainWindowController()->window()->hide();
    }
    bool activateSettings() {
        return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                        QString::number(window->winId())}) &&
               QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000);
    }
    ShortcutRecorderView* recorder(ShortcutAction action) const { return page->row(action)->recorder(); }
    // Clicks the recorder and waits until it records and holds the keyboard.
    bool startRecording(ShortcutAction action) {
        recorder(action)->recorderButton()->click();
        return QTest::qWaitFor([&] { return recorder(action)->isRecording(); }, 10000) &&
               QTest::qWaitFor([&] { return RivalClient().grabKeyboard() != XCB_GRAB_STATUS_SUCCESS; },
                               10000);
    }
    // Presses a chord without waiting for xdotool, so this process's loop keeps running.
    QProcess* press(const QString& keys) {
        auto* tool = new QProcess(window);
        tool->start(QStringLiteral("xdotool"),
                    {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
        return tool;
    }
    // Until xdotool has released every key it pressed, so the next chord starts from no modifier.
    static bool released(QProcess* tool) {
        return QTest::qWaitFor([&] { return tool->state() == QProcess::NotRunning; }, 10000);
    }
    bool stoppedAndReleased(ShortcutAction action) {
        return QTest::qWaitFor([&] { return !recorder(action)->isRecording(); }, 10000) &&
               QTest::qWaitFor([&] { return RivalClient().grabKeyboard() == XCB_GRAB_STATUS_SUCCESS; },
                               10000);
    }
    QString error(ShortcutAction action) const { return page->row(action)->errorText(); }
    bool mainWindowShown() const {
        return delegate->mainWindowController() && delegate->mainWindowController()->window() &&
               delegate->mainWindowController()->window()->isVisible();
    }

    QTemporaryDir home;
    ScopedEnvironment environment;
    std::unique_ptr<AppDelegate> delegate;
    QWidget* window = nullptr;
    SettingsView* view = nullptr;
    ShortcutsSettingsPage* page = nullptr;
};

TEST_F(ShortcutRecorderX11, RecordsRegistersRefusesAndAlwaysReleasesTheGrab) {
    constexpr auto translate = ShortcutAction::translateSelection;
    AppSettings& settings = delegate->settings();

    // A chord another client grabs passively reaches the recorder, not the rival, and is refused.
    {
        RivalClient rival;
        ASSERT_EQ(rival.grab({XK_k, ctrlAlt}), 0);
        ASSERT_TRUE(startRecording(translate));
        press(QStringLiteral("ctrl+alt+k"));
        ASSERT_TRUE(stoppedAndReleased(translate));
        EXPECT_TRUE(error(translate).endsWith(QStringLiteral("（错误 10）。")))
            << error(translate).toStdString();
        EXPECT_FALSE(rival.sawKeyPress());
        EXPECT_EQ(settings.shortcuts().shortcut(translate)->keyCode, 17u);
    }

    // A new chord is stored and registered at once; the old default is free again.
    ASSERT_TRUE(startRecording(translate));
    press(QStringLiteral("ctrl+alt+y"));
    ASSERT_TRUE(stoppedAndReleased(translate));
    EXPECT_EQ(settings.shortcuts().shortcut(translate), (AppShortcut{16, ShortcutModifiers(10), "y", 1}));
    EXPECT_TRUE(error(translate).isEmpty()) << error(translate).toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return RivalClient().grab({XK_y, ctrlAlt}) == 10;
        },
        10000))
        << "Ctrl+Alt+Y is ours now";
    EXPECT_EQ(RivalClient().grab({XK_t, ctrlAlt}), 0) << "Ctrl+Alt+T is free";

    // Our own Ctrl+Alt+O is paused while recording: it records (and conflicts) instead of opening anything.
    ASSERT_TRUE(startRecording(translate));
    press(QStringLiteral("ctrl+alt+o"));
    ASSERT_TRUE(stoppedAndReleased(translate));
    EXPECT_EQ(error(translate), QStringLiteral("与“打开翻译窗口”的快捷键冲突，请先修改其中一个。"));
    QTest::qWait(300);
    EXPECT_FALSE(mainWindowShown());

    // Escape cancels; afterwards Ctrl+Alt+O opens the main window again.
    ASSERT_TRUE(startRecording(translate));
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(stoppedAndReleased(translate));
    press(QStringLiteral("ctrl+alt+o"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return mainWindowShown(); }, 10000));
    hideMainWindow();
    ASSERT_TRUE(activateSettings());

    // Alt+Tab is a key like any other while recording: no window switch.
    ASSERT_TRUE(startRecording(translate));
    press(QStringLiteral("alt+Tab"));
    ASSERT_TRUE(stoppedAndReleased(translate));
    QTest::qWait(300);
    EXPECT_TRUE(window->isActiveWindow());

    // Idle, a chord typed into the focused recorder records nothing and says nothing; Shift+Tab moves
    // focus away.
    QPushButton* button = recorder(translate)->recorderButton();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }, 5000));
    const ShortcutConfiguration before = settings.shortcuts();
    const QString errorBefore = error(translate);
    ASSERT_TRUE(released(press(QStringLiteral("ctrl+alt+j"))));
    press(QStringLiteral("shift+Tab"));
    // The chord came before the Tab, so it has been handled once the focus moved.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button->hasFocus(); }, 10000));
    EXPECT_FALSE(recorder(translate)->isRecording());
    EXPECT_EQ(settings.shortcuts(), before);
    EXPECT_EQ(error(translate), errorBefore);

    // A second click, and hiding the window, end recording too.
    ASSERT_TRUE(startRecording(translate));
    recorder(translate)->recorderButton()->click();
    ASSERT_TRUE(stoppedAndReleased(translate));
    ASSERT_TRUE(startRecording(translate));
    window->hide();
    EXPECT_TRUE(stoppedAndReleased(translate));
}

// Chords whose only modifier is Ctrl or Shift (or Ctrl+Shift on a key editors or terminals use, Alt alone on
// a key browsers, shells and window managers use, Ctrl+Alt+Delete) belong to every other application: each
// is refused on its row, stored nowhere and never grabbed.
TEST_F(ShortcutRecorderX11, CtrlChordsOtherApplicationsUseAreRefusedAndStayFree) {
    constexpr auto translate = ShortcutAction::translateSelection;
    AppSettings& settings = delegate->settings();
    const ShortcutConfiguration before = settings.shortcuts();
    const struct {
        const char* keys;
        KeyChord chord;
        QString message;
    } chords[] = {
        {"ctrl+BackSpace", {XK_BackSpace, modControl}, editingShortcutWarning},
        {"ctrl+Left", {XK_Left, modControl}, editingShortcutWarning},
        {"ctrl+End", {XK_End, modControl}, editingShortcutWarning},
        {"ctrl+Delete", {XK_Delete, modControl}, editingShortcutWarning},
        {"ctrl+Home", {XK_Home, modControl}, editingShortcutWarning},
        {"ctrl+shift+Right", {XK_Right, modControl | modShift}, editingShortcutWarning},
        {"ctrl+F5", {XK_F5, modControl}, menuShortcutWarning},
        {"shift+Left", {XK_Left, modShift}, shiftShortcutWarning},
        {"shift+Insert", {XK_Insert, modShift}, shiftShortcutWarning},
        {"shift+End", {XK_End, modShift}, shiftShortcutWarning},
        {"alt+Left", {XK_Left, modAlt}, altShortcutWarning},
        {"alt+f", {XK_f, modAlt}, altShortcutWarning},
        {"ctrl+shift+v", {XK_v, modControl | modShift}, terminalClipboardShortcutWarning},
        {"ctrl+shift+c", {XK_c, modControl | modShift}, terminalClipboardShortcutWarning},
        {"alt+1", {XK_1, modAlt}, altDigitShortcutWarning},
        {"alt+9", {XK_9, modAlt}, altDigitShortcutWarning},
        {"alt+period", {XK_period, modAlt}, lastArgumentShortcutWarning},
        {"alt+F2", {XK_F2, modAlt}, desktopFunctionKeyShortcutWarning},
        {"ctrl+alt+Delete", {XK_Delete, ctrlAlt}, logOutShortcutWarning},
        {"ctrl+alt+BackSpace", {XK_BackSpace, ctrlAlt}, endSessionShortcutWarning},
    };
    for (const auto& c : chords) {
        SCOPED_TRACE(c.keys);
        ASSERT_TRUE(startRecording(translate));
        QProcess* tool = press(QLatin1String(c.keys));
        ASSERT_TRUE(stoppedAndReleased(translate)) << error(translate).toStdString();
        ASSERT_TRUE(released(tool));
        EXPECT_EQ(error(translate), c.message);
        EXPECT_EQ(settings.shortcuts(), before);
        EXPECT_EQ(RivalClient().grab(c.chord), 0) << "nothing of ours holds the chord";
    }

    // The row's clear button is drawn in the muted grey, not the lighter text grey.
    QToolButton* clear = recorder(translate)->clearButton();
    ASSERT_TRUE(clear->isEnabled());
    const QImage cross = clear->grab().toImage();
    EXPECT_LE(closestDistance(cross, cross.rect(), Theme::color797168()), 8);
    EXPECT_GT(closestDistance(cross, cross.rect(), Theme::colorB6AEA2()), 24);
}

// A chord stored before it was refused stays stored and grabbed, since it is the user's; its row says that
// other programs use it while nothing else is to be said there, and no longer once another chord replaces it.
TEST_F(ShortcutRecorderX11, AStoredChordOtherProgramsUseStaysAndItsRowSaysSo) {
    constexpr auto translate = ShortcutAction::translateSelection;
    constexpr auto screenshot = ShortcutAction::screenshotTranslation;
    AppSettings& settings = delegate->settings();
    const AppShortcut ctrlShiftV{9, ShortcutModifiers(12), "v", 1};
    settings.setShortcut(ctrlShiftV, translate);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return RivalClient().grab({XK_v, modControl | modShift}) == 10;
        },
        10000))
        << "registered as stored";
    EXPECT_TRUE(error(translate).startsWith(QStringLiteral("其他程序也使用这个组合键")))
        << error(translate).toStdString();
    EXPECT_TRUE(error(translate).contains(terminalClipboardShortcutWarning))
        << error(translate).toStdString();
    EXPECT_EQ(settings.shortcuts().shortcut(translate), ctrlShiftV);

    // A chord another client holds cannot be grabbed: the registration error is what its row says.
    RivalClient rival;
    ASSERT_EQ(rival.grab({XK_c, modControl | modShift}), 0);
    settings.setShortcut(AppShortcut{8, ShortcutModifiers(12), "c", 1}, screenshot);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return error(screenshot).endsWith(QStringLiteral("（错误 10）。")); }, 10000))
        << error(screenshot).toStdString();

    ASSERT_TRUE(startRecording(translate));
    press(QStringLiteral("ctrl+alt+y"));
    ASSERT_TRUE(stoppedAndReleased(translate));
    EXPECT_EQ(settings.shortcuts().shortcut(translate), (AppShortcut{16, ShortcutModifiers(10), "y", 1}));
    EXPECT_TRUE(error(translate).isEmpty()) << error(translate).toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return RivalClient().grab({XK_v, modControl | modShift}) == 0;
        },
        10000))
        << "Ctrl+Shift+V is free again";
}

// As a Wayland session tells the application: the recorder says why no global shortcut can work there
// instead of calling each key unusable, and stores nothing.
class ShortcutRecorderWayland : public ShortcutRecorderX11 {
protected:
    void SetUp() override {
        // Before anything reads the session: the process's session is read once.
        waylandEnvironment.set("WAYLAND_DISPLAY", "wayland-0");
        ShortcutRecorderX11::SetUp();
    }
    ScopedEnvironment waylandEnvironment;
};

TEST_F(ShortcutRecorderWayland, EveryChordSaysThatGlobalShortcutsAreUnavailable) {
    constexpr auto translate = ShortcutAction::translateSelection;
    const ShortcutConfiguration before = delegate->settings().shortcuts();
    for (const char* keys : {"ctrl+alt+y", "F5"}) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(startRecording(translate));
        ASSERT_TRUE(released(press(QLatin1String(keys))));
        EXPECT_TRUE(QTest::qWaitFor([&] { return error(translate) == recorderWaylandMessage; }, 10000))
            << error(translate).toStdString();
        EXPECT_TRUE(recorder(translate)->isRecording()) << "the recorder waits for Escape";
        press(QStringLiteral("Escape"));
        ASSERT_TRUE(stoppedAndReleased(translate));
    }
    EXPECT_EQ(delegate->settings().shortcuts(), before);
}

} // namespace
} // namespace tolvane::testing

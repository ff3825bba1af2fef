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
#include "support/x11_rival_client.h"
#include "support/x11_tools.h"

#include "../app/desktop_delegate.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
        delegate->start();
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
    void press(const QString& keys) {
        auto* tool = new QProcess(window);
        tool->start(QStringLiteral("xdotool"),
                    {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
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

    // Idle, Shift+Tab moves focus away from the recorder and records nothing.
    QPushButton* button = recorder(translate)->recorderButton();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }, 5000));
    const ShortcutConfiguration before = settings.shortcuts();
    press(QStringLiteral("shift+Tab"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button->hasFocus(); }, 10000));
    EXPECT_EQ(settings.shortcuts(), before);

    // A second click, and hiding the window, end recording too.
    ASSERT_TRUE(startRecording(translate));
    recorder(translate)->recorderButton()->click();
    ASSERT_TRUE(stoppedAndReleased(translate));
    ASSERT_TRUE(startRecording(translate));
    window->hide();
    EXPECT_TRUE(stoppedAndReleased(translate));
}

} // namespace
} // namespace tolvane::testing

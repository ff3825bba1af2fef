// A settings file that cannot be written (a file in the settings folder's place, or a disk that takes no more
// bytes), with the delegate in process on the test session's desktop: every change made in the settings
// window or the main window is undone and told there, and a new start still reads the stored value.
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/main_window_controller.h"
#include "model/app_settings.h"
#include "settings/settings_view.h"
#include "support/full_disk.h"
#include "support/in_sight.h"
#include "support/x11_tools.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/settings_switch.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/main_translate_view.h"
#include "workspace/premium_selector.h"
#include "workspace/rail_button.h"
#include "workspace/tool_rail.h"
#include "workspace/workspace_controls.h"

#include "../app/desktop_delegate.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

class SettingsNotStored : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        useHome(environment, home);
    }
    void TearDown() override { delegate.reset(); }

    // A file where the settings folder belongs: nothing can be written under it, by root neither.
    void blockSettingsFolder() {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        ASSERT_TRUE(config.startsWith(home.path()));
        QDir().mkpath(config);
        QFile blocker(config + QStringLiteral("/Tolvane"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
    }

    void start() {
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11),
                                       AppFactories{.mainContent = MainTranslateView::factory(),
                                                    .settingsContent = SettingsView::factory()});
        delegate->settings().defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        ASSERT_TRUE(startUntilFinished(*delegate));
    }
    static bool activate(QWidget* window) {
        return QTest::qWaitForWindowExposed(window, 60000) &&
               xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                        QString::number(window->winId())}) &&
               QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000);
    }
    static SettingsSwitch* switchNamed(QWidget* root, const QString& name) {
        for (auto* toggle : root->findChildren<SettingsSwitch*>())
            if (toggle->accessibleName() == name)
                return toggle;
        return nullptr;
    }

    SettingsView* showSettingsPage(SettingsPage page) {
        delegate->presentSettings();
        QWidget* window = delegate->hostedWindow(QStringLiteral("settings"));
        auto* view = window ? window->findChild<SettingsView*>() : nullptr;
        if (!view)
            return nullptr;
        view->selectPage(page);
        return activate(window) ? view : nullptr;
    }
    QWidget* showMainWindow() {
        delegate->presentMainWindow();
        QWidget* main = delegate->mainWindowController()->window();
        return activate(main) ? main : nullptr;
    }

    // Five changes while the settings file takes none: two switches in the settings window, the main
    // window's target language twice, the first switch again. Each is undone where it shows (the settings
    // window's picker included) and told in the window that made it.
    void expectEveryChangeUndoneAndTold() {
        AppSettings& settings = delegate->settings();
        const bool typing = settings.autoTranslateWhileTyping();
        const bool copying = settings.autoCopyResult();
        const QString target = settings.targetLanguage();
        // Out of the way, so it cannot take the focus back from the settings window.
        delegate->mainWindowController()->window()->hide();
        SettingsView* view = showSettingsPage(SettingsPage::general);
        ASSERT_NE(view, nullptr);
        SettingsSwitch* typingSwitch = switchNamed(view, QStringLiteral("输入停止后自动翻译"));
        SettingsSwitch* copySwitch = switchNamed(view, QStringLiteral("翻译完成后自动复制译文"));
        ASSERT_TRUE(typingSwitch && copySwitch);
        for (SettingsSwitch* toggle : {typingSwitch, copySwitch}) {
            view->setStatus(QString());
            const bool shown = toggle->isChecked();
            toggle->click();
            EXPECT_EQ(toggle->isChecked(), shown) << toggle->accessibleName().toStdString();
            EXPECT_EQ(view->statusMessage(), settingsNotStoredText())
                << toggle->accessibleName().toStdString();
        }

        QWidget* main = showMainWindow();
        ASSERT_NE(main, nullptr);
        PremiumSelector* targetSelector = main->findChild<MainTranslateView*>()->controls()->targetSelector();
        for (const QString& other : {QStringLiteral("ja"), QStringLiteral("fr")}) {
            delegate->workflow().setStatus(WorkflowStatus());
            targetSelector->choose(other);
            EXPECT_EQ(settings.targetLanguage(), target) << other.toStdString();
            EXPECT_EQ(targetSelector->title(), workspaceLanguageName(target)) << other.toStdString();
            EXPECT_EQ(delegate->workflow().status(), WorkflowStatus::failed(settingsNotStoredText()))
                << other.toStdString();
        }

        main->hide();
        view = showSettingsPage(SettingsPage::translation);
        ASSERT_NE(view, nullptr);
        QComboBox* targetPicker = nullptr;
        for (auto* picker : view->findChildren<QComboBox*>())
            if (picker->accessibleName() == QStringLiteral("目标语言") && picker->isVisible())
                targetPicker = picker;
        ASSERT_NE(targetPicker, nullptr);
        EXPECT_EQ(targetPicker->currentData().toString(), target);

        view = showSettingsPage(SettingsPage::general);
        ASSERT_NE(view, nullptr);
        view->setStatus(QString());
        typingSwitch = switchNamed(view, QStringLiteral("输入停止后自动翻译"));
        ASSERT_NE(typingSwitch, nullptr);
        typingSwitch->click();
        EXPECT_EQ(typingSwitch->isChecked(), typing);
        EXPECT_EQ(view->statusMessage(), settingsNotStoredText());

        EXPECT_EQ(settings.autoTranslateWhileTyping(), typing);
        EXPECT_EQ(settings.autoCopyResult(), copying);
    }

    QTemporaryDir home;
    ScopedEnvironment environment;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsNotStored, AChangeThatCannotBeStoredIsUndoneAndToldInTheWindowThatMadeIt) {
    blockSettingsFolder();
    start();
    ASSERT_TRUE(delegate->settings().autoTranslateWhileTyping());
    // Out of the way, so it cannot take the focus back from the settings window.
    QWidget* main = delegate->mainWindowController()->window();
    main->hide();
    delegate->presentSettings();
    QWidget* window = delegate->hostedWindow(QStringLiteral("settings"));
    ASSERT_NE(window, nullptr);
    auto* view = window->findChild<SettingsView*>();
    view->selectPage(SettingsPage::general);
    SettingsSwitch* typing = switchNamed(view, QStringLiteral("输入停止后自动翻译"));
    ASSERT_NE(typing, nullptr);
    ASSERT_TRUE(activate(window));
    // The switch is where the user sees it, with the keys on it.
    window->findChild<QScrollArea*>()->ensureWidgetVisible(typing);
    typing->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(wholeInSight(typing));

    QTest::keyClick(typing, Qt::Key_Space);
    EXPECT_TRUE(typing->isChecked()) << "the switch shows the stored value again";
    EXPECT_TRUE(delegate->settings().autoTranslateWhileTyping());
    EXPECT_EQ(view->statusMessage(), settingsNotStoredText());
    // Why is said in sight, whole, without moving the switch out of it.
    QLabel* said = nullptr;
    for (QLabel* label : view->findChildren<QLabel*>())
        if (label->text() == settingsNotStoredText())
            said = label;
    ASSERT_NE(said, nullptr);
    EXPECT_TRUE(wholeInSight(said) && showsAllText(said)) << said->mapTo(window, QPoint()).y();
    EXPECT_TRUE(wholeInSight(typing));
    EXPECT_NE(delegate->workflow().status().kind(), WorkflowStatus::Kind::failed) << "told where it was made";

    // The main window's rail changes a setting the same way; it is told there, not in the settings window.
    view->setStatus(QString());
    delegate->presentMainWindow();
    ASSERT_TRUE(activate(main));
    ToolRail* rail = main->findChild<ToolRail*>();
    ASSERT_NE(rail, nullptr);
    const bool selectionButton = delegate->settings().autoSelectionButtonEnabled();
    rail->autoSelectionButton()->click();
    EXPECT_EQ(delegate->settings().autoSelectionButtonEnabled(), selectionButton);
    EXPECT_EQ(delegate->workflow().status(), WorkflowStatus::failed(settingsNotStoredText()));
    EXPECT_TRUE(view->statusMessage().isEmpty());

    // A new start reads what is stored: nothing changed.
    delegate.reset();
    start();
    EXPECT_TRUE(delegate->settings().autoTranslateWhileTyping());
    EXPECT_EQ(delegate->settings().autoSelectionButtonEnabled(), selectionButton);
}

// The notice holds only while changes cannot be stored: the next change that is stored takes it away, and
// leaves any other words of the status line alone.
TEST_F(SettingsNotStored, TheNoticeGoesOnceALaterChangeIsStored) {
    blockSettingsFolder();
    start();
    delegate->mainWindowController()->window()->hide();
    SettingsView* view = showSettingsPage(SettingsPage::general);
    ASSERT_NE(view, nullptr);
    SettingsSwitch* typing = switchNamed(view, QStringLiteral("输入停止后自动翻译"));
    SettingsSwitch* copying = switchNamed(view, QStringLiteral("翻译完成后自动复制译文"));
    ASSERT_TRUE(typing && copying);
    const bool typingStored = typing->isChecked();
    typing->click();
    ASSERT_EQ(view->statusMessage(), settingsNotStoredText());

    // The folder writable again: the next change is stored, whichever switch makes it.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(QFile::remove(config + QStringLiteral("/Tolvane")));
    copying->click();
    EXPECT_EQ(delegate->settings().autoCopyResult(), copying->isChecked());
    EXPECT_TRUE(view->statusMessage().isEmpty()) << view->statusMessage().toStdString();
    for (QLabel* label : view->findChildren<QLabel*>())
        EXPECT_FALSE(label->isVisible() && label->text() == settingsNotStoredText());

    // Other words stay when a change is stored.
    view->setStatus(QStringLiteral("已清除 OCR 区域记忆；下次截图会重新框选。"));
    typing->click();
    EXPECT_EQ(typing->isChecked(), !typingStored);
    EXPECT_EQ(view->statusMessage(), QStringLiteral("已清除 OCR 区域记忆；下次截图会重新框选。"));
}

TEST_F(SettingsNotStored, OnADiskFullFromTheStartEveryChangeIsUndoneAndTold) {
    {
        FileSizeLimit full(0);
        ASSERT_TRUE(full.isApplied());
        start();
        expectEveryChangeUndoneAndTold();
        delegate.reset();
    }
    start();
    EXPECT_TRUE(delegate->settings().autoTranslateWhileTyping());
    EXPECT_FALSE(delegate->settings().autoCopyResult());
    EXPECT_EQ(delegate->settings().targetLanguage(), QStringLiteral("zh-Hans"));
}

TEST_F(SettingsNotStored, OnADiskThatFillsAfterAGoodWriteEveryLaterChangeIsUndoneAndTold) {
    start();
    delegate->settings().setTargetLanguage(QStringLiteral("de"));
    ASSERT_EQ(delegate->settings().targetLanguage(), QStringLiteral("de"));
    {
        FileSizeLimit full(0);
        ASSERT_TRUE(full.isApplied());
        expectEveryChangeUndoneAndTold();
        delegate.reset();
    }
    start();
    EXPECT_EQ(delegate->settings().targetLanguage(), QStringLiteral("de"));
    EXPECT_TRUE(delegate->settings().autoTranslateWhileTyping());
    EXPECT_FALSE(delegate->settings().autoCopyResult());
}

} // namespace
} // namespace tolvane::testing

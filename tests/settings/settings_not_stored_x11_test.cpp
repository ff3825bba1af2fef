// A settings file that cannot be written, with the delegate in process on the test session's desktop: a
// change made in the settings window or the main window is undone and told there, and a new start still
// reads the stored value.
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/main_window_controller.h"
#include "model/app_settings.h"
#include "settings/settings_view.h"
#include "support/x11_tools.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/settings_switch.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/main_translate_view.h"
#include "workspace/rail_button.h"
#include "workspace/tool_rail.h"

#include "../app/desktop_delegate.h"

#include <QFile>
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
        // A file where the settings folder belongs: nothing can be written under it, by root neither.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        ASSERT_TRUE(config.startsWith(home.path()));
        QDir().mkpath(config);
        QFile blocker(config + QStringLiteral("/Tolvane"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        start();
    }
    void TearDown() override { delegate.reset(); }

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

    QTemporaryDir home;
    ScopedEnvironment environment;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsNotStored, AChangeThatCannotBeStoredIsUndoneAndToldInTheWindowThatMadeIt) {
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

    typing->click();
    EXPECT_TRUE(typing->isChecked()) << "the switch shows the stored value again";
    EXPECT_TRUE(delegate->settings().autoTranslateWhileTyping());
    EXPECT_EQ(view->statusMessage(), settingsNotStoredText());
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

} // namespace
} // namespace tolvane::testing

// The guide's view over in-memory settings: step navigation by buttons and keys, the permission rows and
// summary following the session, and the workflow step's error line.
#include "core/clock.h"
#include "model/app_settings.h"
#include "onboarding/onboarding_view.h"
#include "onboarding/permissions_step.h"
#include "onboarding/step_dots.h"
#include "onboarding/welcome_step.h"
#include "onboarding/workflow_step.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/permission_service.h"
#include "support/control_wiring.h"
#include "ui/icon_provider.h"
#include "ui/permission_refresh_ticker.h"
#include "ui/settings_switch.h"
#include "ui/shortcut_recorder_view.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

class OnboardingViewTest : public ::testing::Test {
protected:
    OnboardingViewTest() {
        context.settings = &settings;
        context.permissions = [this]() -> const PermissionService& { return *permissions; };
        context.onFinish = [this] { ++finished; };
    }

    std::unique_ptr<OnboardingView> makeView(int step) {
        context.step = step;
        auto view = std::make_unique<OnboardingView>(context);
        view->resize(880, 640);
        view->show();
        view->activateWindow();
        return view;
    }

    MemoryKeyValueStore defaults;
    AppSettings settings{defaults, systemClock()};
    PermissionService x11{
        SessionInfo{SessionKind::x11, X11Extensions{.xtest = true, .xinputMajor = 2, .xinputMinor = 3}}};
    PermissionService wayland{SessionInfo{SessionKind::wayland, {}}};
    const PermissionService* permissions = &x11;
    OnboardingContentContext context;
    int finished = 0;
};

TEST_F(OnboardingViewTest, ButtonsAndKeysWalkTheStepsAndTheLastFinishes) {
    enum class Input { forward, back, returnKey, enterKey, leftKey, skip, start };
    struct Case {
        int from;
        Input input;
        int to;
        int finishes;
    };
    const std::vector<Case> cases{
        {0, Input::start, 1, 0},     {0, Input::returnKey, 1, 0}, {0, Input::leftKey, 0, 0},
        {0, Input::skip, 0, 1},      {1, Input::enterKey, 2, 0},  {1, Input::back, 0, 0},
        {2, Input::leftKey, 1, 0},   {2, Input::forward, 3, 0},   {3, Input::leftKey, 2, 0},
        {3, Input::returnKey, 3, 1}, {3, Input::forward, 3, 1},   {9, Input::back, 2, 0},
    };
    for (const Case& c : cases) {
        finished = 0;
        auto view = makeView(c.from);
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        switch (c.input) {
        case Input::forward:
            view->forwardButton()->click();
            break;
        case Input::back:
            view->backButton()->click();
            break;
        case Input::returnKey:
            QTest::keyClick(view.get(), Qt::Key_Return);
            break;
        case Input::enterKey:
            QTest::keyClick(view.get(), Qt::Key_Enter, Qt::KeypadModifier);
            break;
        case Input::leftKey:
            QTest::keyClick(view.get(), Qt::Key_Left);
            break;
        case Input::skip:
            view->welcome()->skipButton()->click();
            break;
        case Input::start:
            view->welcome()->startButton()->click();
            break;
        }
        EXPECT_EQ(view->step(), c.to) << "from " << c.from << " input " << int(c.input);
        EXPECT_EQ(finished, c.finishes) << "from " << c.from << " input " << int(c.input);
        if (c.to > 0) {
            EXPECT_EQ(view->frameDots()->step(), c.to);
            EXPECT_EQ(view->forwardButton()->text(),
                      c.to == 3 ? QStringLiteral("开始使用") : QStringLiteral("继续"));
        }
    }
}

TEST_F(OnboardingViewTest, PermissionRowsAndSummaryFollowTheSessionWithinOneTick) {
    permissions = &wayland;
    auto view = makeView(2);
    PermissionRow* input = view->permissions()->row(PermissionKind::inputMonitoring);
    EXPECT_EQ(view->permissions()->row(PermissionKind::accessibility)->statusText(),
              QStringLiteral("需要授权"));
    EXPECT_EQ(input->statusText(), QStringLiteral("未授权"));
    EXPECT_EQ(input->reasonText(), QStringLiteral("Wayland 会话不支持读取或控制其他应用"));
    EXPECT_TRUE(input->requestButton()->isVisibleTo(view.get()));
    input->requestButton()->click();
    EXPECT_EQ(input->reasonText(),
              QStringLiteral("Wayland 会话不支持读取或控制其他应用；此系统没有可以授予该权限的设置"));
    EXPECT_EQ(view->workflow()->summaryText(), permissionSummaryText(0));

    permissions = &x11;
    Q_EMIT view->ticker()->tick();
    for (PermissionKind kind :
         {PermissionKind::accessibility, PermissionKind::inputMonitoring, PermissionKind::screenRecording}) {
        PermissionRow* row = view->permissions()->row(kind);
        EXPECT_EQ(row->statusText(), QStringLiteral("已授权"));
        EXPECT_FALSE(row->requestButton()->isVisibleTo(view.get()));
        EXPECT_TRUE(row->reasonText().isEmpty());
        EXPECT_EQ(row->toolTip(), QStringLiteral("X11 会话无需单独授权"));
    }
    EXPECT_EQ(view->workflow()->summaryText(), QStringLiteral("所有工作流权限均已就绪。"));
    EXPECT_TRUE(view->ticker()->isTicking());

    const std::vector<std::pair<int, QString>> summaries{
        {0, QStringLiteral("尚未授权；仍可先使用手动输入和粘贴翻译。")},
        {1, QStringLiteral("部分权限已就绪；其他权限可稍后在设置中完成。")},
        {2, QStringLiteral("部分权限已就绪；其他权限可稍后在设置中完成。")},
        {3, QStringLiteral("所有工作流权限均已就绪。")}};
    for (const auto& [granted, text] : summaries)
        EXPECT_EQ(permissionSummaryText(granted), text) << granted;

    // A row too narrow for text and state side by side puts the state under the text.
    PermissionRow* row = view->permissions()->row(PermissionKind::accessibility);
    EXPECT_FALSE(row->isStacked());
    row->resize(300, row->height());
    EXPECT_TRUE(row->isStacked());
}

TEST_F(OnboardingViewTest, ErrorLineShowsTheRegistrationFailureUntilCleared) {
    auto view = makeView(3);
    WorkflowStep* workflow = view->workflow();
    EXPECT_TRUE(workflow->errorText().isEmpty());
    settings.setShortcutRegistrationErrors(
        {{ShortcutAction::translateSelection, QStringLiteral("registration failed")}});
    EXPECT_EQ(workflow->errorText(), QStringLiteral("registration failed"));

    // Clearing removes the shortcut and its registration failure.
    workflow->recorder()->clearButton()->click();
    EXPECT_TRUE(workflow->errorText().isEmpty());
    EXPECT_FALSE(settings.shortcuts().shortcut(ShortcutAction::translateSelection).has_value());
}

// The workflow step's controls, used as a user uses them, change exactly their own setting.
TEST_F(OnboardingViewTest, EachWorkflowControlWritesItsOwnSettingAndNoOther) {
    auto view = makeView(3);
    WorkflowStep* step = view->workflow();
    QComboBox* target = step->findChild<QComboBox*>();
    ASSERT_NE(target, nullptr);
    const QString capsule = QVariant(!settings.autoSelectionButtonEnabled()).toString();
    const struct {
        const char* control;
        std::function<void()> use;
        QString key;
        std::optional<QString> value; // none: the value is not compared, only which key changed
    } controls[] = {
        {"target picker", [&] { chooseInPicker(target, QStringLiteral("de")); },
         QStringLiteral("translation.targetLanguage"), QStringLiteral("de")},
        {"capsule switch", [&] { step->selectionSwitch()->click(); },
         QStringLiteral("workflow.autoSelectionButtonEnabled"), capsule},
        {"recorder's clear button", [&] { step->recorder()->clearButton()->click(); },
         QStringLiteral("hotkey.shortcuts.v2"), std::nullopt},
    };
    for (const auto& c : controls) {
        const auto before = storeSnapshot(defaults);
        c.use();
        const auto changed = changedValues(before, storeSnapshot(defaults));
        ASSERT_EQ(changed.size(), 1u) << c.control;
        EXPECT_EQ(changed.begin()->first, c.key) << c.control;
        if (c.value)
            EXPECT_EQ(changed.begin()->second, *c.value) << c.control;
    }
    EXPECT_FALSE(settings.shortcuts().shortcut(ShortcutAction::translateSelection).has_value());
    EXPECT_TRUE(settings.shortcuts().shortcut(ShortcutAction::openTranslationWindow).has_value())
        << "the clear button empties only its own action";

    // The controls show the stored values when another window changes them.
    settings.setTargetLanguage(QStringLiteral("ko"));
    EXPECT_EQ(target->currentData().toString(), QStringLiteral("ko"));
    settings.setAutoSelectionButtonEnabled(!step->selectionSwitch()->isChecked());
    EXPECT_EQ(step->selectionSwitch()->isChecked(), settings.autoSelectionButtonEnabled());
}

// The shortcut row's symbol is a keyboard: Linux keyboards have no ⌘ key to draw.
TEST_F(OnboardingViewTest, TheShortcutRowShowsAKeyboardNotAMacKey) {
    auto view = makeView(3);
    // The recorder stands in its column, in the row.
    QWidget* row = view->workflow()->recorder()->parentWidget()->parentWidget();
    ASSERT_NE(row, nullptr);
    QLabel* symbol = nullptr;
    for (QLabel* label : row->findChildren<QLabel*>())
        if (!symbol && !label->pixmap().isNull())
            symbol = label;
    ASSERT_NE(symbol, nullptr);
    const QImage keyboard =
        IconProvider::shared()
            .symbolPixmap(QStringLiteral("keyboard"), 16, Theme::colorBDA46B(), symbol->devicePixelRatioF())
            .toImage();
    ASSERT_FALSE(keyboard.isNull());
    EXPECT_EQ(symbol->pixmap().toImage(), keyboard);
}

} // namespace
} // namespace tolvane::testing

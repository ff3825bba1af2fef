// The first-run guide inside the real delegate on the test session's desktop, driven by xdotool: keys walk
// the steps, the session's permissions show as granted, the workflow step records through the recorder
// and the shared validator, and every way out marks the guide seen and brings the main window.
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/onboarding_window_controller.h"
#include "model/app_settings.h"
#include "onboarding/features_step.h"
#include "onboarding/onboarding_blocks.h"
#include "onboarding/onboarding_view.h"
#include "onboarding/permissions_step.h"
#include "onboarding/welcome_step.h"
#include "onboarding/workflow_step.h"
#include "support/control_wiring.h"
#include "support/in_sight.h"
#include "support/x11_rival_client.h"
#include "support/x11_tools.h"
#include "ui/icon_provider.h"
#include "ui/menu_shortcut_warning.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/settings_switch.h"
#include "ui/shortcut_recorder_view.h"
#include "ui/theme.h"

#include "../app/desktop_delegate.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <X11/keysym.h>
#include <algorithm>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

class OnboardingX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        useHome(environment, home);
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11),
                                       AppFactories{.onboardingContent = OnboardingView::factory()});
        ASSERT_TRUE(startUntilFinished(*delegate));
    }
    void TearDown() override { delegate.reset(); }

    QWidget* guide() const {
        OnboardingWindowController* controller = delegate->onboardingController();
        return controller ? controller->window() : nullptr;
    }
    OnboardingView* view() const { return guide() ? guide()->findChild<OnboardingView*>() : nullptr; }
    bool activateGuide() {
        // Generous: mapping takes the window manager many round trips, each a wait for the CPU when busy.
        return guide() && QTest::qWaitForWindowExposed(guide(), 60000) &&
               xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                        QString::number(guide()->winId())}) &&
               QTest::qWaitFor([&] { return guideHasFocus(); }, 10000);
    }
    // The guide holds the focus as the X server and this process both see it: this process's view alone
    // lags behind a focus change it has not read yet, and keys go where the server says.
    bool guideHasFocus() {
        return guide() && guide()->isActiveWindow() &&
               xdotool({QStringLiteral("getwindowfocus")}) == QString::number(guide()->winId());
    }
    // Where the keys went, for a failure message.
    std::string focusDescription() {
        const QWidget* focus = QApplication::focusWidget();
        const auto* button = qobject_cast<const QAbstractButton*>(focus);
        return "step " + std::to_string(view() ? view()->step() : -1) + ", focus on " +
               (focus ? focus->metaObject()->className() : "nothing") +
               (button ? " \"" + button->text().toStdString() + "\"" : std::string()) + " in \"" +
               xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
                   .value_or(QString())
                   .toStdString() +
               "\"";
    }
    // Presses keys without waiting for xdotool, so this process's loop keeps running.
    void press(const QString& keys) {
        auto* tool = new QProcess(delegate.get());
        tool->start(QStringLiteral("xdotool"),
                    {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
        tools << tool;
    }
    // Until every xdotool started so far has released its keys and ended: one still running would put the
    // modifiers it cleared back down over the next key.
    bool keysReleased() {
        return QTest::qWaitFor(
            [&] {
                return std::all_of(tools.begin(), tools.end(), [](const QPointer<QProcess>& tool) {
                    return !tool || tool->state() == QProcess::NotRunning;
                });
            },
            10000);
    }
    // Keys go to the focused window: the guide is made active first, in case the main window took focus.
    bool pressAndReach(const QString& keys, int step) {
        if (!guideHasFocus() && !activateGuide())
            return false;
        press(keys);
        return QTest::qWaitFor([&] { return view() && view()->step() == step; }, 10000);
    }
    ShortcutRecorderView* recorder() const { return view()->workflow()->recorder(); }
    bool startRecording() {
        recorder()->recorderButton()->click();
        return QTest::qWaitFor([&] { return recorder()->isRecording(); }, 10000) &&
               QTest::qWaitFor([&] { return RivalClient().grabKeyboard() != XCB_GRAB_STATUS_SUCCESS; },
                               10000);
    }
    bool stopped() {
        return QTest::qWaitFor([&] { return !recorder()->isRecording(); }, 10000) &&
               QTest::qWaitFor([&] { return RivalClient().grabKeyboard() == XCB_GRAB_STATUS_SUCCESS; },
                               10000);
    }
    // The guide ended: its window is gone, the flag is stored and the main window is back.
    bool ended() {
        return QTest::qWaitFor([&] { return guide() == nullptr; }, 10000) &&
               delegate->settings().defaults().value(AppSettings::firstRunGuideKey).toBool() &&
               QTest::qWaitFor([&] { return delegate->mainWindowController()->window()->isVisible(); },
                               10000);
    }

    QTemporaryDir home;
    ScopedEnvironment environment;
    std::unique_ptr<AppDelegate> delegate;
    QList<QPointer<QProcess>> tools;
};

TEST_F(OnboardingX11, KeysWalkTheStepsTheWorkflowStepStoresAndEveryWayOutEndsTheGuide) {
    AppSettings& settings = delegate->settings();
    ASSERT_NE(guide(), nullptr) << "a first launch shows the guide";
    EXPECT_EQ(guide()->windowTitle(), QStringLiteral("欢迎使用 Ondrel"));
    EXPECT_EQ(guide()->size(), QSize(880, 640));
    ASSERT_TRUE(activateGuide());
    EXPECT_EQ(view()->step(), 0);

    ASSERT_TRUE(pressAndReach(QStringLiteral("Return"), 1));
    // The first feature card shows the plain pointer.
    auto* pointer = view()->features()->cards().first()->findChild<QLabel*>();
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(pointer->pixmap().toImage(),
              IconProvider::shared()
                  .symbolPixmap(QStringLiteral("cursorarrow"), 22, Theme::colorBDA46B(),
                                pointer->devicePixelRatioF())
                  .toImage());
    ASSERT_TRUE(pressAndReach(QStringLiteral("KP_Enter"), 2));
    // The permissions page's title has the workflow page's header style, and its rows start 22 below.
    const auto labelWithText = [](QWidget* root, const QString& text) -> QLabel* {
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->text() == text)
                return label;
        return nullptr;
    };
    QLabel* title = labelWithText(view()->permissions(), QStringLiteral("连接到你的工作流"));
    QLabel* workflowTitle = labelWithText(view()->workflow(), QStringLiteral("准备开始"));
    ASSERT_TRUE(title && workflowTitle);
    EXPECT_EQ(title->font(), workflowTitle->font());
    QWidget* header = title->parentWidget();
    QWidget* firstRow = view()->permissions()->row(PermissionKind::accessibility);
    EXPECT_EQ(firstRow->mapTo(view()->permissions(), QPoint()).y() -
                  header->mapTo(view()->permissions(), QPoint(0, header->height())).y(),
              22);
    for (PermissionKind kind :
         {PermissionKind::accessibility, PermissionKind::inputMonitoring, PermissionKind::screenRecording}) {
        PermissionRow* row = view()->permissions()->row(kind);
        EXPECT_EQ(row->statusText(), QStringLiteral("已授权"));
        EXPECT_FALSE(row->requestButton()->isVisible());
    }
    ASSERT_TRUE(pressAndReach(QStringLiteral("Return"), 3));
    ASSERT_TRUE(pressAndReach(QStringLiteral("Left"), 2));
    ASSERT_TRUE(pressAndReach(QStringLiteral("Return"), 3));
    EXPECT_EQ(view()->workflow()->summaryText(), QStringLiteral("所有工作流权限均已就绪。"));

    // The recorder stores a new chord through the shared validator.
    ASSERT_TRUE(startRecording());
    press(QStringLiteral("ctrl+alt+y"));
    ASSERT_TRUE(stopped());
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection),
              (AppShortcut{16, ShortcutModifiers(10), "y", 1}));

    // A bare Return while recording is refused by the recorder and does not finish the guide.
    ASSERT_TRUE(startRecording());
    press(QStringLiteral("Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return view()->workflow()->errorText() ==
                   QStringLiteral("请至少加入一个修饰键，或使用 F1–F20 功能键。");
        },
        10000))
        << view()->workflow()->errorText().toStdString();
    EXPECT_EQ(view()->step(), 3);
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(stopped());
    ASSERT_NE(guide(), nullptr);

    // Ctrl+Backspace belongs to every text editor: refused, and the stored chord stays.
    ASSERT_TRUE(startRecording());
    QProcess chord;
    chord.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                                            QStringLiteral("ctrl+BackSpace")});
    ASSERT_TRUE(stopped());
    // Ctrl is up again before the next chord.
    ASSERT_TRUE(QTest::qWaitFor([&] { return chord.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(view()->workflow()->errorText(), editingShortcutWarning);
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection)->keyEquivalent,
              QStringLiteral("y"));

    // So does Shift+Left, with which every editor selects text.
    ASSERT_TRUE(startRecording());
    QProcess shifted;
    shifted.start(QStringLiteral("xdotool"),
                  {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("shift+Left")});
    ASSERT_TRUE(stopped());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shifted.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(view()->workflow()->errorText(), shiftShortcutWarning);
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection)->keyEquivalent,
              QStringLiteral("y"));

    // A chord another client holds is refused with the desktop's error, which survives leaving the step.
    {
        RivalClient rival;
        ASSERT_EQ(rival.grab({XK_k, modControl | modAlt}), 0);
        ASSERT_TRUE(startRecording());
        press(QStringLiteral("ctrl+alt+k"));
        ASSERT_TRUE(stopped());
    }
    const QString refused = view()->workflow()->errorText();
    EXPECT_TRUE(refused.endsWith(QStringLiteral("（错误 10）。"))) << refused.toStdString();
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection)->keyEquivalent,
              QStringLiteral("y"));
    ASSERT_TRUE(pressAndReach(QStringLiteral("Left"), 2));
    ASSERT_TRUE(pressAndReach(QStringLiteral("Return"), 3));
    EXPECT_EQ(view()->workflow()->errorText(), refused);

    // Return in the open list of the default target language, opened by Space or F4, chooses a language
    // and nothing else: the guide stays on its last step.
    QPointer<QComboBox> languages = view()->workflow()->languagePicker();
    for (const QString opens : {QStringLiteral("space"), QStringLiteral("F4")}) {
        SCOPED_TRACE(opens.toStdString());
        ASSERT_TRUE(keysReleased());
        ASSERT_TRUE(guideHasFocus() || activateGuide());
        languages->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return languages->hasFocus(); }, 10000));
        const QString before = settings.targetLanguage();
        press(opens);
        ASSERT_TRUE(QTest::qWaitFor([&] { return languages->view()->isVisible(); }, 10000));
        ASSERT_TRUE(keysReleased());
        press(QStringLiteral("Down"));
        ASSERT_TRUE(keysReleased());
        press(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return settings.targetLanguage() != before; }, 10000));
        ASSERT_TRUE(keysReleased());
        ASSERT_TRUE(guide() && languages) << "the choice ended the guide";
        EXPECT_EQ(view()->step(), 3);
        EXPECT_EQ(settings.targetLanguage(), languages->currentData().toString());
        EXPECT_FALSE(languages->view()->isVisible());
    }

    view()->workflow()->selectionSwitch()->click();
    EXPECT_TRUE(settings.defaults().value(QStringLiteral("workflow.autoSelectionButtonEnabled")).toBool());

    // Return on the last step finishes, also while the idle recorder holds the focus: it keeps keys only
    // while it records. The next request builds a new window at the first step. The capsule restarted by
    // the switch may have moved focus: the keys go to the guide, after every earlier key is up.
    ASSERT_TRUE(keysReleased());
    ASSERT_TRUE(guideHasFocus() || activateGuide());
    recorder()->recorderButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder()->recorderButton()->hasFocus(); }, 10000));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(ended()) << focusDescription();
    delegate->presentOnboarding(0);
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->step(), 0);
    EXPECT_TRUE(view()->workflow()->errorText().isEmpty()) << "a new window starts over";
    view()->welcome()->skipButton()->click();
    EXPECT_TRUE(ended());
}

// A choice the settings file cannot keep is undone, and why is said whole under the control that made it;
// once a later choice is stored, it is no longer said.
TEST_F(OnboardingX11, AChoiceThatCannotBeStoredIsUndoneAndSaidWholeUnderItsControl) {
    ASSERT_NE(guide(), nullptr);
    // A file where the settings folder belongs: nothing can be written under it any more.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ASSERT_TRUE(config.startsWith(home.path()));
    QDir(config).rename(QStringLiteral("Tolvane"), QStringLiteral("Tolvane.away"));
    QFile blocker(config + QStringLiteral("/Tolvane"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    view()->setStep(3, false);
    ASSERT_TRUE(activateGuide());

    WorkflowStep* step = view()->workflow();
    SettingsSwitch* toggle = step->selectionSwitch();
    QComboBox* picker = step->languagePicker();
    const QString target = delegate->settings().targetLanguage();
    const bool stored = delegate->settings().autoSelectionButtonEnabled();
    const QList<QWidget*> controls{picker, step->recorder(), toggle};
    const auto said = [&] {
        QLabel* found = nullptr;
        for (QLabel* label : step->findChildren<QLabel*>())
            if (label->text() == settingsNotStoredText() && label->isVisible())
                found = label;
        return found;
    };
    const struct {
        const char* name;
        QWidget* control;
        std::function<void()> use;
    } cases[] = {
        {"switch", toggle,
         [&] {
             toggle->setFocus(Qt::TabFocusReason);
             QTest::keyClick(toggle, Qt::Key_Space);
         }},
        {"picker", picker, [&] { chooseInPicker(picker, QStringLiteral("de")); }},
        {"recorder's clear button", step->recorder(), [&] { step->recorder()->clearButton()->click(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.use();
        for (QWidget* control : controls)
            EXPECT_EQ(step->noticeBeside(control), control == c.control ? settingsNotStoredText() : QString())
                << control->metaObject()->className();
        // Said whole, in sight, right under the control, within its trailing edge.
        QLabel* label = said();
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return wholeInSight(label) && showsAllText(label); }, 5000))
            << label->width() << " wide, " << label->height() << " high";
        const QRect control(c.control->mapTo(step, QPoint()), c.control->size());
        const QRect line(label->mapTo(step, QPoint()), label->size());
        EXPECT_GE(line.top(), control.bottom());
        EXPECT_LE(line.top() - control.bottom(), 12);
        EXPECT_LE(std::abs(line.right() - control.right()), 2);
    }
    EXPECT_EQ(toggle->isChecked(), stored) << "the switch shows the stored value again";
    EXPECT_EQ(delegate->settings().autoSelectionButtonEnabled(), stored);
    EXPECT_EQ(picker->currentData().toString(), target) << "the picker shows the stored language again";
    EXPECT_TRUE(delegate->settings().shortcuts().shortcut(ShortcutAction::translateSelection).has_value());

    // The folder back: the next choice is stored and the words go.
    ASSERT_TRUE(QFile::remove(config + QStringLiteral("/Tolvane")));
    ASSERT_TRUE(QDir(config).rename(QStringLiteral("Tolvane.away"), QStringLiteral("Tolvane")));
    chooseInPicker(picker, QStringLiteral("ja"));
    EXPECT_EQ(delegate->settings().targetLanguage(), QStringLiteral("ja"));
    for (QWidget* control : controls)
        EXPECT_TRUE(step->noticeBeside(control).isEmpty()) << control->metaObject()->className();
    EXPECT_EQ(said(), nullptr);
}

} // namespace
} // namespace tolvane::testing

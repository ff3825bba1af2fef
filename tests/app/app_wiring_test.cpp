#include "app/app_commands.h"
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/shortcut_wiring.h"
#include "app/status_menu.h"
#include "app/updater.h"
#include "desktop_delegate.h"
#include "model/app_settings.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_window.h"
#include "platform/memory/memory_accessibility_backend.h"
#include "platform/memory/memory_key_injector.h"
#include "platform/memory/memory_pasteboard_backend.h"
#include "platform/memory/memory_window_system.h"
#include "platform/permission_service.h"
#include "scoped_environment.h"
#include "support/fake_hosted_server.h"
#include "support/fake_http_server.h"
#include "support/virtual_clock.h"
#include "workflow/auto_selection_button_controller.h"
#include "workflow/fake_global_input.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_error.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::FakeGlobalInput;
using testing::FakeHttpServer;

constexpr qint64 editorPid = 5151;
constexpr uint32_t keysymT = 0x74;
constexpr uint32_t keysymX = 0x78;
constexpr uint32_t keysymY = 0x79;

// Scripted global input that reports each grab before it is made.
class ObservedInput final : public GlobalInputService {
public:
    FakeGlobalInput fake;
    std::function<void()> beforeGrab;

    int32_t status() const override { return fake.status(); }
    int32_t rawInputStatus() const override { return fake.rawInputStatus(); }
    int32_t grabKey(KeyChord chord, HotKeyIdentifier id) override {
        if (beforeGrab)
            beforeGrab();
        return fake.grabKey(chord, id);
    }
    void ungrabKey(HotKeyIdentifier id) override { fake.ungrabKey(id); }
    int addHotKeyHandler(HotKeyHandler handler) override { return fake.addHotKeyHandler(std::move(handler)); }
    int addRawObserver(RawObserver observer) override { return fake.addRawObserver(std::move(observer)); }
    void remove(int subscription) override { fake.remove(subscription); }
};

// An X11 desktop made of fakes: scripted grabs, one editor in front with a selection, granted permissions.
class FakeDesktop final : public DesktopServices {
public:
    ObservedInput observed;
    FakeGlobalInput& input = observed.fake;
    MemoryPasteboardBackend pasteboard_{systemClock()};
    MemoryKeyInjector keys_;
    std::shared_ptr<MemoryWindowSystem> windows_ = std::make_shared<MemoryWindowSystem>();
    MemoryAccessibilityBackend accessibility_;
    PermissionService permissions_{
        SessionInfo{SessionKind::x11, X11Extensions{true, 2, 3, true, true, true}}};

    FakeDesktop() {
        windows_->setFront(windows_->addWindow(0x600001, editorPid, 1, QStringLiteral("Editor")));
    }

    GlobalInputService* globalInput() override { return &observed; }
    PasteboardBackend& pasteboard() override { return pasteboard_; }
    KeyInjector& keys() override { return keys_; }
    std::shared_ptr<WindowSystem> windows() override { return windows_; }
    AccessibilityBackend& accessibility() override { return accessibility_; }
    const PermissionService& permissions() const override { return permissions_; }
    quint64 foreignPrimaryChanges() const override { return 0; }
    QPoint cursorPosition() const override { return {400, 300}; }

    // The grab of the chord with this keysym, if any.
    std::optional<HotKeyIdentifier> grabOf(uint32_t keysym) const {
        for (const auto& [id, chord] : input.grabs)
            if (chord.keysym == keysym)
                return HotKeyIdentifier{id.first, id.second};
        return std::nullopt;
    }
};

class CountingUpdater final : public Updater {
public:
    int starts = 0;
    int checks = 0;
    void start() override { ++starts; }
    void checkForUpdates() override { ++checks; }
};

// A normal (not test-host) start-up on the fake desktop, with the user's folders pointed at a sentinel and
// no session bus or display for the keyring to reach.
class AppWiring : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sentinel.isValid());
        environment.redirectUserFolders(sentinel.path());
        environment.set("DBUS_SESSION_BUS_ADDRESS", {});
        environment.set("DISPLAY", {});
        // A translation started here must fail at once on loopback instead of reaching the real service.
        environment.set("TOLVANE_HOSTED_BASE_URL", "http://127.0.0.1:9/");
        recreate({});
        delegate->settings().defaults().setValue(AppSettings::firstRunGuideKey, true);
    }
    void TearDown() override {
        // Qt keeps one settings file per process whatever the environment says later: leave nothing behind
        // for the next test.
        KeyValueStore& store = delegate->settings().defaults();
        for (const char* key : {"firstRun.hasSeenGuide", "shortcuts", "window.main.closeBehavior",
                                "workflow.autoSelectionButtonEnabled", "provider.translationEngine"})
            store.remove(QLatin1String(key));
        store.sync();
        delegate.reset();
        // Let cancelled translations unwind, so no suspended work outlives the test.
        tolvane::testing::drainEventLoop();
    }
    // A new delegate (and desktop) with these factories; a test host keeps its secrets in memory.
    void recreate(AppFactories factories, bool testHost = false) {
        delegate.reset();
        auto owned = std::make_unique<FakeDesktop>();
        desktop = owned.get();
        auto counting = std::make_unique<CountingUpdater>();
        updater = counting.get();
        delegate = std::make_unique<AppDelegate>(LaunchEnvironment{{QStringLiteral("tolvane")}, {}, testHost},
                                                 std::move(factories), std::move(owned), std::move(counting));
        delegate->settings().defaults().setValue(AppSettings::firstRunGuideKey, true);
    }
    static void turns(int count = 5) {
        for (int i = 0; i < count; ++i)
            QCoreApplication::processEvents();
    }
    bool panelShown() const {
        return delegate->panelController() && delegate->panelController()->panelWindow() &&
               delegate->panelController()->panelWindow()->isVisible();
    }

    QTemporaryDir sentinel;
    testing::ScopedEnvironment environment;
    FakeDesktop* desktop = nullptr;
    CountingUpdater* updater = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppWiring, PanelHooksAreInPlaceBeforeTheFirstGrabAndHotKeysDriveTheWorkflow) {
    // From the first grab on a hot key could fire: the workflow must already reach the panel by then.
    std::optional<bool> panelReachableAtFirstGrab;
    desktop->observed.beforeGrab = [&] {
        if (panelReachableAtFirstGrab)
            return;
        panelReachableAtFirstGrab = false;
        delegate->workflow().presentPanel(QRect(100, 100, 40, 12));
        panelReachableAtFirstGrab = panelShown();
    };
    ASSERT_TRUE(testing::startUntilFinished(*delegate));
    desktop->observed.beforeGrab = nullptr;
    EXPECT_EQ(panelReachableAtFirstGrab, true);
    EXPECT_EQ(desktop->input.grabs.size(), 4u);
    delegate->workflow().dismissPanel();
    turns();
    EXPECT_FALSE(panelShown());

    // Ctrl+Alt+T reads the editor's selection into the workflow and shows the panel beside it.
    desktop->accessibility_.setFocused(editorPid,
                                       {QStringLiteral("  Hello world \n"), QRect(200, 180, 90, 16)});
    const std::optional<HotKeyIdentifier> translate = desktop->grabOf(keysymT);
    ASSERT_TRUE(translate.has_value());
    EXPECT_TRUE(desktop->input.press(*translate));
    EXPECT_EQ(delegate->workflow().sourceText(), QString()) << "the handler runs on a later turn";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return delegate->workflow().sourceText() == QStringLiteral("Hello world"); }, 5000));
    EXPECT_TRUE(panelShown());

    // Ctrl+Alt+O brings the hidden main window back.
    delegate->mainWindowController()->window()->hide();
    const std::optional<HotKeyIdentifier> open = desktop->grabOf(0x6f);
    ASSERT_TRUE(open.has_value());
    desktop->input.press(*open);
    turns();
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
}

TEST_F(AppWiring, RegistrationResultsReachTheSettingsAndChangesRegisterAgain) {
    desktop->input.grabResults[keysymX] = 10;
    ASSERT_TRUE(testing::startUntilFinished(*delegate));
    EXPECT_EQ(desktop->input.grabs.size(), 3u) << "the other shortcuts are still registered";
    ShortcutRegistrationErrors errors = delegate->settings().shortcutRegistrationErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.begin()->first, ShortcutAction::screenshotRecognition);
    EXPECT_TRUE(errors.begin()->second.contains(QStringLiteral("10")))
        << errors.begin()->second.toStdString();

    // Moving the refused action to a free chord registers on a later turn and clears the error.
    const AppShortcut ctrlAltY{16, ShortcutModifiers{ShortcutModifiers::command, ShortcutModifiers::option},
                               QStringLiteral("y"), 1};
    delegate->settings().setShortcut(ctrlAltY, ShortcutAction::screenshotRecognition);
    turns();
    EXPECT_TRUE(delegate->settings().shortcutRegistrationErrors().empty());
    EXPECT_TRUE(desktop->grabOf(keysymY).has_value());

    // A chord the desktop refuses: setShortcut clears the error, the queued registration has the last word.
    desktop->input.grabResults[keysymY] = 10;
    delegate->settings().setShortcut(std::nullopt, ShortcutAction::screenshotRecognition);
    turns();
    delegate->settings().setShortcut(ctrlAltY, ShortcutAction::screenshotRecognition);
    EXPECT_TRUE(delegate->settings().shortcutRegistrationErrors().empty());
    turns();
    errors = delegate->settings().shortcutRegistrationErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.begin()->first, ShortcutAction::screenshotRecognition);

    // Restoring defaults that are already in place still registers again.
    desktop->input.grabResults.clear();
    delegate->settings().setShortcuts(ShortcutConfiguration::defaultShortcuts());
    turns();
    const int grabsBefore = desktop->input.grabCalls;
    delegate->shortcutWiring()->reregisterShortcuts();
    turns();
    EXPECT_GT(desktop->input.grabCalls, grabsBefore);
    EXPECT_TRUE(delegate->settings().shortcutRegistrationErrors().empty());
}

TEST_F(AppWiring, SelectionCapsuleFollowsItsSetting) {
    ASSERT_TRUE(testing::startUntilFinished(*delegate));
    AutoSelectionButtonController* capsule = delegate->capsule();
    ASSERT_NE(capsule, nullptr);
    EXPECT_FALSE(capsule->isRunning()) << "off by default";
    delegate->settings().setAutoSelectionButtonEnabled(true);
    EXPECT_TRUE(capsule->isRunning());
    EXPECT_GT(desktop->input.observerCount(), 0u);
    delegate->settings().setAutoSelectionButtonEnabled(false);
    EXPECT_FALSE(capsule->isRunning());
    EXPECT_EQ(desktop->input.observerCount(), 0u);
}

TEST_F(AppWiring, UpdateCommandsReachTheUpdaterOnceEach) {
    ASSERT_TRUE(testing::startUntilFinished(*delegate));
    EXPECT_EQ(updater->starts, 1);
    delegate->commands()->checkForUpdatesAction()->trigger();
    EXPECT_EQ(updater->checks, 1);
    QAction* trayItem = nullptr;
    for (QAction* action : delegate->statusMenu()->menu()->actions())
        if (action->text().startsWith(QStringLiteral("检查更新…")))
            trayItem = action;
    ASSERT_NE(trayItem, nullptr);
    trayItem->trigger();
    EXPECT_EQ(updater->checks, 2);
}

// A stored engine the application cannot read: the text goes nowhere, the value stays in the file, and the
// user is asked to choose; choosing one lets the next translation through to that engine.
TEST_F(AppWiring, AnUnreadableStoredEngineSendsNothingUntilOneIsChosen) {
    FakeHttpServer hosted;
    environment.set("TOLVANE_HOSTED_BASE_URL", hosted.url().toString().toUtf8());
    delegate->settings().defaults().setValue(QStringLiteral("provider.translationEngine"),
                                             QStringLiteral("42"));
    recreate({});
    WorkflowCoordinator& workflow = delegate->workflow();
    workflow.translateText(QStringLiteral("Hello world"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return workflow.status().kind() == WorkflowStatus::Kind::failed; }));
    EXPECT_EQ(workflow.status().message(), WorkflowError::engineNotChosen().description());
    EXPECT_TRUE(hosted.requests().isEmpty());
    EXPECT_EQ(readString(delegate->settings().defaults(), QStringLiteral("provider.translationEngine")),
              QStringLiteral("42"));

    // Chosen: the hosted route is taken (here it stops at the missing Secret Service, not at the choice).
    delegate->settings().setTranslationEngine(TranslationEngine::cloudStandard);
    workflow.translateText(QStringLiteral("Hello again"), false);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return workflow.status().kind() == WorkflowStatus::Kind::failed &&
               workflow.status().message() != WorkflowError::engineNotChosen().description();
    }));
    EXPECT_EQ(workflow.providerName(), QStringLiteral("hosted-cloud"));
}

TEST_F(AppWiring, HostedFailuresAreShownInChineseOrAsTheServersShortPlainWords) {
    // A test host keeps its secrets in memory, so the default engine gets as far as the network.
    auto failureShownFor = [&](const QByteArray& hostedBaseURL) {
        environment.set("TOLVANE_HOSTED_BASE_URL", hostedBaseURL);
        recreate({}, true);
        delegate->start();
        delegate->workflow().translateText(QStringLiteral("Hello"), false);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return delegate->workflow().status().kind() == WorkflowStatus::Kind::failed; }, 20000))
            << delegate->workflow().status().debugName().toStdString();
        return delegate->workflow().status().message();
    };
    quint16 closedPort;
    {
        testing::FakeHttpServer gone;
        closedPort = gone.port();
    }
    const QString refused = failureShownFor("http://127.0.0.1:" + QByteArray::number(closedPort));
    EXPECT_TRUE(refused.startsWith(QString::fromUtf8("服务器 127.0.0.1 拒绝了连接")))
        << refused.toStdString();
    EXPECT_FALSE(refused.contains(QStringLiteral("Connection refused"))) << "no English beside the sentence";

    // A proxy's error page.
    testing::FakeHostedService service;
    service.enqueueTranslation(
        testing::FakeResponse::withBody(502, "text/html",
                                        "<html><head><title>502</title></head><body><h1>Bad Gateway</h1>" +
                                            QByteArray(500000, ' ') + "</body></html>"));
    EXPECT_EQ(failureShownFor(service.baseURL().toEncoded()), QStringLiteral("Bad Gateway"));
}

TEST_F(AppWiring, SettingsWindowGetsWorkingShortcutControls) {
    std::vector<SettingsContentContext> built;
    AppFactories factories;
    factories.settingsContent = [&](const SettingsContentContext& context, QWidget* parent) {
        built.push_back(context);
        return new QWidget(parent);
    };
    recreate(std::move(factories));
    ASSERT_TRUE(testing::startUntilFinished(*delegate));
    delegate->presentSettings();
    delegate->presentSettings();
    ASSERT_EQ(built.size(), 1u) << "the content is built once";
    const SettingsContentContext& context = built.front();
    EXPECT_EQ(context.settings, &delegate->settings());
    EXPECT_EQ(context.keychain, &delegate->storage().keychainStore());
    EXPECT_NE(context.historyStore, nullptr);
    EXPECT_NE(context.network, nullptr);
    EXPECT_EQ(&context.permissions(), &PermissionService::system());
    QSignalSpy historyChanged(delegate.get(), &AppDelegate::historyChanged);
    context.onHistoryChanged();
    EXPECT_EQ(historyChanged.count(), 1);

    // Recording a shortcut releases every grab, finishing takes them back.
    context.setGlobalShortcutsPaused(true);
    EXPECT_TRUE(desktop->input.grabs.empty());
    context.setGlobalShortcutsPaused(false);
    EXPECT_EQ(desktop->input.grabs.size(), 4u);

    // "Restore defaults" registers again although nothing changed; two requests in one turn register once.
    const int grabsBefore = desktop->input.grabCalls;
    context.reregisterShortcuts();
    context.reregisterShortcuts();
    EXPECT_EQ(desktop->input.grabCalls, grabsBefore) << "nothing happens inside the caller's turn";
    turns();
    EXPECT_EQ(desktop->input.grabCalls, grabsBefore + 4);

    const AppShortcut ctrlT{17, ShortcutModifiers{ShortcutModifiers::command}, QStringLiteral("t"), 1};
    EXPECT_EQ(context.validateShortcut(ctrlT), menuShortcutWarning);
}

} // namespace
} // namespace tolvane

#include "app/app_delegate.h"

#include "app/app_commands.h"
#include "app/app_settings_adapters.h"
#include "app/desktop_services.h"
#include "app/first_frame_gate.h"
#include "app/history_window_controller.h"
#include "app/long_answer_cleanup.h"
#include "app/ocr_snapshot_window.h"
#include "app/permission_explanation.h"
#include "app/screenshot_assembly.h"
#include "app/shortcut_wiring.h"
#include "app/snapshot_writer.h"
#include "app/status_menu.h"
#include "app/updater.h"
#include "app/workflow_assembly.h"
#include "app/workspace_placeholder.h"
#include "core/clock.h"
#include "core/logging.h"
#include "model/app_settings.h"
#include "model/history_events.h"
#include "ocr/coordinator_screenshot_workflow.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_run_controller.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_app_settings.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_window.h"
#include "panel/result_panel_workflow.h"
#include "platform/font_file_pages.h"
#include "platform/key_value_store.h"
#include "platform/memory_return.h"
#include "platform/permission_service.h"
#include "platform/window_system.h"
#include "providers/hosted_base_url.h"
#include "ui/theme.h"
#include "workflow/auto_selection_button_controller.h"
#include "workflow/clipboard_manager.h"
#include "workflow/hot_key_manager.h"
#include "workflow/permission_helpers.h"
#include "workflow/workflow_coordinator.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

namespace {

// Calls a member of the delegate while it is alive.
template <typename... Args>
std::function<void(Args...)> whileAlive(AppDelegate* delegate, void (AppDelegate::*member)(Args...)) {
    return [self = QPointer<AppDelegate>(delegate), member](Args... args) {
        if (self)
            (self->*member)(args...);
    };
}

// Gives a settings or guide content context the hot-key controls it needs to record shortcuts.
template <typename Context>
void addShortcutControls(Context& context, AppDelegate* delegate, ShortcutWiring* wiring) {
    context.validateShortcut = [self = QPointer<AppDelegate>(delegate)](const AppShortcut& shortcut) {
        return self ? self->validateShortcut(shortcut) : std::nullopt;
    };
    context.reregisterShortcuts = [wiring = QPointer<ShortcutWiring>(wiring)] {
        if (wiring)
            wiring->reregisterShortcuts();
    };
    context.setGlobalShortcutsPaused = [wiring = QPointer<ShortcutWiring>(wiring)](bool paused) {
        if (wiring)
            wiring->setGlobalShortcutsPaused(paused);
    };
}

// A hosted window's content builder from a content factory and its context; empty without a factory.
template <typename Context>
std::function<QWidget*(QWidget*)>
contentBuilder(const std::function<QWidget*(const Context&, QWidget*)>& factory, Context context) {
    if (!factory)
        return nullptr;
    return [factory, context](QWidget* parent) { return factory(context, parent); };
}

} // namespace

AppDelegate::AppDelegate(LaunchEnvironment environment, AppFactories factories,
                         std::unique_ptr<DesktopServices> desktop, std::unique_ptr<Updater> updater,
                         QObject* parent)
    : QObject(parent), m_environment(std::move(environment)), m_factories(std::move(factories)),
      m_storage(std::make_unique<AppStorage>(m_environment)),
      m_settings(std::make_unique<AppSettings>(m_storage->settingsStore(), systemClock())),
      m_network(std::make_unique<QNetworkAccessManager>()),
      m_historyEvents(std::make_unique<HistoryEvents>()) {
    if (!m_factories.mainContent)
        m_factories.mainContent = WorkspacePlaceholder::factory();
    // Neither a test host nor a snapshot run ever touches the desktop: no grabs, no clipboard, no pastes.
    const bool isolated = m_environment.isTestHost() || m_environment.isSnapshotRun();
    m_desktop = desktop && !isolated ? std::move(desktop) : DesktopServices::inMemory();
    if (GlobalInputService* input = m_desktop->globalInput())
        m_hotKeyManager = std::make_unique<HotKeyManager>(*input);
    m_updater = updater ? std::move(updater)
                        : std::unique_ptr<Updater>(AppcastUpdater::fromInfoResource(m_network.get()));

    HotKeyManager::Handlers handlers{
        {ShortcutAction::openTranslationWindow, whileAlive(this, &AppDelegate::presentMainWindow)},
        {ShortcutAction::translateSelection, whileAlive(this, &AppDelegate::translateSelection)},
        {ShortcutAction::screenshotTranslation, whileAlive(this, &AppDelegate::startScreenshotTranslation)},
        {ShortcutAction::screenshotRecognition, whileAlive(this, &AppDelegate::startScreenshotRecognition)},
    };
    m_shortcutWiring = std::make_unique<ShortcutWiring>(
        m_hotKeyManager.get(),
        [self = QPointer(this)] { return self ? self->currentShortcuts() : ShortcutConfiguration{}; },
        std::move(handlers));
    m_commands = std::make_unique<AppCommands>(whileAlive(this, &AppDelegate::checkForUpdates),
                                               whileAlive(this, &AppDelegate::presentSettings));
    // The settings window shows what the last registration could not grab.
    connect(m_shortcutWiring.get(), &ShortcutWiring::shortcutsRegistered, this,
            [this] { m_settings->setShortcutRegistrationErrors(m_shortcutWiring->registrationErrors()); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::cleanUp);
}

AppDelegate::~AppDelegate() {
    cleanUp();
}

void AppDelegate::cleanUp() {
    if (m_cleanedUp)
        return;
    m_cleanedUp = true;
    if (m_hotKeyManager)
        m_hotKeyManager->unregisterAll();
    // The windows and the workflow go before the storage: the history database is closed (its queued
    // writes done) before a test host's folder is removed.
    m_capsule.reset();
    m_screenshots.reset();
    m_panel.reset();
    m_mainWindowController.reset();
    m_onboarding.reset();
    m_historyWindowController.reset();
    for (auto& [name, window] : m_hostedWindows)
        delete window;
    m_hostedWindows.clear();
    m_workflow.reset();
    m_storage->removeTestHostStorage();
}

void AppDelegate::start() {
    if (m_environment.isTestHost())
        return;
    Theme::registerFonts();
    if (const std::optional<SnapshotScreen> screen = m_environment.snapshotScreen()) {
        QApplication::setCursorFlashTime(0);
        runSnapshot(*screen);
        return;
    }
    // What the first frame shows comes first: the main window, with the guide in front of it on a first
    // start. The subscriptions go before them, so no setting a window changes is missed.
    subscribeToSettings();
    presentMainWindow();
    QList<QWidget*> firstWindows{m_mainWindowController->window()};
    if (readBool(m_settings->defaults(), AppSettings::firstRunGuideKey) != true) {
        presentOnboarding(0);
        firstWindows << m_onboarding->window();
    }
    FirstFrameGate::runAfter(firstWindows, this, [this] { finishStartup(); });
}

void AppDelegate::finishStartup() {
    if (m_cleanedUp || m_startupFinished)
        return;
    // The panel hooks come first, so no hot key can fire into a workflow without a panel.
    installPanel();
    m_panel->prepare();
    installStatusItem();
    registerGlobalShortcuts();
    installCapsule();
    m_updater->start();
    m_startupFinished = true;
    qCInfo(lcAppDelegate) << "Start-up finished";
    // The first frame and the panel's preparation have drawn their glyphs; the font files' pages they
    // brought in are not needed while the application idles.
    QTimer::singleShot(0, this, [] { releaseMappedFontFilePages(); });
    Q_EMIT startupFinished();
}

void AppDelegate::runSnapshot(SnapshotScreen screen) {
    m_startupSteps << QStringLiteral("snapshot:") + snapshotSwitch(screen);
    QWidget* shown = nullptr;
    switch (screen) {
    case SnapshotScreen::workspace:
        installStatusItem();
        presentMainWindow();
        break;
    case SnapshotScreen::ocr: {
        QPointer<QWidget>& window = m_hostedWindows[QStringLiteral("ocr")];
        if (!window)
            window = makeOcrSnapshotWindow();
        window->show();
        window->raise();
        window->activateWindow();
        shown = window;
        break;
    }
    case SnapshotScreen::ocrError:
        // The real panel, failed with the screen-capture permission message, at the pointer.
        installPanel();
        workflow().setStatus(WorkflowStatus::failed(
            ScreenshotOCRError(ScreenshotOCRError::Kind::screenRecordingPermissionRequired).description()));
        workflow().presentPanel(std::nullopt);
        shown = m_panel->panelWindow();
        break;
    case SnapshotScreen::settings:
        presentSettings();
        break;
    case SnapshotScreen::onboarding:
        presentOnboarding(0);
        break;
    case SnapshotScreen::onboardingFeatures:
        presentOnboarding(1);
        break;
    case SnapshotScreen::onboardingPermissions:
        presentOnboarding(2);
        break;
    case SnapshotScreen::onboardingWorkflow:
        presentOnboarding(3);
        break;
    }
    const QString output = m_environment.environment.value(QLatin1String(SnapshotWriter::outputVariable));
    if (output.isEmpty())
        return;
    if (!shown && m_onboarding && m_onboarding->window())
        shown = m_onboarding->window();
    if (!shown && m_mainWindowController && m_mainWindowController->window())
        shown = m_mainWindowController->window();
    for (const auto& [name, window] : m_hostedWindows) {
        if (!shown && window && window->isVisible())
            shown = window;
    }
    if (!shown) {
        qCCritical(lcApp) << "Snapshot run showed no window";
        // Queued: the start runs before the event loop, which an exit now would not reach.
        QTimer::singleShot(0, this, &AppDelegate::terminate);
        return;
    }
    const QPointer<AppDelegate> self(this);
    new SnapshotWriter(
        shown, snapshotSwitch(screen), output,
        [self] {
            if (self)
                self->terminate();
        },
        this);
}

void AppDelegate::terminate() {
    qCInfo(lcAppDelegate) << "Quitting";
    Q_EMIT terminating();
    QCoreApplication::exit(0);
}

void AppDelegate::installStatusItem() {
    if (m_statusMenu)
        return;
    m_startupSteps << QStringLiteral("tray");
    const QPointer<AppDelegate> self(this);
    auto run = [this](void (AppDelegate::*member)()) { return whileAlive(this, member); };
    StatusMenu::Commands commands;
    commands.showMainWindow = run(&AppDelegate::presentMainWindow);
    commands.triggerTranslation = run(&AppDelegate::translateSelection);
    commands.triggerScreenshotTranslation = run(&AppDelegate::startScreenshotTranslation);
    commands.triggerScreenshotRecognition = run(&AppDelegate::startScreenshotRecognition);
    commands.showHistory = run(&AppDelegate::presentHistoryWindow);
    commands.showSettings = run(&AppDelegate::presentSettings);
    commands.showOnboarding = [self] {
        if (self)
            self->presentOnboarding(0);
    };
    commands.openAccessibilitySettings = [self] {
        if (self)
            openPrivacySettingsOrExplain(self->m_desktop->permissions(), PermissionKind::accessibility,
                                         privacyAccessibilityAnchor);
    };
    commands.checkForUpdates = run(&AppDelegate::checkForUpdates);
    commands.quit = run(&AppDelegate::terminate);
    m_statusMenu = std::make_unique<StatusMenu>(std::move(commands));
    m_statusMenu->install();
    m_statusMenu->refreshShortcutMenuItems(currentShortcuts());
    connect(m_shortcutWiring.get(), &ShortcutWiring::shortcutsRegistered, m_statusMenu.get(),
            &StatusMenu::refreshShortcutMenuItems);
}

void AppDelegate::registerGlobalShortcuts() {
    m_startupSteps << QStringLiteral("hotkeys");
    m_shortcutWiring->registerGlobalShortcuts();
}

void AppDelegate::shortcutsDidChange() {
    m_shortcutWiring->reregisterShortcuts();
}

std::optional<QString> AppDelegate::validateShortcut(const AppShortcut& shortcut) const {
    return m_shortcutWiring->validateShortcut(shortcut);
}

ShortcutConfiguration AppDelegate::currentShortcuts() const {
    return m_settings->shortcuts();
}

void AppDelegate::subscribeToSettings() {
    if (m_subscribed)
        return;
    m_subscribed = true;
    m_startupSteps << QStringLiteral("subscriptions");
    connect(m_settings.get(), &AppSettings::shortcutsChanged, this, &AppDelegate::shortcutsDidChange);
    connect(m_settings.get(), &AppSettings::autoSelectionButtonEnabledChanged, this,
            &AppDelegate::restartSelectionCapsule);
    // Coming back to the front (another application was active) starts the capsule afresh. The capsule's
    // own style menu taking the keyboard is no such return: a restart then would drop the selection the
    // menu is about to translate.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && !(m_capsule && m_capsule->isStyleMenuOpen()))
            restartSelectionCapsule();
    });
}

void AppDelegate::restartSelectionCapsule() {
    if (!m_capsule)
        return;
    m_capsule->stop();
    m_capsule->start();
}

void AppDelegate::ensureWorkflow() {
    if (m_workflow)
        return;
    m_workflow = std::make_unique<WorkflowAssembly>(WorkflowAssembly::Configuration{
        *m_settings, m_storage->keychainStore(), *m_desktop, systemClock(), *m_network,
        m_storage->historyDatabasePath(), resolveHostedBaseURL()});
}

WorkflowCoordinator& AppDelegate::workflow() {
    ensureWorkflow();
    return m_workflow->coordinator();
}

void AppDelegate::installPanel() {
    if (m_panel)
        return;
    m_startupSteps << QStringLiteral("panel");
    WorkflowCoordinator& coordinator = workflow();
    auto* panelWorkflow = new CoordinatorPanelWorkflow(&coordinator);
    auto* panelSettings = new ResultPanelAppSettings(m_settings.get());
    m_panel = std::make_unique<FloatingPanelController>(panelWorkflow, panelSettings);
    // Deleted with the controller, after the panel's view that reads them.
    panelWorkflow->setParent(m_panel.get());
    panelSettings->setParent(m_panel.get());
    new LongAnswerCleanup(
        panelWorkflow, &ResultPanelTextView::allTextShown,
        [] {
            returnFreeHeapPages();
            releaseMappedFontFilePages();
        },
        m_panel.get());
    const QPointer<FloatingPanelController> panel(m_panel.get());
    coordinator.setPresentPanelHook([panel](std::optional<QRect> anchor) {
        if (panel)
            panel->present(anchor ? std::optional<QRectF>(QRectF(*anchor)) : std::nullopt);
    });
    coordinator.setFocusPanelInputHook([panel] {
        if (panel)
            panel->focusInput();
    });
    coordinator.setClosePanelHook([panel] {
        if (panel)
            panel->hidePanel();
    });
    coordinator.setCancelCaptureWorkflowHook(whileAlive(this, &AppDelegate::cancelScreenshotSession));
}

void AppDelegate::installCapsule() {
    m_startupSteps << QStringLiteral("capsule");
    GlobalInputService* input = m_desktop->globalInput();
    if (m_capsule || !input)
        return;
    ensureWorkflow();
    DesktopServices* desktop = m_desktop.get();
    const QPointer<FloatingPanelController> panel(m_panel.get());
    m_capsuleSettings = std::make_unique<AppSettingsCapsuleSettings>(*m_settings, [panel] {
        if (panel)
            panel->flushPendingChanges();
    });
    AutoSelectionButtonController::Services services{
        *input,
        *m_capsuleSettings,
        systemClock(),
        [desktop] { return desktop->permissions().isGranted(PermissionKind::accessibility); },
        [desktop] {
            const std::shared_ptr<WindowSystem> windows = desktop->windows();
            const std::optional<FrontmostWindow> front = windows->frontmost();
            return front && front->target.pid == windows->selfPid();
        },
        [desktop] { return desktop->foreignPrimaryChanges(); },
        AutoSelectionButtonController::readerFunction(m_workflow->selectionReader()),
        [desktop] { return desktop->cursorPosition(); },
    };
    const QPointer<WorkflowCoordinator> coordinator(&m_workflow->coordinator());
    m_capsule = std::make_unique<AutoSelectionButtonController>(
        std::move(services), [coordinator](const CapturedSelection& selection) {
            if (coordinator)
                coordinator->translateCapturedSelection(selection);
        });
    m_capsule->start();
}

ScreenshotAssembly* AppDelegate::screenshots() {
    if (!m_screenshots) {
        ensureWorkflow();
        m_screenshots = std::make_unique<ScreenshotAssembly>(
            ScreenshotAssembly::Configuration{
                *m_settings, std::make_shared<CoordinatorScreenshotWorkflow>(&m_workflow->coordinator()),
                m_desktop->windows(), m_desktop->globalInput()},
            [self = QPointer(this)] { return self ? self->ownWindows() : OwnWindows{}; });
    }
    return m_screenshots.get();
}

OwnWindows AppDelegate::ownWindows() const {
    OwnWindows windows;
    if (m_panel)
        windows.floating << m_panel->panelWindow();
    if (m_capsule)
        windows.floating << m_capsule->panel() << m_capsule->styleMenu();
    // Message boxes and menus of any part (update check, permission explanations, pickers).
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog*>(window) || qobject_cast<QMenu*>(window))
            windows.floating << window;
    }
    if (m_mainWindowController)
        windows.documents << m_mainWindowController->window();
    for (const auto& [name, window] : m_hostedWindows)
        windows.documents << window;
    return windows;
}

void AppDelegate::translateSelection() {
    workflow().translateSelection();
}

void AppDelegate::startScreenshotTranslation() {
    if (ScreenshotAssembly* assembly = screenshots())
        assembly->runs().startScreenshotSession(ScreenshotPurpose::translate);
}

void AppDelegate::startScreenshotRecognition() {
    if (ScreenshotAssembly* assembly = screenshots())
        assembly->runs().startScreenshotSession(ScreenshotPurpose::recognizeOnly);
}

void AppDelegate::cancelScreenshotSession() {
    if (m_screenshots)
        m_screenshots->runs().cancelScreenshotSession();
}

void AppDelegate::presentMainWindow() {
    if (!m_mainWindowController) {
        m_startupSteps << QStringLiteral("mainWindow");
        const QPointer<AppDelegate> self(this);
        MainContentContext context;
        context.workflow = &workflow();
        context.settings = m_settings.get();
        context.historyStore = &m_workflow->historyStore();
        context.historyEvents = m_historyEvents.get();
        context.onOpenSettings = [self] {
            if (self)
                self->presentSettings();
        };
        context.onOpenHistory = [self] {
            if (self)
                self->presentHistoryWindow();
        };
        context.onScreenshotTranslate = whileAlive(this, &AppDelegate::startScreenshotTranslation);
        context.onScreenshotRecognize = whileAlive(this, &AppDelegate::startScreenshotRecognition);
        context.onRecognizeDroppedImage = [self](QImage image) {
            if (!self)
                return;
            if (ScreenshotAssembly* assembly = self->screenshots())
                assembly->runs().recognizeDroppedImage(image);
        };
        context.isFloatingPanelVisible = [self] {
            return self && self->m_panel && self->m_panel->panelWindow() &&
                   self->m_panel->panelWindow()->isVisible();
        };
        context.isSnapshotMode = m_environment.snapshotScreen() == SnapshotScreen::workspace;
        if (context.isSnapshotMode)
            context.inputText = snapshotSampleText();
        m_mainWindowController = std::make_unique<MainWindowController>(
            std::move(context), m_factories.mainContent, closeBehaviorSetting(*m_settings), [self] {
                if (self)
                    self->terminate();
            });
    }
    m_mainWindowController->showWindow();
    m_commands->attachTo(m_mainWindowController->window());
    qCInfo(lcAppDelegate) << "Main window shown";
}

QWidget* AppDelegate::hostedWindow(const QString& name) const {
    const auto it = m_hostedWindows.find(name);
    return it == m_hostedWindows.end() ? nullptr : it->second.data();
}

QWidget* AppDelegate::presentHostedWindow(const QString& name, const QString& title, QSize size,
                                          const std::function<QWidget*(QWidget*)>& content) {
    QPointer<QWidget>& window = m_hostedWindows[name];
    if (!window) {
        window = new QWidget;
        window->setObjectName(name);
        window->setWindowTitle(title);
        Theme::applyDarkAppearance(window);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        QWidget* inner = content ? content(window) : nullptr;
        if (!inner) {
            // Stands in until the real view of this window exists: the window's title, so the window is
            // recognisable rather than an empty dark square.
            auto* label = new QLabel(title, window);
            label->setObjectName(QStringLiteral("placeholder"));
            label->setAlignment(Qt::AlignCenter);
            label->setFont(Theme::manropeMedium30());
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Theme::colorE9E1D4());
            label->setPalette(palette);
            inner = label;
        }
        layout->addWidget(inner);
        // Centred on the screen under the pointer, like the main window, and never larger than its
        // available area.
        if (const QScreen* screen = QGuiApplication::screenAt(QCursor::pos())
                                        ? QGuiApplication::screenAt(QCursor::pos())
                                        : QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            size = size.boundedTo(available.size());
            window->move(available.center() - QPoint(size.width() / 2, size.height() / 2));
        }
        window->resize(size);
        m_commands->attachTo(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void AppDelegate::presentSettings() {
    SettingsContentContext context;
    context.settings = m_settings.get();
    context.keychain = &m_storage->keychainStore();
    context.historyEvents = m_historyEvents.get();
    context.page = m_environment.settingsPage().value_or(QString());
    context.onOpenOnboarding = [self = QPointer(this)] {
        if (self)
            self->presentOnboarding(0);
    };
    context.onCheckForUpdates = whileAlive(this, &AppDelegate::checkForUpdates);
    workflow();
    context.historyStore = &m_workflow->historyStore();
    context.network = m_network.get();
    context.permissions = []() -> const PermissionService& { return PermissionService::system(); };
    // A clear made here reaches the history window and the workspace's sidebar like one made there.
    context.onHistoryChanged = [self = QPointer(this)] {
        if (!self)
            return;
        self->m_historyEvents->announceCleared(nullptr);
        Q_EMIT self->historyChanged();
    };
    addShortcutControls(context, this, m_shortcutWiring.get());
    QWidget* window = presentHostedWindow(QStringLiteral("settings"), QStringLiteral("设置与权限"),
                                          {1200, 768}, contentBuilder(m_factories.settingsContent, context));
    window->setMinimumSize(860, 560);
}

void AppDelegate::presentOnboarding(int step) {
    m_startupSteps << QStringLiteral("guide");
    if (!m_onboarding) {
        OnboardingContentContext context;
        context.settings = m_settings.get();
        context.permissions = []() -> const PermissionService& { return PermissionService::system(); };
        addShortcutControls(context, this, m_shortcutWiring.get());
        m_onboarding = std::make_unique<OnboardingWindowController>(
            *m_settings, std::move(context), m_factories.onboardingContent,
            whileAlive(this, &AppDelegate::presentMainWindow));
    }
    const bool building = !m_onboarding->window();
    m_onboarding->showWindow(std::clamp(step, 0, lastOnboardingStep));
    if (building)
        m_commands->attachTo(m_onboarding->window());
}

void AppDelegate::presentHistoryWindow() {
    if (!m_factories.historyContent) {
        presentHostedWindow(QStringLiteral("history"), QStringLiteral("翻译历史"), {720, 560}, {});
        return;
    }
    if (!m_historyWindowController) {
        ensureWorkflow();
        HistoryContentContext context;
        context.historyStore = &m_workflow->historyStore();
        context.clipboard = &m_workflow->clipboard();
        context.historyEvents = m_historyEvents.get();
        context.onReuse = whileAlive(this, &AppDelegate::retranslateFromHistory);
        m_historyWindowController = std::make_unique<HistoryWindowController>(
            std::move(context), m_factories.historyContent,
            [commands = QPointer<AppCommands>(m_commands.get())](QWidget* window) {
                if (commands)
                    commands->attachTo(window);
            });
    }
    m_historyWindowController->show();
    qCInfo(lcAppDelegate) << "History window shown";
}

void AppDelegate::retranslateFromHistory(const QString& sourceText) {
    presentMainWindow();
    workflow().translateText(sourceText, false);
}

void AppDelegate::checkForUpdates() {
    m_updater->checkForUpdates();
}

} // namespace tolvane

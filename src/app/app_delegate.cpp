#include "app/app_delegate.h"

#include "app/app_commands.h"
#include "app/shortcut_wiring.h"
#include "app/snapshot_writer.h"
#include "app/status_menu.h"
#include "app/theme.h"
#include "app/workspace_placeholder.h"
#include "core/logging.h"
#include "platform/key_value_store.h"
#include "workflow/hot_key_manager.h"
#include "workflow/permission_helpers.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

namespace {

QString infoValue(const QString& key) {
    QFile file(QStringLiteral(":/Info.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(key).toString();
}

} // namespace

AppDelegate::AppDelegate(LaunchEnvironment environment, AppFactories factories, GlobalInputService* input,
                         QObject* parent)
    : QObject(parent), m_environment(std::move(environment)), m_factories(std::move(factories)),
      m_storage(std::make_unique<AppStorage>(m_environment)) {
    if (!m_factories.mainContent)
        m_factories.mainContent = WorkspacePlaceholder::factory();
    // Neither a test host nor a snapshot run ever grabs keys on the desktop.
    if (input && !m_environment.isTestHost() && !m_environment.isSnapshotRun())
        m_hotKeyManager = std::make_unique<HotKeyManager>(*input);

    HotKeyManager::Handlers handlers{
        {ShortcutAction::openTranslationWindow,
         [self = QPointer(this)] {
             if (self)
                 self->presentMainWindow();
         }},
        {ShortcutAction::translateSelection,
         [] { qCInfo(lcAppDelegate) << "Selection translation is not available in this build"; }},
        {ShortcutAction::screenshotTranslation,
         [] { qCInfo(lcAppDelegate) << "Screenshot translation is not available in this build"; }},
        {ShortcutAction::screenshotRecognition,
         [] { qCInfo(lcAppDelegate) << "Screenshot recognition is not available in this build"; }},
    };
    m_shortcutWiring = std::make_unique<ShortcutWiring>(
        m_hotKeyManager.get(),
        [self = QPointer(this)] { return self ? self->currentShortcuts() : ShortcutConfiguration{}; },
        std::move(handlers));
    const QPointer<AppDelegate> self(this);
    m_commands = std::make_unique<AppCommands>(
        [self] {
            if (self)
                self->checkForUpdates();
        },
        [self] {
            if (self)
                self->presentSettings();
        });
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
    // The windows go before the storage, so nothing holds the test host's files while they are removed.
    m_mainWindowController.reset();
    for (auto& [name, window] : m_hostedWindows)
        delete window;
    m_hostedWindows.clear();
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
    // The panel hooks come first, so no hot key can fire into a workflow without a panel.
    m_startupSteps << QStringLiteral("panel");
    installStatusItem();
    registerGlobalShortcuts();
    m_startupSteps << QStringLiteral("capsule") << QStringLiteral("subscriptions");
    presentMainWindow();
    if (readBool(m_storage->settingsStore(), hasSeenGuideKey) != true)
        presentOnboarding(0);
}

void AppDelegate::runSnapshot(SnapshotScreen screen) {
    m_startupSteps << QStringLiteral("snapshot:") + snapshotSwitch(screen);
    switch (screen) {
    case SnapshotScreen::workspace:
        installStatusItem();
        presentMainWindow();
        break;
    case SnapshotScreen::ocr:
        presentHostedWindow(QStringLiteral("ocr"), QStringLiteral("Ondrel"), {1440, 900}, {});
        break;
    case SnapshotScreen::ocrError:
        presentHostedWindow(QStringLiteral("ocrError"), QStringLiteral("Ondrel"), {520, 320}, {});
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
    QWidget* shown = QApplication::activeWindow();
    if (m_mainWindowController && m_mainWindowController->window())
        shown = m_mainWindowController->window();
    for (const auto& [name, window] : m_hostedWindows) {
        if (window && window->isVisible())
            shown = window;
    }
    if (!shown) {
        qCCritical(lcApp) << "Snapshot run showed no window";
        terminate();
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
    Q_EMIT terminating();
    QCoreApplication::exit(0);
}

void AppDelegate::installStatusItem() {
    if (m_statusMenu)
        return;
    m_startupSteps << QStringLiteral("tray");
    const QPointer<AppDelegate> self(this);
    auto run = [self](void (AppDelegate::*member)()) {
        return [self, member] {
            if (self)
                (self->*member)();
        };
    };
    StatusMenu::Commands commands;
    commands.showMainWindow = run(&AppDelegate::presentMainWindow);
    commands.triggerTranslation = [] {
        qCInfo(lcAppDelegate) << "Selection translation is not available in this build";
    };
    commands.triggerScreenshotTranslation = [] {
        qCInfo(lcAppDelegate) << "Screenshot translation is not available in this build";
    };
    commands.triggerScreenshotRecognition = [] {
        qCInfo(lcAppDelegate) << "Screenshot recognition is not available in this build";
    };
    commands.showHistory = run(&AppDelegate::presentHistoryWindow);
    commands.showSettings = run(&AppDelegate::presentSettings);
    commands.showOnboarding = [self] {
        if (self)
            self->presentOnboarding(0);
    };
    commands.openAccessibilitySettings = [] {
        openPrivacySettingsPane(QStringLiteral("Privacy_Accessibility"));
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
    const std::optional<QByteArray> json = readData(m_storage->settingsStore(), shortcutsKey);
    if (!json)
        return ShortcutConfiguration::defaultShortcuts();
    try {
        return ShortcutConfiguration::fromJson(*json);
    } catch (const std::exception& error) {
        qCWarning(lcAppDelegate) << "Stored shortcuts unreadable, using the defaults:" << error.what();
        return ShortcutConfiguration::defaultShortcuts();
    }
}

void AppDelegate::presentMainWindow() {
    if (!m_mainWindowController) {
        m_startupSteps << QStringLiteral("mainWindow");
        const QPointer<AppDelegate> self(this);
        MainContentContext context;
        context.settingsStore = &m_storage->settingsStore();
        context.onOpenSettings = [self] {
            if (self)
                self->presentSettings();
        };
        context.onOpenHistory = [self] {
            if (self)
                self->presentHistoryWindow();
        };
        context.isSnapshotMode = m_environment.snapshotScreen() == SnapshotScreen::workspace;
        if (context.isSnapshotMode)
            context.inputText = snapshotSampleText();
        m_mainWindowController =
            std::make_unique<MainWindowController>(std::move(context), m_factories.mainContent,
                                                   closeBehaviorSetting(m_storage->settingsStore()), [self] {
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
            // Stands in until the real view of this window exists.
            auto* label = new QLabel(window);
            label->setObjectName(QStringLiteral("placeholder"));
            inner = label;
        }
        layout->addWidget(inner);
        window->resize(size);
        m_commands->attachTo(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void AppDelegate::presentSettings() {
    const QString page = m_environment.settingsPage().value_or(QString());
    auto content = m_factories.settingsContent;
    presentHostedWindow(QStringLiteral("settings"), QStringLiteral("设置与权限"), {760, 620},
                        content ? std::function<QWidget*(QWidget*)>(
                                      [content, page](QWidget* parent) { return content(page, parent); })
                                : nullptr);
}

void AppDelegate::presentOnboarding(int step) {
    const int clamped = std::clamp(step, 0, lastOnboardingStep);
    m_startupSteps << QStringLiteral("guide");
    auto content = m_factories.onboardingContent;
    presentHostedWindow(QStringLiteral("onboarding"), QStringLiteral("Ondrel"), {880, 640},
                        content ? std::function<QWidget*(QWidget*)>([content, clamped](QWidget* parent) {
                            return content(clamped, parent);
                        })
                                : nullptr);
}

void AppDelegate::presentHistoryWindow() {
    presentHostedWindow(QStringLiteral("history"), QStringLiteral("历史记录"), {720, 520}, {});
}

void AppDelegate::checkForUpdates() {
    const QString version = infoValue(QStringLiteral("CFBundleShortVersionString"));
    auto* box = new QMessageBox(
        QMessageBox::Information, QStringLiteral("检查更新…"),
        QStringLiteral("Ondrel %1").arg(version.isEmpty() ? qApp->applicationVersion() : version));
    box->setInformativeText(QStringLiteral("更新通过系统的软件包管理器提供。"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace tolvane

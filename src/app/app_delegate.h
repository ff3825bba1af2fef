#pragma once

#include "app/app_factories.h"
#include "app/app_storage.h"
#include "app/desktop_services.h"
#include "app/launch_environment.h"
#include "app/main_window_controller.h"
#include "app/onboarding_window_controller.h"
#include "app/updater.h"
#include "model/app_settings.h"
#include "model/shortcut_configuration.h"
#include "ocr/own_window_hider.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

namespace tolvane {

class AppCommands;
class AppSettings;
class AppSettingsCapsuleSettings;
class AutoSelectionButtonController;
class FloatingPanelController;
class HistoryEvents;
class HistoryWindowController;
class HotKeyManager;
class ScreenshotAssembly;
class ShortcutWiring;
class StatusMenu;
class WorkflowAssembly;
class WorkflowCoordinator;

// Owns the long-lived services and windows, runs the start-up sequence and shuts down cleanly. Under a test
// host only construction runs, with isolated storage that is removed again at the end.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    static constexpr int lastOnboardingStep = 3;
    static inline const QString hasSeenGuideKey = AppSettings::firstRunGuideKey;

    // `desktop` is the desktop the workflow acts on; null means the in-memory one (no hot keys, no capsule,
    // nothing read from or written to other applications). Test hosts and snapshot runs always use the
    // in-memory desktop. `updater` null means the default: the appcast updater for normal runs, none else.
    AppDelegate(LaunchEnvironment environment, AppFactories factories,
                std::unique_ptr<DesktopServices> desktop = nullptr,
                std::unique_ptr<Updater> updater = nullptr, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence; does nothing under a test host. A normal start shows the main window (and the
    // guide on a first start) at once and finishes the rest once they have drawn: startupFinished().
    void start();
    bool isStartupFinished() const { return m_startupFinished; }
    // Every termination path: exits the event loop with status 0 (aboutToQuit still runs the clean-up).
    void terminate();
    // Idempotent: releases hot keys and removes the test host's storage after closing the windows.
    void cleanUp();

    void presentMainWindow();
    void presentSettings();
    void presentOnboarding(int step);
    void presentHistoryWindow();
    void checkForUpdates();
    // The tray and hot-key commands of the workflow.
    void translateSelection();
    void startScreenshotTranslation();
    void startScreenshotRecognition();
    // Ends a screenshot run in progress (the workflow's capture-cancel hook).
    void cancelScreenshotSession();
    std::optional<QString> validateShortcut(const AppShortcut& shortcut) const;
    // The shortcut setting changed: register again on a later turn.
    void shortcutsDidChange();

    const LaunchEnvironment& environment() const { return m_environment; }
    AppStorage& storage() { return *m_storage; }
    AppSettings& settings() { return *m_settings; }
    // The workflow and the windows it drives; built on first need (at start-up for a normal run).
    WorkflowCoordinator& workflow();
    FloatingPanelController* panelController() const { return m_panel.get(); }
    AutoSelectionButtonController* capsule() const { return m_capsule.get(); }
    StatusMenu* statusMenu() const { return m_statusMenu.get(); }
    MainWindowController* mainWindowController() const { return m_mainWindowController.get(); }
    HistoryWindowController* historyWindowController() const { return m_historyWindowController.get(); }
    HistoryEvents& historyEvents() { return *m_historyEvents; }
    // The first-run guide; built on its first request.
    OnboardingWindowController* onboardingController() const { return m_onboarding.get(); }
    ShortcutWiring* shortcutWiring() const { return m_shortcutWiring.get(); }
    AppCommands* commands() const { return m_commands.get(); }
    // The screenshot runs; null until the first screenshot request.
    ScreenshotAssembly* screenshotAssembly() const { return m_screenshots.get(); }
    // The named steps start-up has taken, in order ("panel", "tray", ...), for diagnostics.
    const QStringList& startupSteps() const { return m_startupSteps; }
    // Windows shown for parts that are not built here (settings, guide, history, overlays).
    QWidget* hostedWindow(const QString& name) const;

Q_SIGNALS:
    // The panel, tray, hot keys, capsule and updater are in place (after the first windows have drawn).
    void startupFinished();
    // Emitted by terminate(), before the event loop is asked to exit.
    void terminating();
    // The stored history changed outside the workflow (the settings window cleared it).
    void historyChanged();

private:
    void ensureWorkflow();
    // The start-up steps the first frame does not need.
    void finishStartup();
    void installPanel();
    void installStatusItem();
    void registerGlobalShortcuts();
    void installCapsule();
    void subscribeToSettings();
    // Stops the capsule and starts it again when its setting is on.
    void restartSelectionCapsule();
    // Built on first use.
    ScreenshotAssembly* screenshots();
    // Every window of ours a screen capture must not read back.
    OwnWindows ownWindows() const;
    ShortcutConfiguration currentShortcuts() const;
    void runSnapshot(SnapshotScreen screen);
    // A history row translated again: the main window comes forward and translates the source.
    void retranslateFromHistory(const QString& sourceText);
    QWidget* presentHostedWindow(const QString& name, const QString& title, QSize size,
                                 const std::function<QWidget*(QWidget*)>& content);

    LaunchEnvironment m_environment;
    AppFactories m_factories;
    std::unique_ptr<AppStorage> m_storage;
    std::unique_ptr<AppSettings> m_settings;
    // The one network manager: providers and the updater.
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<DesktopServices> m_desktop;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<WorkflowAssembly> m_workflow;
    std::unique_ptr<FloatingPanelController> m_panel;
    std::unique_ptr<ScreenshotAssembly> m_screenshots;
    std::unique_ptr<AppSettingsCapsuleSettings> m_capsuleSettings;
    std::unique_ptr<AutoSelectionButtonController> m_capsule;
    std::unique_ptr<HotKeyManager> m_hotKeyManager;
    std::unique_ptr<ShortcutWiring> m_shortcutWiring;
    std::unique_ptr<AppCommands> m_commands;
    std::unique_ptr<StatusMenu> m_statusMenu;
    std::unique_ptr<MainWindowController> m_mainWindowController;
    std::unique_ptr<HistoryEvents> m_historyEvents;
    std::unique_ptr<OnboardingWindowController> m_onboarding;
    std::unique_ptr<HistoryWindowController> m_historyWindowController;
    std::map<QString, QPointer<QWidget>> m_hostedWindows;
    QStringList m_startupSteps;
    bool m_cleanedUp = false;
    bool m_subscribed = false;
    bool m_startupFinished = false;
};

} // namespace tolvane

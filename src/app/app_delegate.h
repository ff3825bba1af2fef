#pragma once

#include "app/app_storage.h"
#include "app/launch_environment.h"
#include "app/main_window_controller.h"
#include "model/shortcut_configuration.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

namespace tolvane {

class AppCommands;
class GlobalInputService;
class HotKeyManager;
class ShortcutWiring;
class StatusMenu;

// The windows the shell hosts but other parts of the application build. Any factory left empty shows a
// placeholder window instead.
struct AppFactories {
    MainContentFactory mainContent;
    // Builds the settings window's content (the page is the snapshot switch's, or empty).
    std::function<QWidget*(const QString& page, QWidget* parent)> settingsContent;
    // Builds the first-run guide's content at a step in 0...3.
    std::function<QWidget*(int step, QWidget* parent)> onboardingContent;
};

// Owns the long-lived services and windows, runs the start-up sequence and shuts down cleanly. Under a test
// host only construction runs, with isolated storage that is removed again at the end.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    static constexpr int lastOnboardingStep = 3;
    static inline const QString hasSeenGuideKey = QStringLiteral("firstRun.hasSeenGuide");
    static inline const QString shortcutsKey = QStringLiteral("shortcuts");

    // `input` is the desktop's global input (null: no hot keys, e.g. under Wayland or in tests).
    AppDelegate(LaunchEnvironment environment, AppFactories factories, GlobalInputService* input = nullptr,
                QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence; does nothing under a test host.
    void start();
    // Every termination path: exits the event loop with status 0 (aboutToQuit still runs the clean-up).
    void terminate();
    // Idempotent: releases hot keys and removes the test host's storage after closing the windows.
    void cleanUp();

    void presentMainWindow();
    void presentSettings();
    void presentOnboarding(int step);
    void presentHistoryWindow();
    void checkForUpdates();
    std::optional<QString> validateShortcut(const AppShortcut& shortcut) const;
    // The shortcut setting changed: register again on a later turn.
    void shortcutsDidChange();

    const LaunchEnvironment& environment() const { return m_environment; }
    AppStorage& storage() { return *m_storage; }
    StatusMenu* statusMenu() const { return m_statusMenu.get(); }
    MainWindowController* mainWindowController() const { return m_mainWindowController.get(); }
    ShortcutWiring* shortcutWiring() const { return m_shortcutWiring.get(); }
    AppCommands* commands() const { return m_commands.get(); }
    // The named steps start-up has taken, in order ("panel", "tray", ...), for diagnostics.
    const QStringList& startupSteps() const { return m_startupSteps; }
    // Windows shown for parts that are not built here (settings, guide, history, overlays).
    QWidget* hostedWindow(const QString& name) const;

Q_SIGNALS:
    // Emitted by terminate(), before the event loop is asked to exit.
    void terminating();

private:
    void installStatusItem();
    void registerGlobalShortcuts();
    ShortcutConfiguration currentShortcuts() const;
    void runSnapshot(SnapshotScreen screen);
    QWidget* presentHostedWindow(const QString& name, const QString& title, QSize size,
                                 const std::function<QWidget*(QWidget*)>& content);

    LaunchEnvironment m_environment;
    AppFactories m_factories;
    std::unique_ptr<AppStorage> m_storage;
    std::unique_ptr<HotKeyManager> m_hotKeyManager;
    std::unique_ptr<ShortcutWiring> m_shortcutWiring;
    std::unique_ptr<AppCommands> m_commands;
    std::unique_ptr<StatusMenu> m_statusMenu;
    std::unique_ptr<MainWindowController> m_mainWindowController;
    std::map<QString, QPointer<QWidget>> m_hostedWindows;
    QStringList m_startupSteps;
    bool m_cleanedUp = false;
};

} // namespace tolvane

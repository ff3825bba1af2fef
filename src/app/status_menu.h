#pragma once

#include "model/shortcut_configuration.h"
#include "ui/shortcut_action_title.h"

#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>

namespace tolvane {

// The application's tray item and its menu, which reaches every function. The four shortcut items show the
// current global shortcuts; their key sequences act only while the menu is open. Without a tray host the
// menu is still built (and a warning logged), so its commands stay reachable through the application.
class StatusMenu final : public QObject {
    Q_OBJECT

public:
    struct Commands {
        std::function<void()> showMainWindow;
        std::function<void()> triggerTranslation;
        std::function<void()> triggerScreenshotTranslation;
        std::function<void()> triggerScreenshotRecognition;
        std::function<void()> showHistory;
        std::function<void()> showSettings;
        std::function<void()> showOnboarding;
        std::function<void()> openAccessibilitySettings;
        std::function<void()> checkForUpdates;
        std::function<void()> quit;
    };

    static inline const QString tooltip = QStringLiteral("Ondrel");
    static inline const QString markResource = QStringLiteral(":/icons/MenuBarMark.svg");

    explicit StatusMenu(Commands commands, QObject* parent = nullptr);
    ~StatusMenu() override;

    // Builds the menu and shows the tray item when a tray host is present. Idempotent.
    void install();
    // Shows each shortcut item's current shortcut: a single press as its key sequence, anything else in
    // the title; an action without a shortcut shows its plain title.
    void refreshShortcutMenuItems(const ShortcutConfiguration& shortcuts);

    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QAction* shortcutItem(ShortcutAction action) const;

    // The tray icon in the brand gold: the mark resource, else the stand-in symbol, else a drawn letter.
    // Never null.
    static QIcon makeIcon(const QString& markPath = markResource);
    // The key sequence of a single-press shortcut; empty when its key has no Qt key.
    static QKeySequence keySequenceFor(const AppShortcut& shortcut);

private:
    QAction* addItem(const QString& title, const std::function<void()>& command, const QString& keyText = {});

    Commands m_commands;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QSystemTrayIcon> m_tray;
    std::map<ShortcutAction, QPointer<QAction>> m_shortcutItems;
};

} // namespace tolvane

#pragma once

#include "ui/menu_shortcut_warning.h"
#include "workflow/hot_key_manager.h"

#include <QObject>
#include <QPointer>
#include <map>

namespace tolvane {

// Connects the shortcut setting to the global hot keys: registers the configured shortcuts with their
// handlers, keeps one error text per action that could not be registered, and checks freshly recorded
// shortcuts before they are stored. Main thread only.
class ShortcutWiring final : public QObject {
    Q_OBJECT

public:
    using ErrorMap = std::map<ShortcutAction, QString>;

    // `manager` may be null (a run without global input): registration then reports every shortcut as
    // unavailable.
    ShortcutWiring(HotKeyManager* manager, std::function<ShortcutConfiguration()> readShortcuts,
                   HotKeyManager::Handlers handlers, HotKeyManager::Probe probe = {},
                   QObject* parent = nullptr);

    // Registers the current setting now, replacing the error map as a whole. While paused it only notes
    // that a registration is due; resuming performs it.
    void registerGlobalShortcuts();
    // Registers again on a later event-loop turn, once; several requests in one turn register once. Used
    // after a change of the setting, so the registration result is the last word about it, and by
    // "restore defaults", which must re-register even when nothing changed.
    void reregisterShortcuts();
    // While a shortcut is recorded our grabs are released, else they would swallow the keys being pressed;
    // resuming takes them back with the setting as it is then.
    void setGlobalShortcutsPaused(bool paused);

    const ErrorMap& registrationErrors() const { return m_errors; }
    // None when the shortcut may be stored; otherwise the text to show.
    std::optional<QString> validateShortcut(const AppShortcut& shortcut) const;

Q_SIGNALS:
    // After each registration, with the configuration that was registered.
    void shortcutsRegistered(const ShortcutConfiguration& shortcuts);

private:
    QPointer<HotKeyManager> m_manager;
    std::function<ShortcutConfiguration()> m_readShortcuts;
    HotKeyManager::Handlers m_handlers;
    HotKeyManager::Probe m_probe;
    ErrorMap m_errors;
    bool m_reregisterQueued = false;
    bool m_paused = false;
    bool m_registrationDue = false;
};

} // namespace tolvane

#include "app/shortcut_wiring.h"

#include "core/logging.h"

#include <QMetaObject>
#include <utility>

namespace tolvane {

ShortcutWiring::ShortcutWiring(HotKeyManager* manager, std::function<ShortcutConfiguration()> readShortcuts,
                               HotKeyManager::Handlers handlers, HotKeyManager::Probe probe, QObject* parent)
    : QObject(parent), m_manager(manager), m_readShortcuts(std::move(readShortcuts)),
      m_handlers(std::move(handlers)), m_probe(std::move(probe)) {}

void ShortcutWiring::registerGlobalShortcuts() {
    if (m_paused) {
        // Nothing is grabbed while paused, so nothing can be reported as registered (or refused) yet.
        m_registrationDue = true;
        qCInfo(lcAppDelegate) << "Shortcut registration deferred until shortcuts are resumed";
        return;
    }
    const ShortcutConfiguration shortcuts = m_readShortcuts ? m_readShortcuts() : ShortcutConfiguration{};
    HotKeyManager::Failures failures;
    if (m_manager) {
        // Handlers run on a later turn, so the hot-key event returns to the event loop at once.
        HotKeyManager::Handlers queued;
        for (const auto& [action, handler] : m_handlers) {
            queued[action] = [self = QPointer<ShortcutWiring>(this), handler = handler] {
                if (self)
                    QMetaObject::invokeMethod(self, handler, Qt::QueuedConnection);
            };
        }
        failures = m_manager->registerShortcuts(shortcuts, std::move(queued));
    } else {
        for (ShortcutAction action : allShortcutActions) {
            if (shortcuts.shortcut(action))
                failures.emplace(action, HotKeyError(HotKeyError::Kind::installHandlerFailed, -1));
        }
    }

    ErrorMap errors;
    for (ShortcutAction action : allShortcutActions) {
        const std::optional<AppShortcut> shortcut = shortcuts.shortcut(action);
        if (!shortcut)
            continue;
        const QString name = rawValue(action);
        const QString display = shortcut->displayText();
        if (const auto failure = failures.find(action); failure != failures.end()) {
            errors[action] = failure->second.description();
            qCCritical(lcAppDelegate).noquote()
                << QStringLiteral("Failed to register %1 shortcut %2: %3").arg(name, display, errors[action]);
        } else {
            qCInfo(lcAppDelegate).noquote()
                << QStringLiteral("Registered %1 shortcut: %2").arg(name, display);
        }
    }
    m_errors = std::move(errors);
    Q_EMIT shortcutsRegistered(shortcuts);
}

void ShortcutWiring::reregisterShortcuts() {
    if (m_reregisterQueued)
        return;
    m_reregisterQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_reregisterQueued = false;
            registerGlobalShortcuts();
        },
        Qt::QueuedConnection);
}

void ShortcutWiring::setGlobalShortcutsPaused(bool paused) {
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (paused) {
        if (m_manager) {
            m_manager->unregisterAll();
            m_registrationDue = true;
        }
        return;
    }
    if (std::exchange(m_registrationDue, false))
        registerGlobalShortcuts();
}

std::optional<QString> ShortcutWiring::validateShortcut(const AppShortcut& shortcut) const {
    if (shortcut.pressCount != 1)
        return std::nullopt;
    if (std::optional<QString> refused = commonShortcutRefusal(shortcut))
        return refused;
    const std::optional<HotKeyError> refused =
        m_probe ? HotKeyManager::probeShortcutAvailability(shortcut, m_probe)
                : HotKeyManager::probeShortcutAvailability(shortcut);
    if (!refused)
        return std::nullopt;
    return refused->description();
}

} // namespace tolvane

#pragma once

#include "model/app_shortcut.h"

#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QWidget;

namespace tolvane {

class AppSettings;
class HistoryEvents;
class HistoryStore;
class KeychainStore;
class PermissionService;

// What the settings window's content is built from.
struct SettingsContentContext {
    AppSettings* settings = nullptr;
    KeychainStore* keychain = nullptr;
    HistoryStore* historyStore = nullptr;
    // The application's one network manager, for the connection test.
    QNetworkAccessManager* network = nullptr;
    // The permission states of this session, read again on every refresh.
    std::function<const PermissionService&()> permissions;
    // Where a clear of the history is announced to the other views showing it.
    HistoryEvents* historyEvents = nullptr;
    // The page named by the snapshot switch; empty for the default page.
    QString page;
    std::function<void()> onOpenOnboarding;
    std::function<void()> onCheckForUpdates;
    // None when a freshly recorded shortcut may be stored; else the text to show.
    std::function<std::optional<QString>(const AppShortcut&)> validateShortcut;
    // Registers the hot keys again on a later turn, even when nothing changed ("restore defaults").
    std::function<void()> reregisterShortcuts;
    // Releases the hot keys while a shortcut is being recorded, and takes them back afterwards.
    std::function<void(bool)> setGlobalShortcutsPaused;
    // The history was cleared (or a clear was attempted): views listing it read it again.
    std::function<void()> onHistoryChanged;
};

// Builds the settings window's content once, parented to the given window.
using SettingsContentFactory = std::function<QWidget*(const SettingsContentContext&, QWidget* parent)>;

} // namespace tolvane

#pragma once

#include "model/app_shortcut.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

class AppSettings;
class PermissionService;

// What the first-run guide's content is built from.
struct OnboardingContentContext {
    AppSettings* settings = nullptr;
    // The step to open at, in 0...3.
    int step = 0;
    // Ends the guide: marks it seen and brings the main window.
    std::function<void()> onFinish;
    // The permission states of this session, read again on every refresh.
    std::function<const PermissionService&()> permissions;
    std::function<std::optional<QString>(const AppShortcut&)> validateShortcut;
    std::function<void()> reregisterShortcuts;
    std::function<void(bool)> setGlobalShortcutsPaused;
};

// Builds the first-run guide's content once, parented to the given window.
using OnboardingContentFactory = std::function<QWidget*(const OnboardingContentContext&, QWidget* parent)>;

} // namespace tolvane

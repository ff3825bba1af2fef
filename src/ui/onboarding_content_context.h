#pragma once

#include "model/app_shortcut.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

class AppSettings;

// What the first-run guide's content is built from.
struct OnboardingContentContext {
    AppSettings* settings = nullptr;
    // The step to open at, in 0...3.
    int step = 0;
    std::function<void()> onFinish;
    std::function<std::optional<QString>(const AppShortcut&)> validateShortcut;
    std::function<void()> reregisterShortcuts;
    std::function<void(bool)> setGlobalShortcutsPaused;
};

// Builds the first-run guide's content once, parented to the given window.
using OnboardingContentFactory = std::function<QWidget*(const OnboardingContentContext&, QWidget* parent)>;

} // namespace tolvane

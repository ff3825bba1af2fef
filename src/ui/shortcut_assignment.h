#pragma once

#include "model/app_shortcut.h"
#include "model/shortcut_action.h"

#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

class AppSettings;

// Decides whether a freshly recorded shortcut is stored for an action, and stores it. Shared by the
// settings page and the first-run guide.
namespace ShortcutAssignment {

// How a conflict with another action is worded: naming that action (settings page) or the store's own
// assignment error (guide).
enum class ConflictText { named, generic };

struct Outcome {
    enum class Kind { unchanged, refused, stored };
    Kind kind = Kind::unchanged;
    QString message; // refused
};

// Availability check of the desktop: none when the chord can be grabbed, else the text to show.
using Availability = std::function<std::optional<QString>(const AppShortcut&)>;

// In order: the action already has exactly this shortcut (unchanged, nothing checked); a chord other
// applications rely on (commonShortcutRefusal); another action has it (conflict); the desktop refuses it
// (availability); else it is stored through AppSettings::setShortcut.
Outcome validate(ShortcutAction action, const AppShortcut& recorded, AppSettings& settings,
                 const Availability& availability, ConflictText conflictText);

} // namespace ShortcutAssignment

} // namespace tolvane

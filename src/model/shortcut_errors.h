#pragma once

#include "core/app_error.h"
#include "model/shortcut_action.h"

#include <cstdint>

namespace tolvane {

// A shortcut was assigned that another action already has.
class ShortcutAssignmentError final : public AppError {
public:
    explicit ShortcutAssignmentError(ShortcutAction alreadyUsedBy) : m_action(alreadyUsedBy) {}
    ShortcutAction alreadyUsedBy() const { return m_action; }
    QString description() const override;

private:
    ShortcutAction m_action;
};

// A global shortcut could not be watched or grabbed. `code` is the X error code (BadAccess = 10 when another
// client holds the grab).
class HotKeyError final : public AppError {
public:
    enum class Kind { installHandlerFailed, registerFailed };

    HotKeyError(Kind kind, int32_t code) : m_kind(kind), m_code(code) {}
    Kind kind() const { return m_kind; }
    int32_t code() const { return m_code; }
    QString description() const override;

private:
    Kind m_kind;
    int32_t m_code;
};

} // namespace tolvane

#pragma once

#include "core/app_error.h"

namespace tolvane {

// Failures raised by the translation pipeline itself.
class WorkflowError final : public AppError {
public:
    enum class Kind { missingAPIKey, emptyResult, engineNotChosen };

    explicit WorkflowError(Kind kind) : m_kind(kind) {}
    static WorkflowError missingAPIKey() { return WorkflowError(Kind::missingAPIKey); }
    static WorkflowError emptyResult() { return WorkflowError(Kind::emptyResult); }
    // The stored engine could not be read: no text leaves the machine until the user chooses one.
    static WorkflowError engineNotChosen() { return WorkflowError(Kind::engineNotChosen); }

    Kind kind() const { return m_kind; }
    // Localised; the Chinese text is both the translation key and the fallback.
    QString description() const override;

private:
    Kind m_kind;
};

} // namespace tolvane

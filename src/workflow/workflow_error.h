#pragma once

#include "core/app_error.h"

namespace tolvane {

// The longest text one translation sends, in UTF-16 code units (characters for nearly every script); a
// longer text is refused before anything leaves the machine.
inline constexpr qsizetype kMaximumTranslationLength = 20000;

// The longest answer one translation takes in, in UTF-16 code units: ten times the longest source. Even the
// language pairs that grow most in characters (Chinese or Japanese into English or German, about four times)
// stay far below it, so only a server that does not stop reaches it; it bounds the memory and the time the
// windows spend on one answer.
inline constexpr qsizetype kMaximumResultLength = 10 * kMaximumTranslationLength;

// Failures raised by the translation pipeline itself.
class WorkflowError final : public AppError {
public:
    enum class Kind {
        missingAPIKey,
        emptyResult,
        engineNotChosen,
        textTooLong,
        incompleteResult,
        resultTooLong
    };

    explicit WorkflowError(Kind kind) : m_kind(kind) {}
    static WorkflowError missingAPIKey() { return WorkflowError(Kind::missingAPIKey); }
    static WorkflowError emptyResult() { return WorkflowError(Kind::emptyResult); }
    // The stored engine could not be read: no text leaves the machine until the user chooses one.
    static WorkflowError engineNotChosen() { return WorkflowError(Kind::engineNotChosen); }
    // The text is longer than kMaximumTranslationLength; `length` is its length.
    static WorkflowError textTooLong(qsizetype length) {
        WorkflowError error(Kind::textTooLong);
        error.m_length = length;
        return error;
    }

    // The answer stopped after part of it arrived; `cause` tells why. The part stays shown, never recorded.
    static WorkflowError incompleteResult(QString cause) {
        WorkflowError error(Kind::incompleteResult);
        error.m_cause = std::move(cause);
        return error;
    }
    // The answer passed kMaximumResultLength and was no longer read.
    static WorkflowError resultTooLong() { return WorkflowError(Kind::resultTooLong); }

    Kind kind() const { return m_kind; }
    // Localised; the Chinese text is both the translation key and the fallback.
    QString description() const override;

private:
    Kind m_kind;
    qsizetype m_length = 0;
    QString m_cause;
};

} // namespace tolvane

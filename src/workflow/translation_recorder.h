#pragma once

#include "core/async/cancellation.h"
#include "model/ai_request.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>
#include <optional>

namespace tolvane {

// One finished translation to be written to history and, for provider results, to translation memory.
struct TranslationRecord {
    QString historyEntryId;
    AIRequest request;
    QString resultText;
    QString provider;
    bool writeMemory = false;
    QDateTime timestamp;
};

// The coordinator's view of the history and translation-memory database.
class TranslationRecorder {
public:
    virtual ~TranslationRecorder() = default;
    // The remembered result of an equal request (counting the hit), or nothing. The token abandons the wait,
    // not the database work.
    virtual QCoro::Task<std::optional<QString>> lookupMemory(AIRequest request, CancellationToken token) = 0;
    // Writes the history row and then, when asked and only if the history write succeeded, the memory row,
    // in one turn of the store with one timestamp. Throws the store's error when the history row could not
    // be written.
    virtual QCoro::Task<> recordTranslation(TranslationRecord record) = 0;
    // Where the store moved a damaged database it replaced with a new one; given once, then none.
    virtual std::optional<QString> takeSetAsideDatabase() = 0;
};

} // namespace tolvane

#pragma once

#include "core/async/cancellation.h"
#include "model/ai_request.h"
#include "model/translation_record.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace tolvane {

// The coordinator's view of the history and translation-memory database.
class TranslationRecorder {
public:
    virtual ~TranslationRecorder() = default;
    // The remembered result of an equal request (counting the hit), or nothing. The token abandons the wait,
    // not the database work.
    virtual QCoro::Task<std::optional<QString>> lookupMemory(AIRequest request, CancellationToken token) = 0;
    // How many clears of the history were asked for so far: a record made now carries it as `clearsBefore`.
    virtual uint64_t clearsRequested() const = 0;
    // Writes the history row and then, when asked and only if the history write succeeded, the memory row,
    // in one turn of the store with one timestamp. Throws the store's error when the history row could not
    // be written. False, writing nothing, when a clear asked for after the record was made has run.
    virtual QCoro::Task<bool> recordTranslation(TranslationRecord record) = 0;
    // Keeps the records now waiting to be written (oldest first, in place of those given before) on disk,
    // so that a start after the process ended however it did writes them; a record written or dropped since
    // needs no word. True when every one of them is kept on disk.
    virtual QCoro::Task<bool> keepWaiting(QList<TranslationRecord> records) = 0;
    // At quit: keeps the records not yet written, oldest first, so the next start writes them.
    virtual void keepUnwritten(QList<TranslationRecord> records) = 0;
    // Where the store moved a damaged database it replaced with a new one; given once, then none.
    virtual std::optional<QString> takeSetAsideDatabase() = 0;
};

} // namespace tolvane

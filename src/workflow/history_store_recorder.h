#pragma once

#include "workflow/translation_recorder.h"

namespace tolvane {

class HistoryStore;

// Writes the coordinator's records to the HistoryStore (see HistoryStore::recordTranslation): the history row
// first, then the memory row only when asked and only after the history write succeeded, both with the
// record's one timestamp. Only a history row that cannot be written fails the record.
class HistoryStoreRecorder final : public TranslationRecorder {
public:
    explicit HistoryStoreRecorder(HistoryStore& store) : m_store(store) {}
    QCoro::Task<std::optional<QString>> lookupMemory(AIRequest request, CancellationToken token) override;
    uint64_t clearsRequested() const override;
    QCoro::Task<bool> recordTranslation(TranslationRecord record) override;
    QCoro::Task<bool> keepWaiting(QList<TranslationRecord> records) override;
    void keepUnwritten(QList<TranslationRecord> records) override;
    std::optional<QString> takeSetAsideDatabase() override;

private:
    HistoryStore& m_store;
};

} // namespace tolvane

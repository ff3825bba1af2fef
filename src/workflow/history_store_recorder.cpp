#include "workflow/history_store_recorder.h"

#include "model/history_store.h"

namespace tolvane {

QCoro::Task<std::optional<QString>> HistoryStoreRecorder::lookupMemory(AIRequest request,
                                                                       CancellationToken token) {
    token.throwIfCancelled();
    const QString key = HistoryStore::memoryCacheKey(request.sourceText, request.targetLanguage,
                                                     request.style, request.glossaryTerms);
    // The caller re-checks its token after this await and drops a superseded answer.
    std::optional<QString> answer = co_await m_store.lookupMemory(key);
    co_return answer;
}

QCoro::Task<> HistoryStoreRecorder::recordTranslation(TranslationRecord record) {
    co_await m_store.upsertHistoryEntry(record.historyEntryId, record.request, record.resultText,
                                        record.provider, record.timestamp);
    if (record.writeMemory)
        co_await m_store.upsertMemoryEntry(record.request, record.resultText, record.timestamp);
}

std::optional<QString> HistoryStoreRecorder::takeSetAsideDatabase() {
    return m_store.takeSetAsidePath();
}

} // namespace tolvane

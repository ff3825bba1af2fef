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

uint64_t HistoryStoreRecorder::clearsRequested() const {
    return m_store.clearsRequested();
}

QCoro::Task<bool> HistoryStoreRecorder::recordTranslation(TranslationRecord record) {
    return m_store.recordTranslation(std::move(record));
}

QCoro::Task<bool> HistoryStoreRecorder::keepWaiting(QList<TranslationRecord> records) {
    return m_store.keepWaiting(std::move(records));
}

void HistoryStoreRecorder::keepUnwritten(QList<TranslationRecord> records) {
    m_store.keepUnwritten(std::move(records));
}

std::optional<QString> HistoryStoreRecorder::takeSetAsideDatabase() {
    return m_store.takeSetAsidePath();
}

} // namespace tolvane

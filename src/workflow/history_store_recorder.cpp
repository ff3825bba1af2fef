#include "workflow/history_store_recorder.h"

#include "core/logging.h"
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
    if (!record.writeMemory)
        co_return;
    // The memory is a short cut: the translation is in the history, so a memory row that cannot be written
    // now is skipped (the next equal request asks the provider again) rather than told as a lost row.
    try {
        co_await m_store.upsertMemoryEntry(record.request, record.resultText, record.timestamp);
    } catch (const HistoryStoreError& error) {
        qCWarning(lcWorkflow).noquote() << "Could not remember the translation:" << error.description();
    }
}

std::optional<QString> HistoryStoreRecorder::takeSetAsideDatabase() {
    return m_store.takeSetAsidePath();
}

} // namespace tolvane

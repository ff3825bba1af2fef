// The translation pipeline of WorkflowCoordinator: trimming, the same-language and memory short cuts, the
// provider stream with its cancellation checks, completion, timing, automatic copy and the records.

#include "core/app_error.h"
#include "core/logging.h"
#include "core/text.h"
#include "core/uuid_text.h"
#include "workflow/clipboard_writer.h"
#include "workflow/history_write_notice.h"
#include "workflow/same_language.h"
#include "workflow/translation_provider_factory.h"
#include "workflow/translation_settings.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_error.h"

#include <QFileInfo>
#include <algorithm>

namespace tolvane {

namespace {

// The hosted route's fixed, non-localised label, followed by a model or a quality name.
const QString kHostedLabel = QStringLiteral("Cloud ");

const QString kSameLanguageProvider = QStringLiteral("same-language");
const QString kMemoryProvider = QStringLiteral("memory");
const QString kHostedProvider = QStringLiteral("hosted-cloud");

// Rethrows the failure that ended a stream; after part of the answer arrived, its words say that what is
// shown is incomplete.
[[noreturn]] void rethrowStreamFailure(std::exception_ptr error, const QString& resultText) {
    if (isCancellation(error) || text::trimmed(resultText).isEmpty())
        std::rethrow_exception(error);
    throw WorkflowError::incompleteResult(describeError(error));
}

// The first `length` code units of `text`, one fewer when that would end in half of a surrogate pair.
QString keptPart(const QString& text, qsizetype length) {
    qsizetype kept = std::clamp<qsizetype>(length, 0, text.size());
    if (kept > 0 && kept < text.size() && text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept);
}

} // namespace

void WorkflowCoordinator::appendStreamedText(const QString& piece) {
    const qsizetype room = kMaximumResultLength - m_resultText.size();
    if (piece.size() <= room) {
        appendResultText(piece);
        return;
    }
    // What fits stays shown.
    const QString kept = keptPart(piece, room);
    if (!kept.isEmpty())
        appendResultText(kept);
    throw WorkflowError::resultTooLong();
}

void WorkflowCoordinator::replaceStreamedText(const QString& text) {
    if (text.size() <= kMaximumResultLength) {
        setResultText(text);
        return;
    }
    // Shown in part like a stream that passed the limit; the whole text is let go of.
    setResultText(keptPart(text, kMaximumResultLength));
    throw WorkflowError::resultTooLong();
}

void WorkflowCoordinator::throwIfSuperseded(const Self& self, const CancellationToken& token,
                                            uint64_t generation) {
    if (!self)
        throw CancelledError();
    token.throwIfCancelled();
    if (self->m_explicitCancellationGeneration != generation)
        throw CancelledError();
}

int WorkflowCoordinator::elapsedMilliseconds(std::chrono::nanoseconds startedAt) const {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_services.clock.uptime() - startedAt);
    return elapsed.count() < 0 ? 0 : static_cast<int>(elapsed.count());
}

void WorkflowCoordinator::publishCompletion(const QString& provider, qsizetype characters,
                                            std::chrono::nanoseconds startedAt) {
    // A damaged history database replaced when the store opened it is told once, beside the first result.
    QString notice;
    if (const std::optional<QString> setAside = m_services.historyStore.takeSetAsideDatabase())
        notice =
            tr("历史记录文件已损坏，已另存为 %1，并新建了历史记录。").arg(QFileInfo(*setAside).fileName());
    setStatus(WorkflowStatus::completed(withHistoryWriteNotice(notice)));

    const int total = elapsedMilliseconds(startedAt);
    if (!m_lastTimeToFirstToken)
        setLastTimeToFirstToken(total);
    setLastLatency(total);
    qCInfo(lcPerformance).noquote() << QStringLiteral(
                                           "Translation completed provider=%1 characters=%2 ttft_ms=%3 "
                                           "total_ms=%4")
                                           .arg(provider)
                                           .arg(characters)
                                           .arg(*m_lastTimeToFirstToken)
                                           .arg(total);

    // Issued before the records are written; the clipboard service orders it behind any borrow in progress.
    if (m_services.settings.autoCopyResult())
        m_services.clipboard.writePlainText(m_resultText);
}

QCoro::Task<> WorkflowCoordinator::record(Self self, TranslationRecord record) {
    // The result is already published as completed: a late stop must not turn it into a cancellation, and a
    // write that has to wait leaves it standing.
    if (!self)
        co_return;
    const AIRequest request = record.request;
    const QString resultText = record.resultText;
    HistoryWriteOutcome outcome;
    try {
        outcome = co_await self->m_historyWrites->write(std::move(record));
    } catch (const CancelledError&) {
        co_return;
    }
    if (!self)
        co_return;
    if (outcome.kind == HistoryWriteOutcome::Kind::dropped)
        co_return;
    if (outcome.kind == HistoryWriteOutcome::Kind::written) {
        self->m_historyDelayTold = false;
        co_return;
    }
    if (outcome.kind == HistoryWriteOutcome::Kind::waiting && std::exchange(self->m_historyDelayTold, true))
        co_return;
    const QString notice = historyWriteNotice(request.sourceText, outcome);
    self->m_pendingHistoryNotice = self->m_pendingHistoryNotice.isEmpty()
                                       ? notice
                                       : self->m_pendingHistoryNotice + QLatin1Char(' ') + notice;
    // Beside the result it is about while that is still shown, else beside the next one.
    const WorkflowStatus& status = self->m_status;
    if (status.kind() == WorkflowStatus::Kind::completed && self->m_lastRequest == request &&
        self->m_resultText == resultText)
        self->setStatus(WorkflowStatus::completed(self->withHistoryWriteNotice(status.message())));
}

QString WorkflowCoordinator::withHistoryWriteNotice(const QString& notice) {
    const QString told = std::exchange(m_pendingHistoryNotice, {});
    if (told.isEmpty())
        return notice;
    return notice.isEmpty() ? told : notice + QLatin1Char(' ') + told;
}

QCoro::Task<> WorkflowCoordinator::runTranslation(Self self, CancellationToken token, QString text,
                                                  std::optional<QString> historyEntryId) {
    if (!self)
        throw CancelledError();
    const std::chrono::nanoseconds startedAt = self->m_services.clock.uptime();
    const uint64_t generation = self->m_explicitCancellationGeneration;

    const QString trimmed = text::trimmed(text);
    if (trimmed.size() > kMaximumTranslationLength)
        throw WorkflowError::textTooLong(trimmed.size());
    self->setSourceText(trimmed);
    self->setLastTimeToFirstToken(std::nullopt);
    self->setLastLatency(std::nullopt);
    if (trimmed.isEmpty()) {
        self->setStatus(WorkflowStatus::empty());
        co_return;
    }

    const AIRequest request = self->makeTranslationRequest(trimmed);
    self->m_lastRequest = request;
    const QString entryId = historyEntryId.value_or(uuid::newUpper());
    TranslationRecorder* recorder = &self->m_services.historyStore;
    Clock* clock = &self->m_services.clock;

    if (isSameLanguage(request.sourceLanguage, request.targetLanguage)) {
        self->setResultText(trimmed);
        self->setProviderName(kSameLanguageProvider);
        self->publishCompletion(kSameLanguageProvider, text::graphemeCount(trimmed), startedAt);
        co_await record(self, {entryId, request, trimmed, kSameLanguageProvider, false, clock->now()});
        co_return;
    }

    std::optional<QString> remembered;
    try {
        remembered = co_await recorder->lookupMemory(request, token);
    } catch (const CancelledError&) {
        throwIfSuperseded(self, token, generation);
        throw;
    } catch (const std::exception& error) {
        // The memory is a short cut: a database that cannot answer now must not stop the translation.
        throwIfSuperseded(self, token, generation);
        qCWarning(lcWorkflow).noquote() << "Skipped the translation memory:" << describeError(error);
    }
    throwIfSuperseded(self, token, generation);
    if (remembered) {
        // An answer remembered before every answer was held to the limit is held to it now.
        self->replaceStreamedText(*remembered);
        self->setProviderName(kMemoryProvider);
        self->publishCompletion(kMemoryProvider, text::graphemeCount(trimmed), startedAt);
        co_await record(self, {entryId, request, *remembered, kMemoryProvider, false, clock->now()});
        co_return;
    }

    // Without a readable choice nothing is sent: the text must not go to a service the user never chose.
    const std::optional<TranslationEngine> engine = self->m_services.settings.translationEngine();
    if (!engine)
        throw WorkflowError::engineNotChosen();
    if (*engine == TranslationEngine::openAICompatible)
        co_await streamChat(self, token, request, generation, startedAt, entryId);
    else
        co_await streamHosted(self, token, request, generation, startedAt, entryId);
}

QCoro::Task<> WorkflowCoordinator::streamChat(Self self, CancellationToken token, AIRequest request,
                                              uint64_t generation, std::chrono::nanoseconds startedAt,
                                              QString historyEntryId) {
    ApiKeySource* keychain = &self->m_services.keychain;
    Clock* clock = &self->m_services.clock;

    std::optional<QString> storedKey;
    try {
        storedKey = co_await keychain->readAPIKey(token);
    } catch (...) {
        throwIfSuperseded(self, token, generation);
        throw;
    }
    throwIfSuperseded(self, token, generation);
    const QString apiKey = storedKey ? text::trimmed(*storedKey) : QString();
    if (apiKey.isEmpty())
        throw WorkflowError::missingAPIKey();

    const TranslationSettings& settings = self->m_services.settings;
    std::unique_ptr<AIProvider> provider =
        self->m_services.providers.makeChat(settings.baseURLString(), settings.model(), apiKey);
    const QString providerId = provider->id();
    self->setProviderName(providerId);
    self->setStatus(WorkflowStatus::streaming());

    AsyncChannel<AIChunk>::Reader chunks = provider->stream(request);
    for (;;) {
        std::optional<AIChunk> chunk;
        try {
            chunk = co_await chunks.next(token);
        } catch (...) {
            throwIfSuperseded(self, token, generation);
            rethrowStreamFailure(std::current_exception(), self->m_resultText);
        }
        throwIfSuperseded(self, token, generation);
        if (!chunk)
            break;
        if (chunk->text.isEmpty())
            continue;
        if (!self->m_lastTimeToFirstToken)
            self->setLastTimeToFirstToken(self->elapsedMilliseconds(startedAt));
        // Past the limit the reader is dropped, which stops the transfer.
        self->appendStreamedText(chunk->text);
    }

    if (text::trimmed(self->m_resultText).isEmpty())
        throw WorkflowError::emptyResult();
    self->publishCompletion(providerId, text::graphemeCount(request.sourceText), startedAt);
    const QString resultText = self->m_resultText;
    co_await record(self, {historyEntryId, request, resultText, providerId, true, clock->now()});
}

QCoro::Task<> WorkflowCoordinator::streamHosted(Self self, CancellationToken token, AIRequest request,
                                                uint64_t generation, std::chrono::nanoseconds startedAt,
                                                QString historyEntryId) {
    Clock* clock = &self->m_services.clock;
    TranslationSettings* settings = &self->m_services.settings;

    std::unique_ptr<HostedTranslationProvider> provider =
        self->m_services.providers.makeHosted(settings->cloudTranslationQuality());
    self->setProviderName(kHostedProvider);
    self->setStatus(WorkflowStatus::streaming());

    AsyncChannel<CloudTranslationStreamEvent>::Reader events = provider->streamEvents(request);
    std::optional<CloudTranslationResult> completed;
    for (;;) {
        std::optional<CloudTranslationStreamEvent> event;
        try {
            event = co_await events.next(token);
        } catch (...) {
            throwIfSuperseded(self, token, generation);
            rethrowStreamFailure(std::current_exception(), self->m_resultText);
        }
        throwIfSuperseded(self, token, generation);
        if (!event)
            break;
        if (event->kind == CloudTranslationStreamEvent::Kind::delta) {
            // An empty delta is appended too and fixes the first-token time.
            if (!self->m_lastTimeToFirstToken)
                self->setLastTimeToFirstToken(self->elapsedMilliseconds(startedAt));
            self->appendStreamedText(event->text);
        } else {
            // A later completion replaces an earlier one; the stream is read to its end.
            completed = std::move(event->result);
        }
    }

    if (!completed)
        throw WorkflowError::emptyResult();
    // The whole text replaces the pieces, under the same limit.
    if (self->m_resultText != completed->translatedText)
        self->replaceStreamedText(completed->translatedText);
    const QString displayName = cloudProviderDisplayName(*completed);
    self->setProviderName(displayName);
    if (text::trimmed(self->m_resultText).isEmpty())
        throw WorkflowError::emptyResult();

    if (!completed->quotaUsed)
        settings->addCloudCharactersUsed(text::graphemeCount(request.sourceText));
    settings->updateCloudUsage(completed->quotaLimit, completed->quotaUsed);

    self->publishCompletion(displayName, text::graphemeCount(request.sourceText), startedAt);
    const QString resultText = self->m_resultText;
    co_await record(self, {historyEntryId, request, resultText, displayName, true, clock->now()});
}

QString WorkflowCoordinator::cloudProviderDisplayName(const CloudTranslationResult& result) {
    if (result.model) {
        if (result.provider)
            return *result.provider + QLatin1Char(' ') + *result.model;
        return kHostedLabel + *result.model;
    }
    if (result.quality)
        return kHostedLabel + displayName(*result.quality);
    return tr("托管云端");
}

} // namespace tolvane

#pragma once

// In-memory stand-ins for the coordinator's services. Each can hold its answer open so that a test decides
// when an await resumes.

#include "core/async/async_channel.h"
#include "core/async/one_shot.h"
#include "model/ai_request.h"
#include "platform/language_recognizer.h"
#include "workflow/clipboard_writer.h"
#include "workflow/paste_back_target.h"
#include "workflow/selection_source.h"
#include "workflow/translation_provider_factory.h"
#include "workflow/translation_recorder.h"
#include "workflow/translation_settings.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <exception>
#include <memory>
#include <vector>

namespace tolvane::testing {

class TestError final : public AppError {
public:
    explicit TestError(QString message) : m_message(std::move(message)) {}
    QString description() const override { return m_message; }

private:
    QString m_message;
};

struct FakeSettings final : TranslationSettings {
    QString source = QStringLiteral("en-US");
    QString target = QStringLiteral("zh-Hans");
    TranslationStyle style = TranslationStyle::literal;
    QList<GlossaryTerm> glossary;
    std::optional<TranslationEngine> engine = TranslationEngine::openAICompatible;
    CloudTranslationQuality quality = CloudTranslationQuality::standard;
    QString baseURL = QStringLiteral("http://127.0.0.1:1/v1");
    QString modelName = QStringLiteral("gpt-4o-mini");
    bool autoCopy = false;
    bool autoTranslate = true;
    qint64 charactersAdded = 0;
    std::vector<std::pair<std::optional<qint64>, std::optional<qint64>>> usageUpdates;

    QString sourceLanguage() const override { return source; }
    QString targetLanguage() const override { return target; }
    TranslationStyle translationStyle() const override { return style; }
    QList<GlossaryTerm> activeGlossaryTerms() const override { return glossary; }
    std::optional<TranslationEngine> translationEngine() const override { return engine; }
    CloudTranslationQuality cloudTranslationQuality() const override { return quality; }
    QString baseURLString() const override { return baseURL; }
    QString model() const override { return modelName; }
    bool autoCopyResult() const override { return autoCopy; }
    bool autoTranslateWhileTyping() const override { return autoTranslate; }
    void addCloudCharactersUsed(qint64 characters) override { charactersAdded += characters; }
    void updateCloudUsage(std::optional<qint64> limit, std::optional<qint64> used) override {
        usageUpdates.emplace_back(limit, used);
    }
};

struct FakeKeychain final : ApiKeySource {
    std::optional<QString> key = QStringLiteral("sk-test");
    QCoro::Task<std::optional<QString>> readAPIKey(CancellationToken) override {
        // An explicit copy: QCoro's return_value moves from an lvalue member.
        co_return std::optional<QString>(key);
    }
};

struct FakeSelection final : SelectionSource {
    std::optional<CapturedSelection> synchronous;
    // The asynchronous read answers with this, or throws `error`.
    std::optional<CapturedSelection> asynchronous;
    std::exception_ptr error;

    std::optional<CapturedSelection> readSelectionSynchronously() override { return synchronous; }
    QCoro::Task<std::optional<CapturedSelection>> readSelection(CancellationToken token) override {
        token.throwIfCancelled();
        if (error)
            std::rethrow_exception(error);
        co_return std::optional<CapturedSelection>(asynchronous);
    }
};

// Memory rows keyed by source text and target language; every record is kept in order.
struct FakeRecorder final : TranslationRecorder {
    QHash<QString, QString> memory;
    std::vector<TranslationRecord> records;
    // Records handed over at quit, and the waiting ones last handed over while running.
    QList<TranslationRecord> kept;
    QList<TranslationRecord> waiting;
    int lookups = 0;
    bool failWrites = false;
    bool failLookups = false;
    std::optional<QString> setAsideDatabase;
    // When set, the next lookup waits for this gate before it answers.
    std::optional<Signal> holdLookup;

    static QString keyOf(const AIRequest& r) { return r.sourceText + QChar(0x1F) + r.targetLanguage; }

    QCoro::Task<std::optional<QString>> lookupMemory(AIRequest request, CancellationToken) override {
        ++lookups;
        const QString key = keyOf(request);
        if (auto gate = std::exchange(holdLookup, std::nullopt)) {
            // Deliberately deaf to the token: the pipeline must drop an answer that arrives after a stop.
            co_await gate->wait();
        }
        if (failLookups)
            throw TestError(QStringLiteral("database is locked"));
        if (memory.contains(key))
            co_return memory.value(key);
        co_return std::nullopt;
    }
    uint64_t clearsRequested() const override { return 0; }
    QCoro::Task<bool> recordTranslation(TranslationRecord record) override {
        if (failWrites)
            throw TestError(QStringLiteral("disk I/O error"));
        if (record.writeMemory)
            memory.insert(keyOf(record.request), record.resultText);
        records.push_back(std::move(record));
        co_return true;
    }
    QCoro::Task<bool> keepWaiting(QList<TranslationRecord> records) override {
        waiting = std::move(records);
        co_return true;
    }
    void keepUnwritten(QList<TranslationRecord> unwritten) override { kept += unwritten; }
    std::optional<QString> takeSetAsideDatabase() override { return std::exchange(setAsideDatabase, {}); }
};

struct FakePasteBack final : PasteBackTarget {
    int captures = 0;
    QStringList pasted;
    std::exception_ptr error;
    void captureTarget() override { ++captures; }
    QCoro::Task<> pasteBack(QString text, CancellationToken) override {
        if (error)
            std::rethrow_exception(error);
        pasted << text;
        co_return;
    }
};

struct FakeClipboard final : ClipboardWriter {
    QStringList writes;
    void writePlainText(const QString& text) override { writes << text; }
};

// Streams are scripted by the test through the writers it receives.
class FakeProviderFactory final : public TranslationProviderFactory {
public:
    struct ChatCall {
        QString baseURL, model, apiKey;
        AIRequest request;
        AsyncChannel<AIChunk>::Writer writer;
    };
    struct HostedCall {
        CloudTranslationQuality quality;
        AIRequest request;
        AsyncChannel<CloudTranslationStreamEvent>::Writer writer;
    };

    std::unique_ptr<AIProvider> makeChat(const QString& baseURL, const QString& model,
                                         const QString& apiKey) override {
        return std::make_unique<Chat>(this, baseURL, model, apiKey);
    }
    std::unique_ptr<HostedTranslationProvider> makeHosted(CloudTranslationQuality quality) override {
        return std::make_unique<Hosted>(this, quality);
    }

    // Streams whose consumer still listens.
    int liveStreams() const {
        int n = 0;
        for (const auto& c : chat)
            n += c.writer.isClosed() ? 0 : 1;
        for (const auto& h : hosted)
            n += h.writer.isClosed() ? 0 : 1;
        return n;
    }
    AsyncChannel<AIChunk>::Writer& lastChat() { return chat.back().writer; }

    std::deque<ChatCall> chat;
    std::deque<HostedCall> hosted;

private:
    class Chat final : public AIProvider {
    public:
        Chat(FakeProviderFactory* f, QString b, QString m, QString k)
            : m_factory(f), m_base(std::move(b)), m_model(std::move(m)), m_key(std::move(k)) {}
        QString id() const override { return QStringLiteral("openai-compatible"); }
        AsyncChannel<AIChunk>::Reader stream(AIRequest request) const override {
            auto [writer, reader] = AsyncChannel<AIChunk>::create();
            m_factory->chat.push_back({m_base, m_model, m_key, std::move(request), writer});
            return std::move(reader);
        }

    private:
        FakeProviderFactory* m_factory;
        QString m_base, m_model, m_key;
    };
    class Hosted final : public HostedTranslationProvider {
    public:
        Hosted(FakeProviderFactory* f, CloudTranslationQuality q) : m_factory(f), m_quality(q) {}
        AsyncChannel<CloudTranslationStreamEvent>::Reader streamEvents(const AIRequest& request) override {
            auto [writer, reader] = AsyncChannel<CloudTranslationStreamEvent>::create();
            m_factory->hosted.push_back({m_quality, request, writer});
            return std::move(reader);
        }

    private:
        FakeProviderFactory* m_factory;
        CloudTranslationQuality m_quality;
    };
};

// Never names a language, so "auto" stays "auto" unless the script guess decides.
struct SilentRecognizer final : LanguageRecognizer {
    std::optional<RecognizedLanguage> dominant(const QString&) const override { return std::nullopt; }
};

} // namespace tolvane::testing

#pragma once

#include "model/cloud_translation_quality.h"
#include "model/glossary_term.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// One fixed term translation sent with a translate request.
struct CloudGlossaryTerm {
    QString source;
    QString target;
};

// Body of POST v1/translate (snake_case on the wire).
struct CloudTranslationRequest {
    std::optional<QString> deviceToken; // left out of the JSON when absent
    QString sourceText;
    QString sourceLanguage; // a language code or "auto"
    QString targetLanguage;
    QString style;                     // raw TranslationStyle value
    QString cloudQuality;              // "standard" or "advanced"
    QList<CloudGlossaryTerm> glossary; // always written, [] when empty

    QJsonObject toJson() const;
    // The terms whose trimmed sides are both non-empty, in order, sent untrimmed; duplicates kept.
    static QList<CloudGlossaryTerm> activeTerms(const QList<GlossaryTerm>& terms);
};

// The service's account of the usage period.
struct CloudQuotaBreakdown {
    QString period;
    QString monthlyBucket;
    qint64 freeLimit = 0;
    qint64 freeUsed = 0;
    qint64 freeRemaining = 0;
    qint64 subscriptionLimit = 0;
    qint64 subscriptionUsed = 0;
    qint64 subscriptionRemaining = 0;
    qint64 creditsGranted = 0;
    qint64 creditsRevoked = 0; // 0 when absent
    qint64 creditsUsed = 0;
    qint64 creditsBalance = 0;
    qint64 creditsDebt = 0; // 0 when absent

    friend bool operator==(const CloudQuotaBreakdown&, const CloudQuotaBreakdown&) = default;
};

// A translate answer: the body of a non-streamed answer and the data of the "done" event.
struct CloudTranslationResponse {
    QString translatedText; // "translated_text", else the required "text"
    std::optional<qint64> quotaLimit;
    std::optional<qint64> quotaUsed;
    std::optional<qint64> quotaRemaining;
    std::optional<QString> provider;
    std::optional<QString> model;
    std::optional<QString> quality;
    std::optional<CloudQuotaBreakdown> quotaBreakdown;
};

// What the workflow receives when a hosted translation completes.
struct CloudTranslationResult {
    QString translatedText;
    std::optional<qint64> quotaLimit;
    std::optional<qint64> quotaUsed;
    std::optional<qint64> quotaRemaining;
    std::optional<QString> provider;
    std::optional<QString> model;
    std::optional<CloudTranslationQuality> quality; // exact "standard"/"advanced", else none
    std::optional<CloudQuotaBreakdown> quotaBreakdown;

    static CloudTranslationResult fromResponse(const CloudTranslationResponse& response);
    friend bool operator==(const CloudTranslationResult&, const CloudTranslationResult&) = default;
};

// One element of the hosted event stream: a piece of text, or the completed result.
struct CloudTranslationStreamEvent {
    enum class Kind { delta, completed };

    Kind kind = Kind::delta;
    QString text;                  // delta only
    CloudTranslationResult result; // completed only

    static CloudTranslationStreamEvent delta(QString text) { return {Kind::delta, std::move(text), {}}; }
    static CloudTranslationStreamEvent completed(CloudTranslationResult result) {
        return {Kind::completed, {}, std::move(result)};
    }
    friend bool operator==(const CloudTranslationStreamEvent&, const CloudTranslationStreamEvent&) = default;
};

// Strict decoders of the service's JSON; they throw JsonDecodingError.
CloudTranslationResponse decodeCloudTranslationResponse(QByteArrayView bytes);
QString decodeCloudTranslationDelta(QByteArrayView bytes); // the required "text"
struct CloudTranslationErrorResponse {
    std::optional<QString> error;
    std::optional<QString> message;
    static CloudTranslationErrorResponse decode(QByteArrayView bytes);
};

// decodeCloudTranslationResponse, with its decoding failures turned into AIProviderError::providerError
// carrying a Chinese message that names the key and path. Other errors pass unchanged.
CloudTranslationResponse decodeCloudPayload(QByteArrayView bytes);

} // namespace tolvane

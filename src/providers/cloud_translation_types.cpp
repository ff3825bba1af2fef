#include "providers/cloud_translation_types.h"

#include "core/text.h"
#include "model/raw_enum.h"
#include "providers/json_reader.h"
#include "providers/provider_errors.h"

#include <QJsonArray>

namespace tolvane {

QJsonObject CloudTranslationRequest::toJson() const {
    QJsonArray terms;
    for (const auto& term : glossary)
        terms.append(
            QJsonObject{{QStringLiteral("source"), term.source}, {QStringLiteral("target"), term.target}});
    QJsonObject object{
        {QStringLiteral("source_text"), sourceText},
        {QStringLiteral("source_language"), sourceLanguage},
        {QStringLiteral("target_language"), targetLanguage},
        {QStringLiteral("style"), style},
        {QStringLiteral("cloud_quality"), cloudQuality},
        {QStringLiteral("glossary"), terms},
    };
    if (deviceToken)
        object.insert(QStringLiteral("device_token"), *deviceToken);
    return object;
}

QList<CloudGlossaryTerm> CloudTranslationRequest::activeTerms(const QList<GlossaryTerm>& terms) {
    QList<CloudGlossaryTerm> active;
    for (const auto& term : terms) {
        if (!text::trimmed(term.source).isEmpty() && !text::trimmed(term.target).isEmpty())
            active.append({term.source, term.target});
    }
    return active;
}

CloudTranslationResult CloudTranslationResult::fromResponse(const CloudTranslationResponse& response) {
    CloudTranslationResult result;
    result.translatedText = response.translatedText;
    result.quotaLimit = response.quotaLimit;
    result.quotaUsed = response.quotaUsed;
    result.quotaRemaining = response.quotaRemaining;
    result.provider = response.provider;
    result.model = response.model;
    if (response.quality)
        result.quality = fromRawValue<CloudTranslationQuality>(*response.quality);
    result.quotaBreakdown = response.quotaBreakdown;
    return result;
}

namespace {

CloudQuotaBreakdown readBreakdown(const JsonReader& reader) {
    // Read in wire order: the first failure ends decoding.
    CloudQuotaBreakdown b;
    b.period = reader.requireString(QStringLiteral("period"));
    b.monthlyBucket = reader.requireString(QStringLiteral("monthly_bucket"));
    b.freeLimit = reader.requireInteger(QStringLiteral("free_limit"));
    b.freeUsed = reader.requireInteger(QStringLiteral("free_used"));
    b.freeRemaining = reader.requireInteger(QStringLiteral("free_remaining"));
    b.subscriptionLimit = reader.requireInteger(QStringLiteral("subscription_limit"));
    b.subscriptionUsed = reader.requireInteger(QStringLiteral("subscription_used"));
    b.subscriptionRemaining = reader.requireInteger(QStringLiteral("subscription_remaining"));
    b.creditsGranted = reader.requireInteger(QStringLiteral("credits_granted"));
    b.creditsRevoked = reader.optionalInteger(QStringLiteral("credits_revoked")).value_or(0);
    b.creditsUsed = reader.requireInteger(QStringLiteral("credits_used"));
    b.creditsBalance = reader.requireInteger(QStringLiteral("credits_balance"));
    b.creditsDebt = reader.optionalInteger(QStringLiteral("credits_debt")).value_or(0);
    return b;
}

} // namespace

CloudTranslationResponse decodeCloudTranslationResponse(QByteArrayView bytes) {
    const JsonReader reader = JsonReader::parse(bytes);
    CloudTranslationResponse response;
    if (auto translated = reader.optionalString(QStringLiteral("translated_text")))
        response.translatedText = *translated;
    else
        response.translatedText = reader.requireString(QStringLiteral("text"));
    response.quotaLimit = reader.optionalInteger(QStringLiteral("quota_limit"));
    response.quotaUsed = reader.optionalInteger(QStringLiteral("quota_used"));
    response.quotaRemaining = reader.optionalInteger(QStringLiteral("quota_remaining"));
    response.provider = reader.optionalString(QStringLiteral("provider"));
    response.model = reader.optionalString(QStringLiteral("model"));
    response.quality = reader.optionalString(QStringLiteral("quality"));
    if (auto breakdown = reader.optionalObject(QStringLiteral("quota_breakdown")))
        response.quotaBreakdown = readBreakdown(*breakdown);
    return response;
}

QString decodeCloudTranslationDelta(QByteArrayView bytes) {
    return JsonReader::parse(bytes).requireString(QStringLiteral("text"));
}

CloudTranslationErrorResponse CloudTranslationErrorResponse::decode(QByteArrayView bytes) {
    const JsonReader reader = JsonReader::parse(bytes);
    return {reader.optionalString(QStringLiteral("error")), reader.optionalString(QStringLiteral("message"))};
}

CloudTranslationResponse decodeCloudPayload(QByteArrayView bytes) {
    try {
        return decodeCloudTranslationResponse(bytes);
    } catch (const JsonDecodingError& error) {
        const QString path = codingPathDescription(error.codingPath());
        switch (error.kind()) {
        case JsonDecodingError::Kind::KeyNotFound:
            throw AIProviderError::providerError(
                QStringLiteral("云端响应缺少字段 %1（%2）。").arg(error.key(), path));
        case JsonDecodingError::Kind::ValueNotFound:
            throw AIProviderError::providerError(QStringLiteral("云端响应字段为空（%1）。").arg(path));
        case JsonDecodingError::Kind::TypeMismatch:
            throw AIProviderError::providerError(QStringLiteral("云端响应字段类型不匹配（%1）。").arg(path));
        case JsonDecodingError::Kind::DataCorrupted:
            throw AIProviderError::providerError(
                QStringLiteral("云端响应内容损坏（%1：%2）。").arg(path, error.debugText()));
        }
        throw;
    }
}

} // namespace tolvane

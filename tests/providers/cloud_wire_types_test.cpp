#include "providers/cloud_translation_types.h"
#include "providers/device_registration_types.h"
#include "providers/hosted_base_url.h"
#include "providers/json_reader.h"
#include "providers/network_test_support.h"
#include "providers/provider_errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

QString payloadMessage(const QByteArray& body) {
    try {
        decodeCloudPayload(body);
    } catch (const AIProviderError& error) {
        return error.description();
    }
    return QStringLiteral("<decoded>");
}

QByteArray breakdownWithout(const QString& missing, const QJsonValue& freeLimit = 5) {
    QJsonObject breakdown{{"period", "2025-01"},    {"monthly_bucket", "2025-01"}, {"free_limit", freeLimit},
                          {"free_used", 1},         {"free_remaining", 4},         {"subscription_limit", 0},
                          {"subscription_used", 0}, {"subscription_remaining", 0}, {"credits_granted", 10},
                          {"credits_revoked", 2},   {"credits_used", 3},           {"credits_balance", 5},
                          {"credits_debt", 1}};
    breakdown.remove(missing);
    return QJsonDocument(QJsonObject{{"text", "t"}, {"quota_breakdown", breakdown}}).toJson();
}

TEST(CloudWireTypes, UndecodableAnswersNameTheKeyAndPathInChinese) {
    EXPECT_EQ(payloadMessage(R"({"quota_used":1})"), QString::fromUtf8("云端响应缺少字段 text（）。"));
    EXPECT_EQ(payloadMessage(breakdownWithout("credits_used")),
              QString::fromUtf8("云端响应缺少字段 credits_used（quota_breakdown）。"));
    EXPECT_EQ(payloadMessage(breakdownWithout({}, "5")),
              QString::fromUtf8("云端响应字段类型不匹配（quota_breakdown.free_limit）。"));
    EXPECT_EQ(payloadMessage(breakdownWithout({}, QJsonValue())),
              QString::fromUtf8("云端响应字段为空（quota_breakdown.free_limit）。"));
    EXPECT_TRUE(payloadMessage(breakdownWithout({}, 1.5))
                    .startsWith(QString::fromUtf8("云端响应内容损坏（quota_breakdown.free_limit：")));
    EXPECT_EQ(payloadMessage("[1,2]"), QString::fromUtf8("云端响应字段类型不匹配（）。"));
    for (QByteArray notJson : {QByteArray("not json"), QByteArray("\"a string\""), QByteArray(),
                               QByteArray("{\"text\":\"\xFF\"}")}) {
        const QString message = payloadMessage(notJson);
        EXPECT_TRUE(message.startsWith(QString::fromUtf8("云端响应内容损坏（："))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QString::fromUtf8("）。")));
    }
    EXPECT_EQ(payloadMessage(R"({"text":5})"), QString::fromUtf8("云端响应字段类型不匹配（text）。"));
}

TEST(CloudWireTypes, AnswersDecodeWithTheirFallbacksAndDefaults) {
    const auto both = decodeCloudPayload(R"({"translated_text":"a","text":"b"})");
    EXPECT_EQ(both.translatedText, "a");
    const auto nullTranslated =
        decodeCloudPayload(R"({"translated_text":null,"text":"b","quota_used":null})");
    EXPECT_EQ(nullTranslated.translatedText, "b");
    EXPECT_FALSE(nullTranslated.quotaUsed);

    const auto full = decodeCloudPayload(
        R"({"text":"t","quota_limit":9007199254740993,"quota_used":1.0,"quality":"Advanced","model":"m",
            "quota_breakdown":{"period":"p","monthly_bucket":"b","free_limit":1,"free_used":2,"free_remaining":3,
            "subscription_limit":4,"subscription_used":5,"subscription_remaining":6,"credits_granted":7,
            "credits_used":8,"credits_balance":9}})");
    EXPECT_EQ(full.quotaLimit, 9007199254740993LL) << "int64 values are kept exactly";
    EXPECT_EQ(full.quotaUsed, 1);
    ASSERT_TRUE(full.quotaBreakdown);
    EXPECT_EQ(full.quotaBreakdown->creditsRevoked, 0);
    EXPECT_EQ(full.quotaBreakdown->creditsDebt, 0);
    EXPECT_EQ(full.quotaBreakdown->creditsBalance, 9);
    const auto result = CloudTranslationResult::fromResponse(full);
    EXPECT_FALSE(result.quality) << "quality matches case-sensitively";
    EXPECT_EQ(result.model, "m");
    EXPECT_EQ(CloudTranslationResult::fromResponse(decodeCloudPayload(R"({"text":"","quality":"advanced"})"))
                  .quality,
              CloudTranslationQuality::advanced);
}

TEST(CloudWireTypes, RequestsOmitAbsentMembers) {
    CloudTranslationRequest request;
    request.sourceText = "s";
    request.sourceLanguage = "auto";
    request.targetLanguage = "ja";
    request.style = "email";
    request.cloudQuality = "standard";
    const QJsonObject plain = request.toJson();
    EXPECT_FALSE(plain.contains("device_token"));
    EXPECT_EQ(plain.value("glossary"), QJsonArray());

    DeviceRegistrationRequest registration{"id", "linux", std::nullopt};
    EXPECT_EQ(registration.toJson(), (QJsonObject{{"installation_id", "id"}, {"platform", "linux"}}));
}

TEST(CloudWireTypes, RegistrationExpiryMustBeAnInternetDateToTheSecond) {
    const auto utc =
        DeviceRegistrationResponse::decode(R"({"device_token":"t","expires_at":"2030-05-01T10:00:00Z"})");
    EXPECT_EQ(utc.expiresAt, QDateTime(QDate(2030, 5, 1), QTime(10, 0), Qt::UTC));
    const auto offset = DeviceRegistrationResponse::decode(
        R"({"device_token":"t","expires_at":"2030-05-01T18:00:00+08:00"})");
    EXPECT_EQ(offset.expiresAt, utc.expiresAt);
    for (QByteArray bad : {QByteArray(R"({"device_token":"t","expires_at":"2030-05-01T10:00:00.123Z"})"),
                           QByteArray(R"({"device_token":"t","expires_at":1893456000})"),
                           QByteArray(R"({"device_token":"t","expires_at":"2030-05-01T10:00:00"})"),
                           QByteArray(R"({"device_token":"t","expires_at":"2030-13-01T10:00:00Z"})"),
                           QByteArray(R"({"expires_at":"2030-05-01T10:00:00Z"})")}) {
        EXPECT_THROW(DeviceRegistrationResponse::decode(bad), JsonDecodingError) << bad.toStdString();
    }
}

// Shown in the interface when the service answers something else: Chinese words, the key as it is.
TEST(CloudWireTypes, DecodingFailuresAreToldInChineseWords) {
    auto described = [](const QByteArray& body) {
        try {
            DeviceRegistrationResponse::decode(body);
        } catch (const JsonDecodingError& error) {
            return error.description();
        }
        return QString();
    };
    EXPECT_EQ(described(R"({"expires_at":"2030-05-01T10:00:00Z"})"),
              QStringLiteral("数据无法读取：缺少“device_token”。"));
    EXPECT_EQ(described("not json"), QStringLiteral("数据无法读取：格式不正确。"));
    EXPECT_EQ(described(R"({"device_token":7})"),
              QStringLiteral("数据无法读取：有一个值的类型不对（位于 device_token）。"));
}

TEST(HostedBaseURL, EnvironmentThenInfoEntryThenDefault) {
    const QUrl fallback(QString::fromLatin1(kDefaultHostedBaseURL));
    EXPECT_EQ(resolveHostedBaseURL(std::nullopt, std::nullopt), fallback);
    EXPECT_EQ(resolveHostedBaseURL(QString(" http://127.0.0.1:9/ \n"), QString("https://info.example/")),
              QUrl("http://127.0.0.1:9/"));
    EXPECT_EQ(resolveHostedBaseURL(QString("  "), QString("https://info.example/")),
              QUrl("https://info.example/"));
    EXPECT_EQ(resolveHostedBaseURL(QString("$(HOSTED_URL)"), QString("not a url")), fallback);
    EXPECT_EQ(resolveHostedBaseURL(QString("localhost:8080"), std::nullopt), fallback);
}

} // namespace
} // namespace tolvane

#include "core/uuid_text.h"
#include "model/ai_request.h"
#include "model/glossary_term.h"
#include "model/history_entry.h"
#include "model/json_codec.h"
#include "model/screenshot_region_memory.h"
#include "model/translation_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace tolvane {
namespace {

const QUuid kFirstId = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
const QUuid kSecondId = QUuid::fromString(QStringLiteral("7c9e6679-7425-40de-944b-e07fc1f90ae7"));

QJsonObject parseObject(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

// Runs `decode` and returns the DecodingError's text, or "" when it decoded.
template <typename F> QString decodingFailure(F decode) {
    try {
        decode();
    } catch (const DecodingError& error) {
        return error.description();
    }
    return {};
}

TEST(GlossaryTerm, JsonWritesUpperCaseIdAndReadsStrictly) {
    const GlossaryTerm term{kFirstId, QStringLiteral("kernel"), QStringLiteral("内核")};
    const QJsonObject json = term.toJson().toObject();
    EXPECT_EQ(json.value(QStringLiteral("id")).toString(),
              QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_EQ(json.size(), 3);
    EXPECT_EQ(GlossaryTerm::fromJson(json), term);

    const auto lower =
        parseObject(R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","source":"kernel","target":"内核"})");
    EXPECT_EQ(GlossaryTerm::fromJson(lower), term);

    // Each refused object names the offending key.
    const std::pair<const char*, const char*> rejected[] = {
        {R"({"id":"{0F8FAD5B-D9CB-469F-A165-70867728950E}","source":"a","target":"b"})", "id"},
        {R"({"id":"0F8FAD5BD9CB469FA16570867728950E","source":"a","target":"b"})", "id"},
        {R"({"id":"","source":"a","target":"b"})", "id"},
        {R"({"id":7,"source":"a","target":"b"})", "id"},
        {R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","source":"a"})", "target"},
        {R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","source":null,"target":"b"})", "source"},
    };
    for (const auto& [text, key] : rejected) {
        const QJsonObject object = parseObject(text);
        const QString error = decodingFailure([&object] { GlossaryTerm::fromJson(object); });
        EXPECT_TRUE(error.contains(QStringLiteral("\"%1\"").arg(QLatin1String(key))))
            << text << " -> " << qPrintable(error);
    }
    EXPECT_FALSE(decodingFailure([] { GlossaryTerm::fromJson(QJsonArray{}); }).isEmpty());
}

TEST(GlossaryTerm, ListDecodesAllOrNothing) {
    const QList<GlossaryTerm> terms{{kFirstId, QStringLiteral("GPU"), QStringLiteral("显卡")},
                                    {kSecondId, QStringLiteral(""), QStringLiteral("")}};
    const QJsonArray json = glossaryTermsToJson(terms);
    EXPECT_EQ(glossaryTermsFromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).array()), terms);
    EXPECT_TRUE(glossaryTermsFromJson(QJsonArray{}).isEmpty());

    QJsonArray broken = json;
    broken.append(QJsonObject{{QStringLiteral("id"), uuid::upper(QUuid::createUuid())}});
    const QString error = decodingFailure([&] { glossaryTermsFromJson(broken); });
    EXPECT_TRUE(error.contains(QStringLiteral("element 2"))) << qPrintable(error);
    EXPECT_TRUE(error.contains(QStringLiteral("\"source\""))) << qPrintable(error);
    EXPECT_FALSE(decodingFailure([] { glossaryTermsFromJson(QJsonObject{}); }).isEmpty());
}

TEST(GlossaryTerm, IdentityEqualityAndActiveness) {
    const GlossaryTerm a{kFirstId, QStringLiteral("caf\u00E9"), QStringLiteral("咖啡")};
    const GlossaryTerm decomposed{kFirstId, QStringLiteral("cafe\u0301"), QStringLiteral("咖啡")};
    const GlossaryTerm otherId{kSecondId, a.source, a.target};
    EXPECT_EQ(a, decomposed);
    EXPECT_EQ(qHash(a), qHash(decomposed));
    EXPECT_NE(a, otherId);
    EXPECT_EQ((QSet<GlossaryTerm>{a, decomposed, otherId}.size()), 2);

    EXPECT_TRUE(a.isActive());
    EXPECT_FALSE((GlossaryTerm{kFirstId, QStringLiteral(" \n"), QStringLiteral("x")}.isActive()));
    EXPECT_FALSE((GlossaryTerm{kFirstId, QStringLiteral("x"), QStringLiteral("\u3000")}.isActive()));
}

TEST(AIRequest, EqualityFollowsTextsStyleAndGlossaryOrder) {
    const GlossaryTerm first{kFirstId, QStringLiteral("GPU"), QStringLiteral("显卡")};
    const GlossaryTerm second{kSecondId, QStringLiteral("CPU"), QStringLiteral("处理器")};
    const AIRequest request{AIAction::translate,         QStringLiteral("r\u00E9sum\u00E9"),
                            QStringLiteral("auto"),      QStringLiteral("zh-Hans"),
                            TranslationStyle::technical, {first, second}};

    AIRequest decomposed = request;
    decomposed.sourceText = QStringLiteral("re\u0301sume\u0301");
    EXPECT_EQ(request, decomposed);

    const std::function<void(AIRequest&)> changes[] = {
        [&](AIRequest& r) {
            r.glossaryTerms = {second, first};
        },
        [](AIRequest& r) { r.glossaryTerms[0].id = QUuid::createUuid(); },
        [](AIRequest& r) { r.style = TranslationStyle::polished; },
        [](AIRequest& r) { r.targetLanguage = QStringLiteral("zh-Hant"); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        AIRequest changed = request;
        changes[i](changed);
        EXPECT_NE(request, changed) << "change " << i;
    }
}

TEST(HistoryEntry, EqualityAndHashAgree) {
    const HistoryEntry entry{QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"),
                             QStringLiteral("na\u00EFve"),
                             QStringLiteral("天真"),
                             AIAction::translate,
                             QStringLiteral("en-US"),
                             QStringLiteral("zh-Hans"),
                             QStringLiteral("openAICompatible"),
                             QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC)};
    HistoryEntry decomposed = entry;
    decomposed.sourceText = QStringLiteral("nai\u0308ve");
    EXPECT_EQ(entry, decomposed);
    EXPECT_EQ(qHash(entry), qHash(decomposed));

    HistoryEntry later = entry;
    later.createdAt = entry.createdAt.addMSecs(1);
    EXPECT_NE(entry, later);
    HistoryEntry otherProvider = entry;
    otherProvider.provider = QStringLiteral("cloudStandard");
    EXPECT_NE(entry, otherProvider);
    EXPECT_EQ((QSet<HistoryEntry>{entry, decomposed, later, otherProvider}.size()), 3);
}

ScreenshotRegionMemory sampleRegion(std::optional<quint32> displayID) {
    return {QRectF(0.25, 0.125, 0.5, 0.3), QRectF(-1920, 0, 1920, 1080), displayID};
}

// A record kept at quit reads back whole (style, glossary order, a time past 2^53 ms), and one missing a part
// is refused naming it, never half-read.
TEST(TranslationRecord, JsonKeepsEveryFieldAndRefusesMissingParts) {
    TranslationRecord record;
    record.historyEntryId = QStringLiteral("A1");
    record.request = {
        AIAction::translate,
        QStringLiteral("Hi\n\"x\""),
        QStringLiteral("en"),
        QStringLiteral("ja"),
        TranslationStyle::email,
        {{kSecondId, QStringLiteral("b"), QStringLiteral("B")}, {kFirstId, QStringLiteral("a"), {}}}};
    record.resultText = QStringLiteral("やあ");
    record.provider = QStringLiteral("memory");
    record.writeMemory = true;
    record.timestamp = QDateTime::fromMSecsSinceEpoch((int64_t(1) << 53) + 1, Qt::UTC);
    record.clearsBefore = 3;
    const TranslationRecord read = TranslationRecord::fromJson(record.toJson());
    EXPECT_EQ(read.historyEntryId, record.historyEntryId);
    EXPECT_EQ(read.request, record.request);
    EXPECT_EQ(read.request.glossaryTerms, record.request.glossaryTerms);
    EXPECT_EQ(read.resultText, record.resultText);
    EXPECT_EQ(read.provider, record.provider);
    EXPECT_TRUE(read.writeMemory);
    EXPECT_EQ(read.timestamp, record.timestamp);
    EXPECT_EQ(read.clearsBefore, 0u) << "a count of this run's clears means nothing to the next";

    for (const char* key : {"id", "style", "glossaryTerms", "writeMemory", "timestamp"}) {
        QJsonObject json = record.toJson().toObject();
        json.remove(QLatin1String(key));
        EXPECT_TRUE(decodingFailure([&] { TranslationRecord::fromJson(json); }).contains(QLatin1String(key)))
            << key;
    }
}

TEST(ScreenshotRegionMemory, JsonShapeAndDisplayIdPresence) {
    const QJsonObject withoutId = sampleRegion(std::nullopt).toJson().toObject();
    EXPECT_FALSE(withoutId.contains(QStringLiteral("displayID")));
    const QJsonArray rect = withoutId.value(QStringLiteral("sourceScreenFrame")).toArray();
    EXPECT_EQ(rect, (QJsonArray{QJsonArray{-1920, 0}, QJsonArray{1920, 1080}}));
    EXPECT_EQ(ScreenshotRegionMemory::fromJson(withoutId), sampleRegion(std::nullopt));

    for (quint32 id : {0u, 69733632u, 4294967295u}) {
        const QJsonObject json = sampleRegion(id).toJson().toObject();
        EXPECT_EQ(json.value(QStringLiteral("displayID")).toDouble(), double(id));
        // Through text, as the settings store keeps it.
        const QJsonDocument document = QJsonDocument::fromJson(QJsonDocument(json).toJson());
        EXPECT_EQ(ScreenshotRegionMemory::fromJson(document.object()), sampleRegion(id));
    }

    const auto withNull =
        parseObject(R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":[[0,0],[800,600]],
                                          "displayID":null})");
    EXPECT_EQ(ScreenshotRegionMemory::fromJson(withNull).displayID, std::nullopt);
}

TEST(ScreenshotRegionMemory, EqualityIsExactAndDistinguishesMissingId) {
    EXPECT_NE(sampleRegion(0), sampleRegion(std::nullopt));
    EXPECT_EQ(sampleRegion(0), sampleRegion(0));
    EXPECT_NE(sampleRegion(1), sampleRegion(2));
    // QRectF's own == would call these equal.
    ScreenshotRegionMemory nudged = sampleRegion(std::nullopt);
    nudged.normalizedRect.setWidth(0.5 + 1e-13);
    EXPECT_NE(nudged, sampleRegion(std::nullopt));
}

TEST(ScreenshotRegionMemory, DecodingRejectsBadShapesNamingTheKey) {
    struct Case {
        const char* json;
        const char* key;
    };
    const Case cases[] = {
        {R"({"sourceScreenFrame":[[0,0],[800,600]]})", "normalizedRect"},
        {R"({"normalizedRect":[[0,0],[1,1]]})", "sourceScreenFrame"},
        {R"({"normalizedRect":[0,0,1,1],"sourceScreenFrame":[[0,0],[800,600]]})", "normalizedRect"},
        {R"({"normalizedRect":[[0,0],[1]],"sourceScreenFrame":[[0,0],[800,600]]})", "normalizedRect"},
        {R"({"normalizedRect":[[0,"0"],[1,1]],"sourceScreenFrame":[[0,0],[800,600]]})", "normalizedRect"},
        {R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":{"x":0}})", "sourceScreenFrame"},
        {R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":[[0,0],[800,600]],"displayID":1.5})",
         "displayID"},
        {R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":[[0,0],[800,600]],"displayID":-1})",
         "displayID"},
        {R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":[[0,0],[800,600]],"displayID":4294967296})",
         "displayID"},
        {R"({"normalizedRect":[[0,0],[1,1]],"sourceScreenFrame":[[0,0],[800,600]],"displayID":"7"})",
         "displayID"},
    };
    for (const Case& c : cases) {
        const QJsonDocument document = QJsonDocument::fromJson(c.json);
        ASSERT_TRUE(document.isObject()) << c.json;
        const QString error = decodingFailure([&] { ScreenshotRegionMemory::fromJson(document.object()); });
        EXPECT_TRUE(error.contains(QStringLiteral("\"%1\"").arg(QLatin1String(c.key))))
            << c.json << " -> " << qPrintable(error);
    }
}

TEST(ScreenshotRegionMemory, RefusesToEncodeNonFiniteComponents) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        ScreenshotRegionMemory region = sampleRegion(3);
        region.sourceScreenFrame.setHeight(bad);
        EXPECT_THROW(region.toJson(), json::EncodingError);
        region = sampleRegion(3);
        region.normalizedRect.moveLeft(bad);
        EXPECT_THROW(region.toJson(), json::EncodingError);
    }
}

TEST(ScreenshotRegionMemory, DisplayIdIsFnv1aOfTheScreenName) {
    EXPECT_EQ(displayIDForScreenName(QString()), 2166136261u);
    EXPECT_EQ(displayIDForScreenName(QStringLiteral("a")), 0xE40C292Cu);
    EXPECT_EQ(displayIDForScreenName(QStringLiteral("foobar")), 0xBF9CF968u);
    EXPECT_NE(displayIDForScreenName(QStringLiteral("HDMI-1")),
              displayIDForScreenName(QStringLiteral("HDMI-2")));
}

} // namespace
} // namespace tolvane

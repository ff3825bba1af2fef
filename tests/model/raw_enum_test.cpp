#include "model/ai_action.h"
#include "model/cloud_translation_quality.h"
#include "model/main_window_close_behavior.h"
#include "model/screenshot_capture_mode.h"
#include "model/translation_engine.h"
#include "model/translation_style.h"

#include <QSet>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

// Every case survives raw value and JSON round trips, and near misses of each raw value are refused.
template <typename E> void expectStrictRawValues() {
    QSet<QString> raws;
    for (E value : allCases<E>()) {
        const QString raw = rawValue(value);
        ASSERT_FALSE(raw.isEmpty());
        raws.insert(raw);
        EXPECT_EQ(fromRawValue<E>(raw), value);
        EXPECT_EQ(enumFromJson<E>(enumToJson(value)), value);
        EXPECT_EQ(fromRawValue<E>(QLatin1Char(' ') + raw), std::nullopt) << qPrintable(raw);
        EXPECT_EQ(fromRawValue<E>(raw + QLatin1Char('\n')), std::nullopt) << qPrintable(raw);
        EXPECT_EQ(fromRawValue<E>(raw.toUpper()), std::nullopt) << qPrintable(raw);
        EXPECT_EQ(fromRawValue<E>(raw.left(1).toUpper() + raw.mid(1)), std::nullopt) << qPrintable(raw);
    }
    EXPECT_EQ(raws.size(), qsizetype(allCases<E>().size())) << "raw values must be distinct";
    EXPECT_EQ(fromRawValue<E>(QString()), std::nullopt);
}

TEST(RawEnum, RawValuesAreExactAndCaseSensitive) {
    expectStrictRawValues<AIAction>();
    expectStrictRawValues<TranslationStyle>();
    expectStrictRawValues<TranslationEngine>();
    expectStrictRawValues<CloudTranslationQuality>();
    expectStrictRawValues<ScreenshotCaptureMode>();
    expectStrictRawValues<MainWindowCloseBehavior>();
}

TEST(RawEnum, JsonDecodingNamesTheKeyAndRefusesOtherShapes) {
    try {
        enumFromJson<TranslationStyle>(QJsonValue(QStringLiteral("Polished")), QStringLiteral("style"));
        FAIL() << "a wrong raw value decoded";
    } catch (const DecodingError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("\"style\"")))
            << qPrintable(error.description());
        EXPECT_TRUE(error.description().contains(QStringLiteral("Polished")));
    }
    EXPECT_THROW(enumFromJson<TranslationStyle>(QJsonValue(1)), DecodingError);
    EXPECT_THROW(enumFromJson<TranslationStyle>(QJsonValue()), DecodingError);
    EXPECT_THROW(enumFromJson<CloudTranslationQuality>(QJsonValue(QJsonValue::Undefined)), DecodingError);
}

} // namespace
} // namespace tolvane

#include "fake_language_recognizer.h"

#include "core/text.h"
#include "model/language_detection.h"
#include "model/language_table.h"
#include "platform/cld2_language_recognizer.h"

#include <QSet>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

std::optional<QString> code(const char* text) {
    return QString::fromLatin1(text);
}

TEST(LanguageTable, SourcesAreAutoThenTheUniqueTargetsAndUnknownCodesShowAsThemselves) {
    const auto& targets = targetLanguages();
    const auto& sources = sourceLanguages();
    ASSERT_EQ(sources.size(), targets.size() + 1);
    EXPECT_EQ(sources.front().id, QStringLiteral("auto"));
    EXPECT_TRUE(std::equal(targets.begin(), targets.end(), sources.begin() + 1));
    QSet<QString> ids;
    for (const auto& row : targets)
        ids.insert(row.id);
    EXPECT_EQ(ids.size(), targets.size());

    EXPECT_EQ(displayNameForLanguageCode(QStringLiteral("auto")), QStringLiteral("自动检测"));
    EXPECT_EQ(displayNameForLanguageCode(QStringLiteral("nb")), QStringLiteral("挪威语（博克马尔）"));
    for (const QString& unknown : {QStringLiteral("xx"), QStringLiteral("JA"), QString()})
        EXPECT_EQ(displayNameForLanguageCode(unknown), unknown);
}

TEST(LanguageDetection, NormalizesRecognizerCodes) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"nb", code("nb")},           {"fr-CA", code("fr")},      {"fil-PH", code("fil")},
        {"fi-FI", code("fi")},        {"fi", code("fi")},         {"zh-Hant", code("zh-Hant")},
        {"zh-TW", code("zh-Hant")},   {"zh-HK", code("zh-Hant")}, {"zh", code("zh-Hans")},
        {"zh-Hans", code("zh-Hans")}, {"en", code("en-US")},      {"en-GB", code("en-US")},
        {"pt", code("pt-BR")},        {"pt-PT", code("pt-PT")},   {"pt-BR", code("pt-BR")},
        {"he", code("he")},           {"xx", std::nullopt},       {"", std::nullopt},
        {"FR", std::nullopt},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(normalizeLanguageCode(QString::fromLatin1(input)), expected) << input;
}

TEST(LanguageDetection, ScriptGuess) {
    const std::pair<QStringView, std::optional<QString>> cases[] = {
        // Kanji then one hiragana: Japanese. Han alone: simplified Chinese, never traditional.
        {u"日本語の", code("ja")},
        {u"東京大学", code("zh-Hans")},
        // The first kana or Hangul syllable decides, whatever Han characters come before.
        {u"大韓民國 한국어 にほん", code("ko")},
        {u"漢字カタカナ 한국", code("ja")},
        {u"", std::nullopt},
        {u"plain text", std::nullopt},
        // Katakana long-vowel mark is a letter; the middle dot and voicing marks are not.
        {u"ーa", code("ja")},
        {u"・a", std::nullopt},
        // At least half the letters must be of the script; digits and punctuation are not letters.
        {u"The character 水 means water", std::nullopt},
        {u"ab 水火", code("zh-Hans")},
        {u"abc 水火", std::nullopt},
        {u"2024年3月5日, ok", code("zh-Hans")},
        {u"Tokyo 東京へ行きます", code("ja")},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(guessLanguageFromScript(text), expected) << text.toString().toStdString();
    // Han outside the basic block (U+20000 as a surrogate pair) is a letter but not a counted ideograph.
    EXPECT_EQ(guessLanguageFromScript(QString::fromUcs4(U"\U00020000\U00020001\U00020002水")), std::nullopt);
}

TEST(LanguageDetection, ConfidenceThresholdsDependOnSampleLength) {
    const QString nineteen = QStringLiteral("abcdefghij klmnopqr");
    const QString twenty = nineteen + QLatin1Char('s');
    ASSERT_EQ(text::graphemeCount(nineteen), 19);

    auto detect = [](const QString& text, double confidence) {
        FakeLanguageRecognizer fake(RecognizedLanguage{QStringLiteral("fr-CA"), confidence});
        return detectSourceLanguage(text, fake);
    };
    EXPECT_EQ(detect(nineteen, 0.30), std::nullopt);
    EXPECT_EQ(detect(twenty, 0.30), code("fr"));
    EXPECT_EQ(detect(nineteen, 0.35), code("fr"));
    EXPECT_EQ(detect(nineteen, 0.3499), std::nullopt);
    EXPECT_EQ(detect(twenty, 0.25), code("fr"));
    EXPECT_EQ(detect(twenty, 0.2499), std::nullopt);
    // Surrounding white space does not count towards the length.
    EXPECT_EQ(detect(QStringLiteral("\n  ") + nineteen + QStringLiteral(" \u3000"), 0.30), std::nullopt);
    // A decomposed "é" is one character: with one more letter the sample has two and goes on.
    EXPECT_EQ(detect(QStringLiteral("e\u0301x"), 0.9), code("fr"));
}

TEST(LanguageDetection, ShortOrUndecidedTextsGiveNoValue) {
    FakeLanguageRecognizer fake(RecognizedLanguage{QStringLiteral("de"), 1.0});
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("  x \n"), fake), std::nullopt);
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("e\u0301"), fake), std::nullopt);
    EXPECT_EQ(detectSourceLanguage(QString(), fake), std::nullopt);
    EXPECT_TRUE(fake.seen().isEmpty()) << "samples under two characters never reach the recognizer";
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("ok"), fake), code("de"));
    EXPECT_EQ(fake.seen(), QStringList{QStringLiteral("ok")});

    FakeLanguageRecognizer undecided(std::nullopt);
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("some words here"), undecided), std::nullopt);
    FakeLanguageRecognizer outsideTable(RecognizedLanguage{QStringLiteral("sw"), 0.99});
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("habari ya asubuhi rafiki"), outsideTable), std::nullopt);
    // The script guess answers before the recognizer is asked.
    EXPECT_EQ(detectSourceLanguage(QStringLiteral("こんにちは"), undecided), code("ja"));
    EXPECT_TRUE(undecided.seen().size() == 1);
}

TEST(LanguageDetection, LongCharactersAndShortTextsReachTheRecognizerWhole) {
    // One character that alone is far longer than 4000 code units, then ordinary text.
    const QString huge = QStringLiteral("a") + QString(20000, QChar(0x0301)) + QStringLiteral(" bc");
    FakeLanguageRecognizer fake(std::nullopt);
    detectSourceLanguage(huge, fake);
    EXPECT_EQ(fake.seen(), QStringList{huge});
    // Texts under 4000 characters are passed whole, however many code units they take.
    const QString shortText =
        QString::fromUtf8("x👨‍👩‍👧🇯🇵👍🏽e\u0301\r\n").repeated(400) +
        QStringLiteral("x");
    FakeLanguageRecognizer whole(std::nullopt);
    detectSourceLanguage(shortText, whole);
    EXPECT_EQ(whole.seen(), QStringList{shortText});
}

// 3999 characters that take `units` code units together (one to five each).
QString leadingCharacters(qsizetype units) {
    const qsizetype extra = units - 3999;
    const qsizetype marks = extra / 3999;
    const qsizetype longer = extra % 3999;
    QString text;
    text.reserve(units);
    for (qsizetype i = 0; i < 3999; ++i)
        text += QLatin1Char('a') + QString(marks + (i < longer ? 1 : 0), QChar(0x0301));
    return text;
}

TEST(LanguageDetection, SampleNeverEndsInsideTheLastCharacter) {
    // The 4000th character is long: a letter with ten diaeresis marks, or with ten skin-tone modifiers
    // (surrogate pairs). Moving it through the first 20,000 code units makes it straddle any internal
    // window the sampling may use; the sample must end right after it, neither inside it nor between the
    // halves of a surrogate pair.
    const QString lastCharacters[] = {
        QStringLiteral("o") + QString(10, QChar(0x0308)),
        QStringLiteral("a") + QString::fromUtf8("🏽").repeated(10),
    };
    for (const QString& last : lastCharacters) {
        for (qsizetype units = 3999; units <= 3999 * 5; units += 7) {
            const QString text = leadingCharacters(units) + last + QStringLiteral("b tail");
            FakeLanguageRecognizer fake(std::nullopt);
            detectSourceLanguage(text, fake);
            ASSERT_EQ(fake.seen().size(), 1);
            ASSERT_EQ(fake.seen().front().size(), units + last.size()) << "3999 characters in " << units;
        }
    }
}

TEST(LanguageDetection, ScriptRulesSeeOnlyTheSample) {
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    FakeLanguageRecognizer fake(std::nullopt);
    EXPECT_EQ(detectSourceLanguage(family.repeated(4000) + QStringLiteral("ひらがな"), fake), std::nullopt);
    EXPECT_EQ(detectSourceLanguage(family.repeated(3999) + QStringLiteral("ひらがな"), fake), code("ja"));
}

// Real CLD2: script-led texts, legacy codes mapped to the table, and texts too uncertain to name.
TEST(Cld2Detection, RealTextsMapToTableCodesOrNothing) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"The character 水 means water in Chinese.", code("en-US")},
        {"東京大学で日本語を勉強しています。", code("ja")},
        {"我们明天早上九点在会议室开会。", code("zh-Hans")},
        {"大韓民國의 수도는 서울입니다.", code("ko")},
        {"שלום, קוראים לי דוד ואני גר בירושלים. אני אוהב לקרוא ספרים וללכת לים בסוף השבוע.", code("he")},
        {"Jeg bor i Oslo og jobber som lærer på en skole i sentrum. Om sommeren liker jeg å gå på tur i "
         "fjellet med familien.",
         code("nb")},
        {"Magandang umaga po sa inyong lahat. Ako ay nakatira sa Maynila at nagtatrabaho bilang guro sa "
         "isang paaralan.",
         code("fil")},
        {"Le gouvernement a annoncé hier de nouvelles mesures pour soutenir les petites entreprises.",
         code("fr")},
        {"Hi", std::nullopt},
        {"12345 67890 !!!", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(detectSourceLanguage(QString::fromUtf8(text)), expected) << text;

    EXPECT_EQ(Cld2LanguageRecognizer().dominant(QStringLiteral("Hi")), std::nullopt);
    const auto english = Cld2LanguageRecognizer().dominant(
        QStringLiteral("The quick brown fox jumps over the lazy dog near the river bank."));
    ASSERT_TRUE(english);
    EXPECT_EQ(english->code, QStringLiteral("en"));
    EXPECT_GT(english->confidence, 0.25);
    EXPECT_LE(english->confidence, 1.0);
}

} // namespace
} // namespace tolvane

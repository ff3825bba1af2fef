#include "core/app_error.h"
#include "core/text.h"
#include "core/uuid_text.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(Text, TrimsUnicodeWhiteSpaceButKeepsZeroWidthSpace) {
    const QString input = QString::fromUtf8("\u3000\u00A0 \n\u0085text\t\r\n");
    EXPECT_EQ(text::trimmed(input), QStringLiteral("text"));
    const QString zeroWidth = QString::fromUtf8("\u200Bword");
    EXPECT_EQ(text::trimmed(zeroWidth), zeroWidth);
}

TEST(Text, CountsAndCutsUserPerceivedCharacters) {
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    const QString flag = QString::fromUtf8("🇯🇵");
    const QString decomposed = QStringLiteral("e\u0301");
    EXPECT_EQ(text::graphemeCount(family), 1);
    EXPECT_EQ(text::graphemeCount(flag), 1);
    EXPECT_EQ(text::graphemeCount(decomposed), 1);
    EXPECT_EQ(text::graphemeCount(QStringLiteral("\r\n")), 1);
    EXPECT_EQ(text::graphemeCount(QString()), 0);
    const QString mixed = flag + family + decomposed + QStringLiteral("x");
    EXPECT_EQ(text::graphemePrefix(mixed, 2), flag + family);
    EXPECT_EQ(text::graphemePrefix(mixed, 3), flag + family + decomposed);
    EXPECT_EQ(text::graphemePrefix(mixed, 99), mixed);
    EXPECT_EQ(text::graphemePrefix(mixed, 0), QString());
}

TEST(Text, CanonicalEquivalence) {
    const QString precomposed = QStringLiteral("caf\u00E9");
    const QString decomposed = QStringLiteral("cafe\u0301");
    EXPECT_TRUE(text::canonicallyEqual(precomposed, decomposed));
    EXPECT_EQ(text::canonicalHash(precomposed), text::canonicalHash(decomposed));
    EXPECT_FALSE(text::canonicallyEqual(QStringLiteral("cafe"), decomposed));
}

// Each ill-formed sequence is one U+FFFD: a cut character one, a byte that belongs to no character one.
TEST(Text, LenientUtf8ReadsEachIllFormedSequenceAsOneReplacementCharacter) {
    const QString r(QChar::ReplacementCharacter);
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"plain \xE4\xB8\xAD\xF0\x9F\x98\x80", QStringLiteral("plain 中😀")},
        {QByteArray("a\0b", 3), QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
        {"a\xE4\xB8"
         "b",
         "a" + r + "b"},                    // a three-byte character cut after two
        {"a\xF0\x9F\x98", "a" + r},         // a four-byte character cut at the end
        {"\xE4\xB8\xE4\xB8\xAD", r + "中"}, // cut, then whole
        {"a\x80\xBF"
         "b",
         "a" + r + r + "b"},                 // continuation bytes without a lead
        {"\xC0\xAF\xFF", r + r + r},         // an overlong lead and a byte never used
        {"\xED\xA0\x80", r + r + r},         // a surrogate is no character
        {"\xF4\x90\x80\x80", r + r + r + r}, // above U+10FFFF
        {"\xE0\x9F\x80", r + r + r},         // overlong three-byte form
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::fromUtf8Lenient(c.bytes), c.text) << c.bytes.toHex(' ').toStdString();
}

TEST(Uuid, StrictParsingAndCaseForms) {
    const QString upper = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");
    auto parsed = uuid::parseStrict(upper.toLower());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(uuid::upper(*parsed), upper);
    EXPECT_EQ(uuid::lower(*parsed), upper.toLower());
    EXPECT_FALSE(uuid::parseStrict(QLatin1Char('{') + upper + QLatin1Char('}')));
    EXPECT_FALSE(uuid::parseStrict(QString(upper).remove(QLatin1Char('-'))));
    EXPECT_FALSE(uuid::parseStrict(upper + QLatin1Char(' ')));
    EXPECT_FALSE(uuid::parseStrict(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950G")));
    const QString fresh = uuid::newUpper();
    EXPECT_EQ(fresh, fresh.toUpper());
    EXPECT_TRUE(uuid::parseStrict(fresh));
}

TEST(AppError, DescribesAnyErrorAndRecognisesCancellation) {
    EXPECT_EQ(describeError(std::make_exception_ptr(DecodingError(QStringLiteral("bad key")))), "bad key");
    EXPECT_EQ(describeError(std::make_exception_ptr(std::runtime_error("plain"))), "plain");
    EXPECT_EQ(describeError(std::make_exception_ptr(42)), "Unknown error.");
    EXPECT_TRUE(isCancellation(std::make_exception_ptr(CancelledError())));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(std::runtime_error("x"))));
    DecodingError error(QStringLiteral("UTF-8 \u00E9"));
    EXPECT_STREQ(error.what(), "UTF-8 \xC3\xA9");
}

} // namespace
} // namespace tolvane

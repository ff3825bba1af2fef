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

#include "providers/line_splitter.h"

#include <QList>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

QList<QByteArray> split(const QList<QByteArray>& chunks) {
    LineSplitter splitter;
    QList<QByteArray> lines;
    auto collect = [&lines](QByteArrayView line) {
        lines.append(line.toByteArray());
        return true;
    };
    for (const auto& chunk : chunks)
        splitter.feed(chunk, collect);
    splitter.finish(collect);
    return lines;
}

TEST(LineSplitter, EveryLineEndAndChunkingGivesTheSameLines) {
    const QList<QByteArray> expected{"data: a", "", "data: b", "tail"};
    EXPECT_EQ(split({"data: a\n\ndata: b\ntail"}), expected);
    EXPECT_EQ(split({"data: a\r\rdata: b\rtail"}), expected);
    EXPECT_EQ(split({"data: a\r\n\r\ndata: b\r\ntail"}), expected);
    // A CRLF split between two network chunks is one line end, not an extra empty line.
    EXPECT_EQ(split({"data: a\r", "\n\r", "\ndata: b\r", "\ntail"}), expected);
    // One byte per chunk.
    QList<QByteArray> bytes;
    for (char c : QByteArray("data: a\r\n\r\ndata: b\r\ntail"))
        bytes.append(QByteArray(1, c));
    EXPECT_EQ(split(bytes), expected);
}

TEST(LineSplitter, KeepsCharactersWholeAndNeverSplitsOnUnicodeSeparators) {
    // "中" is E4 B8 AD; U+2028 is E2 80 A8, U+2029 E2 80 A9, NEL C2 85.
    const QList<QByteArray> lines = split({"data: \xE4", "\xB8\xAD x\xE2\x80\xA8y\xE2\x80\xA9z\xC2\x85w\n"});
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(QString::fromUtf8(lines[0]), QString::fromUtf8("data: 中 x\u2028y\u2029z\u0085w"));
    EXPECT_EQ(split({"\r\r\n\n"}), (QList<QByteArray>{"", "", ""}));
    EXPECT_TRUE(split({""}).isEmpty());
}

TEST(LineSplitter, StopsWhenAskedAndRefusesAnEndlessLine) {
    LineSplitter splitter;
    QList<QByteArray> lines;
    auto untilStop = [&lines](QByteArrayView line) {
        lines.append(line.toByteArray());
        return line != "stop";
    };
    EXPECT_FALSE(splitter.feed("a\nstop\nlater\n", untilStop));
    EXPECT_FALSE(splitter.feed("more\n", untilStop));
    EXPECT_FALSE(splitter.finish(untilStop));
    EXPECT_EQ(lines, (QList<QByteArray>{"a", "stop"}));

    LineSplitter endless;
    const QByteArray block(1024 * 1024, 'x');
    bool accepted = true;
    for (int i = 0; i < 9 && accepted; ++i)
        accepted = endless.feed(block, [](QByteArrayView) { return true; });
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(endless.overflowed());
}

} // namespace
} // namespace tolvane

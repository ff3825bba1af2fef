#include "providers/hosted_event_stream_parser.h"

#include "providers/json_reader.h"
#include "providers/network_test_support.h"
#include "providers/provider_errors.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

struct Parsed {
    QList<CloudTranslationStreamEvent> events;
    std::optional<QString> error; // description of what the stream failed with
    int linesRead = 0;
};

// Feeds the lines like the provider does, optionally dropping blank lines as a line reader that skips
// them would.
Parsed parse(const QStringList& lines, bool withBlankLines = true) {
    Parsed out;
    HostedEventStreamParser parser({});
    auto deliver = [&out](CloudTranslationStreamEvent event) { out.events.append(std::move(event)); };
    try {
        bool reading = true;
        for (const auto& line : lines) {
            if (!withBlankLines && line.isEmpty())
                continue;
            ++out.linesRead;
            if (!(reading = parser.handleLine(line, deliver)))
                break;
        }
        if (reading)
            parser.finish(deliver);
    } catch (const AppError& error) {
        out.error = error.description();
    }
    return out;
}

const QString kDone = QStringLiteral(R"(data: {"translated_text":"ab","quota_used":3})");

TEST(HostedEventStreamParser, SameEventsWithOrWithoutBlankLines) {
    const QStringList lines{"event: delta",
                            R"(data: {"text":"a"})",
                            "",
                            "event: delta",
                            R"(data: {"text":"b"})",
                            "",
                            "event: done",
                            kDone,
                            "",
                            "event: delta",
                            R"(data: {"text":"after"})"};
    for (bool blanks : {true, false}) {
        const Parsed parsed = parse(lines, blanks);
        ASSERT_FALSE(parsed.error) << parsed.error->toStdString();
        ASSERT_EQ(parsed.events.size(), 3) << "blank lines: " << blanks;
        EXPECT_EQ(parsed.events[0], CloudTranslationStreamEvent::delta("a"));
        EXPECT_EQ(parsed.events[1], CloudTranslationStreamEvent::delta("b"));
        EXPECT_EQ(parsed.events[2].kind, CloudTranslationStreamEvent::Kind::completed);
        EXPECT_EQ(parsed.events[2].result.translatedText, "ab");
        EXPECT_EQ(parsed.events[2].result.quotaUsed, 3);
    }
    // Reading stops at the done event (or the next event line, without blank lines).
    EXPECT_EQ(parse(lines).linesRead, 9);
}

TEST(HostedEventStreamParser, FieldRulesForNamesDataAndOtherLines) {
    // Two data lines join with "\n" into one JSON text; names are trimmed of spaces and tabs only.
    Parsed joined =
        parse({"event:\t delta \t", R"(data: {"text":)", "data:\t\"x\"}  ", "", "event: done", kDone, ""});
    ASSERT_FALSE(joined.error);
    ASSERT_EQ(joined.events.size(), 2);
    EXPECT_EQ(joined.events[0], CloudTranslationStreamEvent::delta("x"));

    Parsed ignored = parse({"Event: delta", R"(data: {"text":"as message"})", "", ": comment", "id: 7",
                            "retry: 10", "event: message", R"(data: {"text":"m"})", "", "event: delta",
                            R"(data: {"text":""})", "", "event: done", kDone});
    ASSERT_FALSE(ignored.error) << ignored.error->toStdString();
    ASSERT_EQ(ignored.events.size(), 1) << "only the completion: the rest is ignored or empty";
    EXPECT_EQ(ignored.events[0].kind, CloudTranslationStreamEvent::Kind::completed);
}

TEST(HostedEventStreamParser, ErrorsAndEarlyEndsGiveWordedFailures) {
    Parsed cutOff = parse({"event: delta", R"(data: {"text":"a"})", ""});
    EXPECT_EQ(cutOff.events.size(), 1);
    EXPECT_EQ(cutOff.error, QString::fromUtf8("云端翻译流在完成前中断。"));

    EXPECT_EQ(parse({"event: error", R"(data: {"error":"quota_exceeded"})", ""}).error, "quota_exceeded");
    EXPECT_EQ(parse({"event: error", R"(data: {"error":"e","message":"shown"})", ""}).error, "shown");
    for (QString data :
         {QStringLiteral("{}"), QStringLiteral(R"({"message":""})"), QStringLiteral(R"({"message":" \t"})")})
        EXPECT_EQ(parse({"event: error", "data: " + data, ""}).error,
                  QString::fromUtf8("云端翻译流已中断。"));

    // An error object under another event name, or none, fails with its words too; a null one is no error.
    EXPECT_EQ(parse({R"(data: {"error":"device_token_invalid"})", ""}).error, "device_token_invalid");
    EXPECT_EQ(parse({"event: delta", R"(data: {"error":{"x":1},"message":"quota"})", ""}).error, "quota");
    EXPECT_EQ(parse({"event: done", R"(data: {"error":"late"})", ""}).error, "late");
    Parsed nullError =
        parse({"event: delta", R"(data: {"text":"a","error":null})", "", "event: done", kDone, ""});
    EXPECT_FALSE(nullError.error) << nullError.error->toStdString();
    EXPECT_EQ(nullError.events.size(), 2);

    // Undecodable deltas and error events fail with the decoding error; a bad done with the Chinese text.
    Parsed badDelta = parse({"event: delta", "data: {oops", ""});
    ASSERT_TRUE(badDelta.error);
    EXPECT_FALSE(badDelta.error->isEmpty());
    EXPECT_EQ(parse({"event: done", R"(data: {"quota_used":1})", ""}).error,
              QString::fromUtf8("云端响应缺少字段 text（）。"));
    // A last event without a trailing blank line is still dispatched at the end.
    Parsed unterminated = parse({"event: done", kDone});
    EXPECT_FALSE(unterminated.error);
    EXPECT_EQ(unterminated.events.size(), 1);
}

} // namespace
} // namespace tolvane

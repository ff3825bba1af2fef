#include "clipboard_road_fixture.h"
#include "log_capture.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

const QByteArray pngBytes = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");

ClipboardContents userTextAndImage() {
    return {
        {{QStringLiteral("UTF8_STRING"), QByteArrayLiteral("old")}, {QStringLiteral("image/png"), pngBytes}}};
}

class ClipboardManagerTest : public ::testing::Test {
protected:
    ClipboardRoad road;

    auto startCopy() {
        return road.start<std::optional<QString>>(
            [this](CancellationToken token) { return road.clipboard.copySelectedText(token); });
    }
    auto startPaste(QString text) {
        return road.start<void>(
            [this, text](CancellationToken token) { return road.clipboard.pasteText(text, token); });
    }
};

TEST_F(ClipboardManagerTest, CopyReturnsTrimmedTextAndGivesEveryUserTargetBackAsOffered) {
    // Every target in the owner's order, text encodings and transfer targets included, nothing added.
    ClipboardContents user = userTextAndImage();
    user.formats.insert(user.formats.begin(), {QStringLiteral("TARGETS"), QByteArray()});
    user.formats.push_back({QStringLiteral("text/plain;charset=utf-8"), QByteArrayLiteral("old")});
    user.formats.push_back({QStringLiteral("STRING"), QByteArrayLiteral("old")});
    road.setUserClipboard(user);
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("  hello\n"));

    auto [out, task] = startCopy();
    road.clock.advance(40ms);

    ASSERT_TRUE(out->done) << "an application answering at once needs one wait only";
    ASSERT_FALSE(out->error);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("hello"));
    EXPECT_EQ(road.pasteboard.clipboard(), user);
    EXPECT_EQ(road.keys.sent(), std::vector<SyntheticKey>{SyntheticKey::copy});
}

TEST_F(ClipboardManagerTest, CopiedImageOrWhiteSpaceStillGivesTheUserClipboardBack) {
    for (const ClipboardContents& answer :
         {ClipboardContents{{{QStringLiteral("image/png"), pngBytes}}},
          ClipboardContents{{{QStringLiteral("text/uri-list"), QByteArrayLiteral("file:///tmp/a.txt")}}},
          ClipboardRoad::text(QStringLiteral(" \n\t "))}) {
        road.setUserClipboard(ClipboardRoad::text(QStringLiteral("mine")));
        road.copyAnswer = answer;
        auto [out, task] = startCopy();
        road.clock.advance(40ms);
        ASSERT_TRUE(out->done);
        EXPECT_FALSE(out->error);
        EXPECT_EQ(*out->value, std::nullopt);
        EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("mine")));
    }
}

TEST_F(ClipboardManagerTest, SensitiveContentIsNeverReadAndTheUserClipboardComesBack) {
    const std::vector<std::pair<QString, QByteArray>> markers = {
        {QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray()},
        {QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret")},
    };
    for (const auto& marker : markers) {
        road.setUserClipboard(userTextAndImage());
        ClipboardContents answer = ClipboardRoad::text(QStringLiteral("hunter2"));
        answer.formats.push_back(marker);
        road.copyAnswer = answer;
        auto [out, task] = startCopy();
        road.clock.advance(40ms);
        ASSERT_TRUE(out->done);
        EXPECT_TRUE(out->failedWith<ClipboardError>()) << marker.first.toStdString();
        EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());
    }

    // A hint other than "secret" does not conceal anything.
    ClipboardContents answer = ClipboardRoad::text(QStringLiteral("visible"));
    answer.formats.push_back({QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("other")});
    road.copyAnswer = answer;
    auto [out, task] = startCopy();
    road.clock.advance(40ms);
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("visible"));
}

TEST_F(ClipboardManagerTest, NothingCopiedLeavesTheClipboardWithItsOwnerUntouched) {
    // The front window ignores Ctrl+C, or another process (a clipboard manager re-offering older text) takes
    // the clipboard meanwhile: neither is read as the selection, and we never write.
    for (const bool managerRefills : {false, true}) {
        road.setUserClipboard(userTextAndImage());
        road.copyAnswer.reset();
        if (managerRefills) {
            road.copyAnswer = ClipboardRoad::text(QStringLiteral("older"));
            road.copyAnswerPid = 77;
        }
        const int writesBefore = road.pasteboard.writeCount();
        auto [out, task] = startCopy();
        road.clock.advance(11 * 40ms);
        EXPECT_FALSE(out->done);
        road.clock.advance(40ms);
        ASSERT_TRUE(out->done);
        EXPECT_EQ(*out->value, std::nullopt);
        EXPECT_EQ(road.pasteboard.writeCount(), writesBefore);
        EXPECT_EQ(road.pasteboard.clipboardOwner(), managerRefills ? 77 : 99);
    }
}

TEST_F(ClipboardManagerTest, CancelledCopyRestoresBeforeReportingCancellation) {
    road.setUserClipboard(userTextAndImage());
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("copied"));
    auto [out, task] = startCopy();
    task.cancel();
    drainEventLoop();
    ASSERT_TRUE(out->done);
    EXPECT_TRUE(out->failedWith<CancelledError>());
    EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());
}

TEST_F(ClipboardManagerTest, FailedRestoreIsLogged) {
    LogCapture log("com.tolvane.app.Clipboard");
    road.setUserClipboard(userTextAndImage());
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("copied"));
    road.pasteboard.setWritesFail(true);
    auto [out, task] = startCopy();
    road.clock.advance(40ms);
    ASSERT_TRUE(out->done);
    EXPECT_TRUE(log.lines().join('\n').contains(QLatin1String("Could not give the clipboard back")))
        << log.lines().join('\n').toStdString();
}

TEST_F(ClipboardManagerTest, TerminalNeverGetsCtrlCAndPastesWithShift) {
    // Known by its class, or by the pseudo-terminal its process holds.
    FrontmostWindow unknown = road.windows.addWindow(0x600002, 556, 1, QStringLiteral("Unknownterm"));
    unknown.hostsTerminal = true;
    for (const FrontmostWindow& terminal :
         {road.windows.addWindow(0x600001, 555, 1, QStringLiteral("XTerm")), unknown}) {
        const size_t sentBefore = road.keys.sent().size();
        road.windows.setFront(terminal);
        road.setUserClipboard(userTextAndImage());
        const int writesBefore = road.pasteboard.writeCount();
        auto [copy, copyTask] = startCopy();
        ASSERT_TRUE(copy->done);
        EXPECT_EQ(*copy->value, std::nullopt);
        EXPECT_EQ(road.keys.sent().size(), sentBefore);
        EXPECT_EQ(road.pasteboard.writeCount(), writesBefore) << "the clipboard is not borrowed at all";

        auto [paste, pasteTask] = startPaste(QStringLiteral("x"));
        road.clock.advance(1s);
        ASSERT_TRUE(paste->done);
        EXPECT_EQ(road.keys.sent(), std::vector<SyntheticKey>(sentBefore + 1, SyntheticKey::terminalPaste));
    }
}

TEST_F(ClipboardManagerTest, PasteKeepsTextOnOfferUntilFetchedThenRestores) {
    road.setUserClipboard(userTextAndImage());
    road.pullOnPaste = false; // the target fetches late
    auto [out, task] = startPaste(QStringLiteral("译文"));
    road.clock.advance(400ms);
    EXPECT_FALSE(out->done) << "the text must stay on offer until the target fetched it";
    EXPECT_EQ(road.pasteboard.pullText(), QStringLiteral("译文"));
    road.clock.advance(20ms);
    ASSERT_TRUE(out->done);
    EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());

    // A target that ignores the paste: the clipboard still comes back, within a second.
    auto [ignored, task2] = startPaste(QStringLiteral("x"));
    road.clock.advance(1s);
    ASSERT_TRUE(ignored->done);
    EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());
}

TEST_F(ClipboardManagerTest, PasteAndCopyNeverInterleave) {
    road.setUserClipboard(userTextAndImage());
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("selected"));
    auto [paste, pasteTask] = startPaste(QStringLiteral("T"));
    auto [copy, copyTask] = startCopy();
    EXPECT_EQ(road.keys.sent(), std::vector<SyntheticKey>{SyntheticKey::paste})
        << "the copy waits for the paste";

    road.clock.advance(2s);
    ASSERT_TRUE(paste->done);
    ASSERT_TRUE(copy->done);
    EXPECT_EQ(road.pasted, std::vector<QString>{QStringLiteral("T")});
    EXPECT_EQ(copy->value->value_or(QString()), QStringLiteral("selected"));
    EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());
}

TEST_F(ClipboardManagerTest, PlainWriteDuringABorrowLandsAfterTheRestore) {
    road.setUserClipboard(userTextAndImage());
    road.copyAnswer.reset();
    auto [copy, copyTask] = startCopy();
    road.clipboard.writePlainText(QStringLiteral("result"));
    road.clock.advance(1s);
    ASSERT_TRUE(copy->done);
    EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("result")));

    // With nothing in progress the write is immediate.
    road.clipboard.writePlainText(QStringLiteral("now"));
    EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("now")));
}

TEST_F(ClipboardManagerTest, ClipboardThatCannotBeReadWholeIsNeverBorrowed) {
    // An owner silent on TARGETS, or one target too large to be offered again: no Ctrl+C, no write.
    for (const bool silent : {true, false}) {
        road.setUserClipboard(userTextAndImage());
        road.pasteboard.setUnresponsive(silent);
        road.pasteboard.setMaxWritableBytes(silent ? 1 << 20 : 4);
        road.copyAnswer = ClipboardRoad::text(QStringLiteral("copied"));
        const int writesBefore = road.pasteboard.writeCount();
        auto [out, task] = startCopy();
        road.clock.advance(ClipboardManager::targetTimeout);
        ASSERT_TRUE(out->done);
        EXPECT_EQ(*out->value, std::nullopt);
        EXPECT_TRUE(road.keys.sent().empty());
        EXPECT_EQ(road.pasteboard.writeCount(), writesBefore);
        EXPECT_EQ(road.pasteboard.clipboard(), userTextAndImage());
    }
}

} // namespace
} // namespace tolvane::testing

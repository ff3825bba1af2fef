#include "clipboard_road_fixture.h"
#include "workflow/paste_back_controller.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

class PasteBackControllerTest : public ::testing::Test {
protected:
    ClipboardRoad road;
    PasteBackController controller{road.clipboard, road.keys, road.windows, road.clock};
    FrontmostWindow ours =
        road.windows.addWindow(0x100001, MemoryWindowSystem::ownPid, 1, QStringLiteral("Tolvane"));

    auto startPasteBack(QString text) {
        return road.start<void>(
            [this, text](CancellationToken token) { return controller.pasteBack(text, token); });
    }
    std::shared_ptr<Outcome<bool>> pasteBack(const QString& text) {
        auto [out, task] = startPasteBack(text);
        road.clock.advance(2s);
        EXPECT_TRUE(out->done);
        return out;
    }
};

TEST_F(PasteBackControllerTest, PastesIntoTheCapturedApplicationEveryTime) {
    road.setUserClipboard(ClipboardRoad::text(QStringLiteral("mine")));
    controller.captureTarget();
    road.windows.setFront(ours); // the translator's panel is in front now

    ASSERT_FALSE(pasteBack(QStringLiteral("译文"))->error);
    road.windows.setFront(ours);
    ASSERT_FALSE(pasteBack(QStringLiteral("译文"))->error);

    EXPECT_EQ(road.pasted, (std::vector<QString>{QStringLiteral("译文"), QStringLiteral("译文")}));
    EXPECT_EQ(road.windows.activations(),
              (std::vector<quint32>{ClipboardRoad::appWindow, ClipboardRoad::appWindow}));
    EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("mine")));
}

TEST_F(PasteBackControllerTest, NoTargetWhenTheTranslatorOrNothingWasInFront) {
    controller.captureTarget();
    road.windows.setFront(ours);
    controller.captureTarget();
    EXPECT_EQ(controller.target(), std::nullopt) << "capturing ourselves forgets the earlier target";
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::missingTargetApplication);

    road.windows.setFront(std::nullopt);
    controller.captureTarget();
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::missingTargetApplication);
    EXPECT_TRUE(road.keys.sent().empty());
}

TEST_F(PasteBackControllerTest, ReusedProcessIdOrGoneWindowNeverReceivesThePaste) {
    road.setUserClipboard(ClipboardRoad::text(QStringLiteral("mine")));
    controller.captureTarget();
    road.windows.setFront(ours);
    const int writesBefore = road.pasteboard.writeCount();

    road.windows.restartProcess(ClipboardRoad::appPid, 999); // another program now has this process id
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::targetApplicationUnavailable);

    road.windows.restartProcess(ClipboardRoad::appPid, 777);
    road.windows.destroyWindow(ClipboardRoad::appWindow);
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::targetApplicationUnavailable);

    road.windows.endProcess(ClipboardRoad::appPid);
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::targetApplicationUnavailable);

    EXPECT_TRUE(road.keys.sent().empty());
    EXPECT_TRUE(road.windows.activations().empty());
    EXPECT_EQ(road.pasteboard.writeCount(), writesBefore) << "the clipboard is left untouched";
}

TEST_F(PasteBackControllerTest, ActivationThatNeverTakesEffectFailsWithoutPasting) {
    controller.captureTarget();
    road.windows.setFront(ours);
    road.windows.setActivationTakesEffect(false);
    auto [out, task] = startPasteBack(QStringLiteral("x"));
    road.clock.advance(PasteBackController::activationWait - 1ms);
    EXPECT_FALSE(out->done);
    road.clock.advance(1ms);
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->errorKind<PasteBackError>(), PasteBackError::Kind::targetApplicationUnavailable);
    EXPECT_TRUE(road.keys.sent().empty());
}

TEST_F(PasteBackControllerTest, CopyRequestedDuringPasteBackWaitsForIt) {
    road.setUserClipboard(ClipboardRoad::text(QStringLiteral("mine")));
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("sel"));
    controller.captureTarget();
    road.windows.setFront(ours);
    auto [paste, pasteTask] = startPasteBack(QStringLiteral("T"));
    auto [copy, copyTask] = road.start<std::optional<QString>>(
        [this](CancellationToken token) { return road.clipboard.copySelectedText(token); });
    road.clock.advance(10ms); // activation is under way
    EXPECT_TRUE(road.keys.sent().empty()) << "no copy between activation and paste";
    road.clock.advance(3s);
    ASSERT_TRUE(paste->done && copy->done);
    EXPECT_EQ(road.keys.sent(), (std::vector<SyntheticKey>{SyntheticKey::paste, SyntheticKey::copy}));
    EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("mine")));
}

} // namespace
} // namespace tolvane::testing

#include "fake_global_input.h"
#include "support/virtual_clock.h"
#include "workflow/auto_selection_button_controller.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

using Type = RawInputEvent::Type;

// Settings whose change notifications are coalesced to the next event-loop turn, like the real store's.
class FakeCapsuleSettings final : public AutoSelectionButtonSettings {
public:
    bool enabled = true;
    TranslationStyle style = TranslationStyle::literal;
    std::function<void()> onChange;

    bool autoSelectionButtonEnabled() const override { return enabled; }
    void setTranslationStyle(TranslationStyle value) override {
        style = value;
        if (!m_pending) {
            m_pending = true;
            QTimer::singleShot(0, [this] { flushPendingChanges(); });
        }
    }
    void flushPendingChanges() override {
        if (std::exchange(m_pending, false) && onChange)
            onChange();
    }

private:
    bool m_pending = false;
};

QCoro::Task<std::optional<CapturedSelection>> ready(std::optional<CapturedSelection> selection) {
    co_return selection;
}

class AutoSelectionButtonTest : public ::testing::Test {
protected:
    AutoSelectionButtonTest() { controller.start(); }

    AutoSelectionButtonController::Services services() {
        return {input,
                settings,
                clock,
                [] { return true; },
                [this] { return frontmostSelf; },
                [this] { return primaryChanges; },
                [this](CancellationToken) {
                    ++reads;
                    return ready(selectionText.isEmpty() ? std::nullopt
                                                         : std::optional<CapturedSelection>(
                                                               CapturedSelection{selectionText, {}}));
                },
                [this] { return cursor; }};
    }
    // A paced left-button drag from `from` to `to`; the selection owner changes on release.
    void drag(QPoint from, QPoint to, bool newSelection = true) {
        cursor = from;
        input.rawButton(Type::buttonPress, 1);
        cursor = to;
        input.raw(RawInputEvent{Type::motion});
        if (newSelection)
            ++primaryChanges;
        input.rawButton(Type::buttonRelease, 1);
    }
    // A drag across a new selection, and the first read after it.
    void dragAndRead() {
        drag({200, 200}, {300, 200});
        clock.advance(180ms);
    }
    QRect available() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    void mouse(QEvent::Type type, QPoint local, QPoint global) {
        QWidget* panel = controller.panel();
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(panel, &event);
    }

    FakeGlobalInput input;
    VirtualClock clock;
    FakeCapsuleSettings settings;
    QPoint cursor{100, 100};
    quint64 primaryChanges = 0;
    bool frontmostSelf = false;
    QString selectionText = QStringLiteral("  hello world \n");
    int reads = 0;
    std::vector<std::pair<CapturedSelection, TranslationStyle>> translations;
    AutoSelectionButtonController controller{
        services(), [this](const CapturedSelection& s) { translations.emplace_back(s, settings.style); }};
};

TEST_F(AutoSelectionButtonTest, OnlyADragBeyondSixPixelsOffersTheCapsuleBesideTheRelease) {
    drag({200, 200}, {206, 200});
    clock.advance(1s);
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(controller.isCapsuleVisible());

    // A click without motion schedules nothing.
    input.rawButton(Type::buttonPress, 1);
    ++primaryChanges;
    input.rawButton(Type::buttonRelease, 1);
    EXPECT_EQ(clock.pendingCalls(), 0u);

    drag({200, 200}, {207, 200});
    clock.advance(179ms);
    EXPECT_FALSE(controller.isCapsuleVisible());
    clock.advance(1ms);
    ASSERT_TRUE(controller.isCapsuleVisible());
    const QRect frame = controller.panel()->geometry();
    EXPECT_EQ(frame.x(), 207 + 11);
    EXPECT_NEAR(frame.y() + frame.height() / 2.0, 200.5, 1.0);
    ASSERT_TRUE(controller.currentSelection());
    EXPECT_EQ(controller.currentSelection()->text, QStringLiteral("hello world"));
    EXPECT_EQ(controller.currentSelection()->bounds, QRect(207, 200, 1, 1));
}

TEST_F(AutoSelectionButtonTest, StalePrimaryIsNeverReadAndLateOwnersAreRetried) {
    drag({200, 200}, {300, 200}, /*newSelection=*/false);
    clock.advance(180ms + 300ms);
    EXPECT_EQ(reads, 0);
    ++primaryChanges; // a slow owner claims PRIMARY before the last attempt
    clock.advance(420ms);
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(controller.isCapsuleVisible());

    // One grapheme after trimming: nothing shows and the attempts end.
    selectionText = QStringLiteral(" 好 ");
    reads = 0;
    drag({200, 200}, {300, 200});
    clock.advance(1s);
    EXPECT_EQ(reads, 1);
    EXPECT_FALSE(controller.isCapsuleVisible());
}

TEST_F(AutoSelectionButtonTest, ClicksAndKeysCancelPendingReadsAndHideTheCapsule) {
    drag({200, 200}, {300, 200});
    clock.advance(100ms);
    input.rawKey('a', 0);
    clock.advance(1s);
    EXPECT_EQ(reads, 0);

    drag({200, 200}, {300, 200});
    clock.advance(500ms);
    ASSERT_TRUE(controller.isCapsuleVisible());
    cursor = {10, 10};
    input.rawButton(Type::buttonPress, 3);
    EXPECT_FALSE(controller.isCapsuleVisible());

    drag({200, 200}, {300, 200});
    clock.advance(100ms);
    cursor = {10, 10};
    input.rawButton(Type::buttonPress, 3);
    clock.advance(1s);
    EXPECT_FALSE(controller.isCapsuleVisible());

    // This application in front: no capsule.
    frontmostSelf = true;
    drag({200, 200}, {300, 200});
    clock.advance(1s);
    EXPECT_FALSE(controller.isCapsuleVisible());
}

TEST_F(AutoSelectionButtonTest, PressAndReleaseInsideTheCapsuleAreIgnored) {
    dragAndRead();
    ASSERT_TRUE(controller.isCapsuleVisible());
    cursor = controller.panel()->geometry().center();
    input.rawButton(Type::buttonPress, 1);
    input.rawButton(Type::buttonRelease, 1);
    EXPECT_TRUE(controller.isCapsuleVisible());
    EXPECT_EQ(clock.pendingCalls(), 0u);
    EXPECT_EQ(controller.currentSelection()->bounds, QRect(300, 200, 1, 1));
}

TEST_F(AutoSelectionButtonTest, StartIsIdempotentStopLeavesNothingBehindAndTheSettingGatesStart) {
    controller.start();
    EXPECT_EQ(input.observerCount(), 1u);

    drag({200, 200}, {300, 200});
    controller.stop();
    clock.advance(1s);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(controller.panel(), nullptr);
    EXPECT_EQ(input.observerCount(), 0u);
    EXPECT_FALSE(controller.currentSelection());

    controller.start();
    settings.enabled = false;
    controller.start();
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(input.observerCount(), 0u);

    // Without raw input the capsule stays off.
    settings.enabled = true;
    input.rawStatus = kNoRawInputStatus;
    controller.start();
    EXPECT_FALSE(controller.isRunning());
}

TEST(AutoSelectionButtonPlacementTest, ClampsInsideTheVisibleAreaWithTheUpperBoundWinning) {
    const QSize size = AutoSelectionButtonController::capsuleSize;
    const QRect area(0, 30, 1920, 1050);
    // Beside the anchor, vertically centred on it.
    EXPECT_EQ(AutoSelectionButtonController::placementOrigin(QRectF(500, 400, 1, 1), {}, area, size),
              QPoint(511, 382)); // 400.5 - 19 rounds to 382 (centre 401, within a pixel)
    // Right and bottom edges: 8 px inside.
    EXPECT_EQ(AutoSelectionButtonController::placementOrigin(QRectF(1900, 1070, 1, 1), {}, area, size),
              QPoint(1920 - 88 - 8, 30 + 1050 - 38 - 8));
    // Left and top edges.
    EXPECT_EQ(AutoSelectionButtonController::clampedOrigin({-50, 0}, size, area), QPoint(8, 38));
    // Without an anchor the cursor is the anchor point.
    EXPECT_EQ(AutoSelectionButtonController::placementOrigin(std::nullopt, {700, 500}, area, size),
              QPoint(700, 481));
    // An area smaller than the capsule: the right and top margins win.
    const QRect tiny(100, 100, 50, 20);
    EXPECT_EQ(AutoSelectionButtonController::clampedOrigin({120, 110}, size, tiny),
              QPoint(100 + 50 - 88 - 8, 108));
}

TEST_F(AutoSelectionButtonTest, StyleFromTheMenuReachesSettingsBeforeTheSelectionIsTranslated) {
    // Stand-in for the main window: re-translates its own text whenever the settings change.
    settings.onChange = [this] {
        translations.emplace_back(CapturedSelection{"main window text", {}}, settings.style);
    };
    dragAndRead();
    ASSERT_TRUE(controller.styleMenu());
    const QList<QAction*> actions = controller.styleMenu()->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_EQ(actions[2]->text(), QStringLiteral("技术文档"));
    EXPECT_TRUE(actions[4]->isSeparator());
    actions[2]->trigger();
    drainEventLoop();
    ASSERT_FALSE(translations.empty());
    EXPECT_EQ(translations.back().first.text, QStringLiteral("hello world"));
    EXPECT_EQ(translations.back().second, TranslationStyle::technical);
    EXPECT_EQ(settings.style, TranslationStyle::technical);
    EXPECT_FALSE(controller.isCapsuleVisible());
}

TEST_F(AutoSelectionButtonTest, CapsuleClicksUnderFourPixelsAndDragsMoveItInGlobalCoordinates) {
    dragAndRead();
    QWidget* panel = controller.panel();
    ASSERT_TRUE(panel);
    const WId window = panel->winId();
    const QPoint start = panel->pos();

    // A 3 px wobble is still a click on the glass.
    mouse(QEvent::MouseButtonPress, {19, 19}, start + QPoint(19, 19));
    mouse(QEvent::MouseMove, {22, 19}, start + QPoint(22, 19));
    mouse(QEvent::MouseButtonRelease, {22, 19}, start + QPoint(22, 19));
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_FALSE(controller.isCapsuleVisible());

    // Dragging 60 px in steps moves it exactly 60 px and translates nothing; local positions stay put
    // while the widget moves under the pointer.
    dragAndRead();
    const QPoint origin = panel->pos();
    mouse(QEvent::MouseButtonPress, {60, 19}, origin + QPoint(60, 19));
    for (int step = 10; step <= 60; step += 10)
        mouse(QEvent::MouseMove, {60, 19}, origin + QPoint(60 + step, 19));
    mouse(QEvent::MouseButtonRelease, {60, 19}, origin + QPoint(120, 19));
    EXPECT_EQ(panel->pos(), origin + QPoint(60, 0));
    EXPECT_EQ(translations.size(), 1u);
    EXPECT_TRUE(controller.isCapsuleVisible());

    // Past the right edge: stops 8 px inside.
    const QPoint before = panel->pos();
    mouse(QEvent::MouseButtonPress, {19, 19}, before + QPoint(19, 19));
    mouse(QEvent::MouseMove, {19, 19}, before + QPoint(5000, 19));
    mouse(QEvent::MouseButtonRelease, {19, 19}, before + QPoint(5000, 19));
    EXPECT_EQ(panel->x(), available().x() + available().width() - 88 - 8);
    EXPECT_EQ(translations.size(), 1u);

    // 隐藏 hides without translating; the same window comes back on the next show.
    controller.styleMenu()->actions().last()->trigger();
    EXPECT_FALSE(controller.isCapsuleVisible());
    EXPECT_EQ(translations.size(), 1u);
    dragAndRead();
    EXPECT_TRUE(controller.isCapsuleVisible());
    EXPECT_EQ(panel->winId(), window);
}

} // namespace
} // namespace tolvane::testing

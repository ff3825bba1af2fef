#include "panel/floating_panel_controller.h"
#include "panel/result_panel_placement.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "result_panel_fakes.h"
#include "support/virtual_clock.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::MemoryPanelSettings;
using testing::RecordingPanelWorkflow;

const QSizeF panel(520, 320);
const PlacementScreen fullHd{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048)};

TEST(PanelPlacementTest, PlacesBelowAboveAndInsideTheAvailableArea) {
    // Under the pointer: centred, 14 below.
    EXPECT_EQ(panelTopLeft(panel, std::nullopt, {960, 540}, {fullHd}, 0), QPointF(700, 554));
    // Below a selection's lower edge.
    EXPECT_EQ(panelTopLeft(panel, QRectF(400, 200, 200, 18), {}, {fullHd}, 0), QPointF(240, 232));
    // Near the bottom: the panel's bottom edge 24 above the selection's lower edge, so a one-line
    // selection stays uncovered.
    const QRectF low(400, 900, 200, 18);
    const QPointF above = *panelTopLeft(panel, low, {}, {fullHd}, 0);
    EXPECT_EQ(above, QPointF(240, 918 - 24 - 320));
    EXPECT_LE(above.y() + panel.height(), low.top());
    // A tall selection near the bottom is not covered either.
    const QRectF tall(400, 700, 200, 260);
    const QPointF aboveTall = *panelTopLeft(panel, tall, {}, {fullHd}, 0);
    EXPECT_LE(aboveTall.y() + panel.height(), tall.top());
    // At the right edge: flush 12 inside.
    EXPECT_EQ(panelTopLeft(panel, QRectF(1900, 100, 10, 18), {}, {fullHd}, 0)->x(), 1920 - 520 - 12);
    // At the top of the available area (below a top panel): 12 inside it.
    EXPECT_EQ(panelTopLeft(panel, std::nullopt, {960, 0}, {fullHd}, 0)->y(), 32 + 12);
    // A frame too small for the panel and its margins: the right and top margins win.
    const PlacementScreen tiny{QRectF(0, 0, 400, 300), QRectF(0, 0, 400, 300)};
    EXPECT_EQ(panelTopLeft(panel, std::nullopt, {200, 150}, {tiny}, 0), QPointF(400 - 520 - 12, 12));
    // No screens: no placement.
    EXPECT_FALSE(panelTopLeft(panel, std::nullopt, {0, 0}, {}, 0).has_value());
}

TEST(PanelPlacementTest, ChoosesTheScreenOfTheAnchor) {
    const PlacementScreen left{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080)};
    const PlacementScreen right{QRectF(1920, 0, 2560, 1440), QRectF(1920, 0, 2560, 1400)};
    // On the second screen, near its left edge: clamped to that screen, not the first.
    EXPECT_EQ(panelTopLeft(panel, QRectF(1925, 100, 10, 18), {}, {left, right}, 0)->x(), 1920 + 12);
    // The shared edge belongs to the screen on the right.
    EXPECT_GE(panelTopLeft(panel, std::nullopt, {1920, 500}, {left, right}, 0)->x(), 1920 + 12);
    // Outside every screen: the fallback (focus) screen's area.
    const QPointF lost = *panelTopLeft(panel, QRectF(9000, 9000, 10, 10), {}, {left, right}, 1);
    EXPECT_EQ(lost, QPointF(1920 + 2560 - 520 - 12, 1400 - 320 - 12));
}

class FloatingPanelControllerTest : public ::testing::Test {
protected:
    RecordingPanelWorkflow workflow;
    MemoryPanelSettings settings;
    FloatingPanelController controller{&workflow, &settings};
    QWidget other; // another window of the application
    QLineEdit* field = new QLineEdit(&other);

    void SetUp() override {
        controller.setCompositorProbe([] { return false; });
        other.show();
        QApplication::setActiveWindow(&other);
        field->setFocus();
        drainEventLoop();
    }
    void pressEscape(QWidget* target) { QTest::keyClick(target, Qt::Key_Escape); }
};

TEST_F(FloatingPanelControllerTest, EscapeStopsAndDismissesOnlyWhileShownOrBusy) {
    int escapesSeen = 0;
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                ++*count;
            return false;
        }
    } counter(&escapesSeen);
    field->installEventFilter(&counter);

    // Visible and streaming: stop, then dismiss; the focused field elsewhere gets nothing.
    controller.present(std::nullopt);
    workflow.setStatus(WorkflowStatus::streaming());
    pressEscape(field);
    EXPECT_EQ(workflow.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("dismiss")}));
    EXPECT_EQ(escapesSeen, 0);

    // Visible and idle: Escape in another window is that window's; in the panel it dismisses only.
    workflow.calls.clear();
    workflow.setStatus(WorkflowStatus::completed());
    pressEscape(field);
    EXPECT_TRUE(workflow.calls.isEmpty());
    EXPECT_EQ(escapesSeen, 1);
    pressEscape(controller.panelWindow());
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("dismiss")});

    // Hidden and idle: the key reaches the focused field.
    workflow.calls.clear();
    controller.hidePanel();
    pressEscape(field);
    EXPECT_TRUE(workflow.calls.isEmpty());
    EXPECT_EQ(escapesSeen, 2);

    // Hidden but busy (a capture before the panel shows): still stopped and dismissed.
    workflow.setStatus(WorkflowStatus::capturing());
    pressEscape(field);
    EXPECT_EQ(workflow.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("dismiss")}));
}

TEST_F(FloatingPanelControllerTest, OpenPopupTakesEscapeFirst) {
    controller.present(std::nullopt);
    auto* combo = new QComboBox(&other);
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    combo->showPopup();
    drainEventLoop();
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(FloatingPanelControllerTest, PresentPlacesWithoutActivatingAndCloseRequestsDismissOnce) {
    controller.present(QRectF(400, 200, 200, 18));
    TranslatorPanel* window = controller.panelWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(520, 320));
    EXPECT_EQ(window->pos().y(), 232);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(window->windowFlags() & Qt::Tool & ~Qt::Window);
    EXPECT_EQ(QApplication::activeWindow(), &other);
    // Without a compositor the container is opaque with cut corners.
    EXPECT_EQ(controller.view()->backdrop(), PanelBackdrop::opaque);
    EXPECT_FALSE(window->mask().isEmpty());
    EXPECT_FALSE(window->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(window->mask().contains(QPoint(12, 12)));

    window->close();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("dismiss")});
    EXPECT_TRUE(window->isVisible()); // hidden by the workflow's hook, not closed
}

} // namespace
} // namespace tolvane

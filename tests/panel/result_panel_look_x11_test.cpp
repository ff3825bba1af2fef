// The floating panel as the X server shows it, in its states: each state is presented next to an anchor on
// the test session's screen, grabbed from the screen (what the user sees, mask and all) and from the
// top-level (with its transparency), written to PNG files for review, and measured pixel by pixel.
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "result_panel_fakes.h"
#include "support/image_probes.h"
#include "support/virtual_clock.h"
#include "ui/native_text_editor.h"
#include "ui/theme.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::closestDistance;
using testing::distance;
using testing::drainEventLoop;
using testing::inkBox;
using testing::MemoryPanelSettings;
using testing::near;
using testing::RecordingPanelWorkflow;

// Where the PNGs go: TOLVANE_SNAPSHOT_DIR, else a folder next to the test binary.
QString snapshotDir() {
    QString dir = qEnvironmentVariable("TOLVANE_SNAPSHOT_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + QStringLiteral("/panel_snapshots");
    QDir().mkpath(dir);
    return dir;
}

// `top` at `alpha` over an opaque `bottom`.
QColor over(const QColor& top, double alpha, const QColor& bottom) {
    auto mix = [&](int a, int b) { return int(std::lround(a * alpha + b * (1 - alpha))); };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                  mix(top.blue(), bottom.blue()));
}

const QColor containerFill(0x16, 0x16, 0x16);

class ResultPanelLookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Theme::registerFonts();
        QApplication::setCursorFlashTime(0);
    }

    RecordingPanelWorkflow workflow;
    MemoryPanelSettings settings;
    FloatingPanelController controller{&workflow, &settings};
    const QRectF anchor{300, 200, 240, 18};

    TranslatorPanel* panel() const { return controller.panelWindow(); }
    ResultPanelView* view() const { return controller.view(); }

    // Presents the panel without a compositor (the session has none) and waits until it is on screen.
    void present() {
        controller.setCompositorProbe([] { return false; });
        controller.present(anchor);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel()));
        settle();
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            drainEventLoop();
            QTest::qWait(20);
        }
    }
    // The panel as the screen shows it.
    QImage screenImage() const {
        return panel()
            ->screen()
            ->grabWindow(0, panel()->x(), panel()->y(), panel()->width(), panel()->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // The top-level's own rendering, with its transparency.
    QImage windowImage() const { return panel()->grab().toImage().convertToFormat(QImage::Format_ARGB32); }
    // Switches the workflow to `status` with `result`, lets the panel repaint and saves it as `name`.
    QImage showState(const WorkflowStatus& status, const QString& result, const QString& name) {
        workflow.setResult(result);
        workflow.setStatus(status);
        settle();
        save(name);
        return screenImage();
    }
    void save(const QString& name) const {
        screenImage().save(snapshotDir() + QStringLiteral("/panel-%1.png").arg(name));
        windowImage().save(snapshotDir() + QStringLiteral("/panel-%1-window.png").arg(name));
    }
};

// Where a child widget sits in the panel's coordinates.
QRect placed(const QWidget* child, const QWidget* panel) {
    return QRect(child->mapTo(panel, QPoint(0, 0)), child->size());
}

TEST_F(ResultPanelLookTest, ReadingStatesKeepTheirGeometryAndColours) {
    workflow.setSource(QStringLiteral("The quick brown fox jumps over the lazy dog."));
    workflow.setStatus(WorkflowStatus::streaming());
    workflow.setResult(QStringLiteral("敏捷的棕色狐狸跳过了"));
    present();
    save(QStringLiteral("streaming"));

    // Placed centred under the anchor, 14 below it, at the fixed size.
    EXPECT_EQ(panel()->geometry(),
              QRect(int(anchor.center().x()) - 260, int(anchor.bottom()) + 14, 520, 320));
    const QImage screen = screenImage();
    const QImage window = windowImage();
    ASSERT_EQ(window.size(), QSize(520, 320));

    // Container: clear corners in the window, cut by the mask on screen; the opaque fill inside; a faint
    // white ring on the edge; dividers under the header (y 44) and above the footer (y 267).
    EXPECT_EQ(qAlpha(window.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(window.pixel(12, 12)), 255);
    EXPECT_TRUE(near(screen, {12, 12}, containerFill, 1));
    EXPECT_FALSE(near(screen, {0, 0}, containerFill, 1));
    EXPECT_TRUE(near(screen, {260, 0}, over(Qt::white, 0.07, containerFill), 2));
    EXPECT_TRUE(near(screen, {0, 160}, over(Qt::white, 0.07, containerFill), 2));
    for (int y : {44, 267}) {
        EXPECT_TRUE(near(screen, {300, y}, over(Qt::white, 18 / 255.0, containerFill), 2)) << y;
        EXPECT_TRUE(near(screen, {300, y - 1}, containerFill, 1)) << y;
        EXPECT_TRUE(near(screen, {300, y + 1}, containerFill, 1)) << y;
    }

    // Header: the 16 px icon from x 14, centred on y 22, in the accent tint; the title 10 px later; the
    // pickers after it; the close glyph ending by x 506.
    const QRect icon = inkBox(screen, QRect(4, 4, 30, 36), containerFill);
    EXPECT_GE(icon.left(), 14);
    EXPECT_LE(icon.right(), 14 + 16);
    EXPECT_NEAR(icon.center().y(), 22, 1);
    EXPECT_LE(closestDistance(screen, icon, Theme::accentColor()), 3);
    ResultPanelHeader* header = view()->header();
    const QRect source = placed(header->sourcePicker(), panel());
    EXPECT_EQ(source.left(), 14 + 16 + 10 + 76 + 10);
    EXPECT_NEAR(source.center().y(), 22, 1);
    const QRect title = inkBox(screen, QRect(36, 8, 80, 28), containerFill);
    EXPECT_GE(title.left(), 40);
    EXPECT_LT(title.right(), source.left());
    // The title is light text on the dark container, not the light theme's dark text.
    EXPECT_GT(screen.pixelColor(title.center()).lightness() + closestDistance(screen, title, Qt::black), 60);
    EXPECT_LE(closestDistance(screen, title, Theme::colorE9E1D4()), 40);
    const QRect close = inkBox(screen, QRect(470, 8, 50, 28), containerFill);
    EXPECT_LE(close.right(), 506);
    EXPECT_GE(close.right(), 496);
    // Pickers are dark like the panel, with light text.
    EXPECT_LT(screen.pixelColor(source.left() + 4, source.center().y()).lightness(), 80);

    // Reading body: the caption at (16, 59), the text 6 below it, sections 14 apart.
    ResultPanelReadingBody* body = view()->readingBody();
    const QRect sourceSection = placed(body->sourceSection(), panel());
    const QRect resultSection = placed(body->resultSection(), panel());
    EXPECT_EQ(sourceSection.topLeft(), QPoint(16, 59));
    EXPECT_EQ(resultSection.top(), sourceSection.bottom() + 1 + 14);
    const QRect caption = inkBox(screen, QRect(10, 55, 60, 16), containerFill);
    EXPECT_GE(caption.left(), 16);
    EXPECT_LE(caption.left(), 18);
    // Light text on the dark body: the body shows the container, not a light fill.
    EXPECT_TRUE(near(screen, {400, 200}, containerFill, 1));

    // Footer: the engine picker from x 14; the buttons about 24 high, centred on
    // y 294, the last ending at 506; the stop button in its red.
    ResultPanelFooter* footer = view()->footer();
    EXPECT_EQ(placed(footer->enginePicker(), panel()).left(), 14);
    const QRect stop = inkBox(screen, placed(footer->stopButton(), panel()), containerFill, 40);
    EXPECT_NEAR(stop.center().y(), 294, 1);
    EXPECT_NEAR(stop.height(), 24, 2);
    EXPECT_LE(closestDistance(screen, stop, QColor(0xFF, 0x45, 0x3A)), 2);
    const QRect lastButton = placed(footer->visibleButtons().last(), panel());
    EXPECT_EQ(lastButton.right(), 505);

    // Completed: the green tint. Failed: the orange tint and the message 32 in from the sides.
    workflow.setPasteBack(true);
    QImage shot = showState(WorkflowStatus::completed(), QStringLiteral("敏捷的棕色狐狸跳过了那只懒狗。"),
                            QStringLiteral("completed"));
    EXPECT_LE(closestDistance(shot, QRect(14, 14, 16, 16), Theme::systemGreen()), 3);
    EXPECT_EQ(placed(footer->visibleButtons().last(), panel()).right(), 505);

    shot = showState(WorkflowStatus::failed(QStringLiteral("请求失败：服务器返回 401，请检查 API 密钥。")),
                     QString(), QStringLiteral("failed"));
    EXPECT_LE(closestDistance(shot, QRect(14, 14, 16, 16), Theme::systemOrange()), 3);
    const QRect failure = placed(body->failureLabel()->parentWidget(), panel()); // the padded box
    const QRect failureInk = inkBox(shot, failure, containerFill);
    ASSERT_FALSE(failureInk.isEmpty());
    EXPECT_GE(failureInk.left(), failure.left() + 32);
    EXPECT_LE(failureInk.right(), failure.right() - 32);
    EXPECT_GE(failureInk.top(), failure.top() + 42);
}

TEST_F(ResultPanelLookTest, ManualInputPanesAndColours) {
    workflow.setSource(QStringLiteral("Hello, world"));
    workflow.setStatus(WorkflowStatus::manualInput());
    workflow.setManual(true);
    present();
    save(QStringLiteral("manual"));
    QImage shot = screenImage();
    ResultPanelManualBody* body = view()->manualBody();
    const QRect bodyRect = placed(body, panel());

    // The two panes over the container and the divider between them, near the middle.
    const QColor inputPane = over(Theme::color161310(), 0.74, containerFill);
    const QColor outputPane = over(Theme::color17120D(), 0.68, containerFill);
    const int middleY = bodyRect.top() + 150;
    EXPECT_TRUE(near(shot, {bodyRect.left() + 4, middleY}, inputPane, 2));
    EXPECT_TRUE(near(shot, {bodyRect.right() - 4, middleY}, outputPane, 2));
    int divider = -1;
    for (int x = 240; x < 280 && divider < 0; ++x)
        if (!near(shot, {x, middleY}, inputPane, 1) && !near(shot, {x, middleY}, outputPane, 1))
            divider = x;
    EXPECT_NEAR(divider, 260, 1);
    // The manual tint, the editor's text colour and the hint's colour from their glyph cores; the count in
    // #797168; content inset 16 from the pane.
    EXPECT_LE(closestDistance(shot, QRect(14, 14, 16, 16), Theme::colorBDA46B()), 3);
    const QRect editor = placed(body->editor(), panel());
    EXPECT_LE(closestDistance(shot, editor.intersected(QRect(0, 0, 260, 320)), Theme::colorE9E1D4()), 3);
    EXPECT_GE(inkBox(shot, QRect(bodyRect.left(), bodyRect.top(), 60, 40), inputPane).left(), 16);
    EXPECT_LE(closestDistance(shot, placed(body->countLabel(), panel()), Theme::color797168()), 3);
    EXPECT_LE(closestDistance(shot, placed(body->hintPage(), panel()), Theme::color797168()), 3);
    // The prominent manual 翻译 button in its gold.
    EXPECT_LE(closestDistance(shot, placed(view()->footer()->manualTranslateButton(), panel()),
                              Theme::colorBDA46B()),
              2);

    showState(WorkflowStatus::completed(), QStringLiteral("你好，世界"), QStringLiteral("manual-result"));
    shot = showState(WorkflowStatus::failed(QStringLiteral("网络连接已断开")), QString(),
                     QStringLiteral("manual-failed"));
    EXPECT_LE(closestDistance(shot, placed(body->failureLabel(), panel()), Theme::colorB86745()), 3);
}

} // namespace
} // namespace tolvane

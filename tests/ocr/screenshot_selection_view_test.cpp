#include "ocr/screenshot_overlay_icons.h"
#include "ocr/screenshot_overlay_layout.h"
#include "ocr/screenshot_selection_palette.h"
#include "ocr/screenshot_selection_view.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

namespace layout = overlay_layout;

struct PanelCase {
    const char* name;
    QRectF bounds;
    std::optional<QRectF> selection;
    bool snapshot;
    std::optional<QRectF> expected;
};

TEST(ScreenshotOverlayLayout, PanelPlacementFollowsTheSelection) {
    const PanelCase cases[] = {
        {"no selection", {0, 0, 1440, 900}, std::nullopt, false, std::nullopt},
        {"7 wide", {0, 0, 1440, 900}, QRectF(100, 100, 7, 100), false, std::nullopt},
        {"7 high", {0, 0, 1440, 900}, QRectF(100, 100, 100, 7), false, std::nullopt},
        {"8 x 8 gets a panel, kept 16 from the left",
         {0, 0, 1440, 900},
         QRectF(100, 100, 8, 8),
         false,
         QRectF(16, 144, 660, 62)},
        {"centred under the selection",
         {0, 0, 1920, 1080},
         QRectF(800, 300, 400, 200),
         false,
         QRectF(670, 536, 660, 62)},
        {"kept 16 from the right edge",
         {0, 0, 1440, 900},
         QRectF(1300, 100, 100, 100),
         false,
         QRectF(764, 236, 660, 62)},
        {"near the bottom: above the selection",
         {0, 0, 1440, 900},
         QRectF(300, 700, 400, 150),
         false,
         QRectF(170, 602, 660, 62)},
        {"too short for both: 16 below the top",
         {0, 0, 1440, 200},
         QRectF(300, 20, 400, 150),
         false,
         QRectF(170, 16, 660, 62)},
        {"narrow view", {0, 0, 600, 900}, QRectF(100, 100, 200, 100), false, QRectF(16, 236, 568, 62)},
        {"demonstration window",
         {0, 0, 1440, 900},
         QRectF(258, 214, 790, 420),
         true,
         QRectF(390, 670, 660, 62)},
    };
    for (const PanelCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(layout::modePanelRect(c.selection, c.bounds, c.snapshot), c.expected);
    }
}

TEST(ScreenshotOverlayLayout, ButtonsSitInsideThePanelWithoutOverlapping) {
    const QRectF panel(16, 100, 660, 62);
    const auto modes = layout::modeButtonFrames(panel);
    EXPECT_EQ(modes[0].frame, QRectF(70, 114, 92, 34));
    EXPECT_EQ(modes[2].frame, QRectF(315, 114, 112, 34));
    EXPECT_EQ(layout::secondaryButtonFrame(panel), QRectF(471, 114, 80, 34));
    EXPECT_EQ(layout::primaryButtonFrame(panel), QRectF(559, 114, 105, 34));
    for (const auto& button : modes) {
        EXPECT_TRUE(panel.contains(button.frame));
        EXPECT_FALSE(button.frame.intersects(layout::secondaryButtonFrame(panel)));
    }
    EXPECT_EQ(layout::selectionFromPoints({300, 50}, {100, 250}), QRectF(100, 50, 200, 200));
}

TEST(ScreenshotOverlayIcons, EveryDesignIdentifierResolvesToAResource) {
    for (const QString& name : {overlay_icons::badge, overlay_icons::single, overlay_icons::continuous,
                                overlay_icons::batch, overlay_icons::primaryAction})
        EXPECT_EQ(overlayIconPath(name), QStringLiteral(":/Lucide/%1.svg").arg(name)) << name.toStdString();
    EXPECT_TRUE(overlayIconPath(QStringLiteral("missing")).isEmpty());

    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawOverlayIcon(painter, QStringLiteral("missing"), QRectF(0, 0, 20, 20), Qt::red);
    drawOverlayIcon(painter, overlay_icons::batch, QRectF(0, 0, 20, 20), Qt::red);
    painter.end();
    int red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            red += qRed(image.pixel(x, y)) > 128 && qAlpha(image.pixel(x, y)) > 128;
    EXPECT_GT(red, 10) << "the icon is drawn in the requested colour";
}

// A view on a screen whose origin is not (0, 0), recording its callbacks.
struct ViewFixture {
    std::vector<std::pair<QRectF, ScreenshotCaptureMode>> completions;
    int finishes = 0;
    int cancels = 0;
    std::unique_ptr<ScreenshotSelectionView> view;

    explicit ViewFixture(int batchCount = 0, ScreenshotCaptureMode mode = ScreenshotCaptureMode::single,
                         std::optional<QRectF> preselected = std::nullopt, QSize size = {1280, 800}) {
        ScreenshotSelectionView::Setup setup;
        setup.screenFrame = QRectF(QPointF(1920, 100), QSizeF(size));
        setup.batchCount = batchCount;
        setup.selectedMode = mode;
        if (preselected) {
            setup.startPoint = preselected->topLeft();
            setup.currentPoint = preselected->bottomRight();
        }
        setup.callbacks.onComplete = [this](QRectF r, ScreenshotCaptureMode m) {
            completions.emplace_back(r, m);
        };
        setup.callbacks.onFinishBatch = [this] { ++finishes; };
        setup.callbacks.onCancel = [this] { ++cancels; };
        view = std::make_unique<ScreenshotSelectionView>(std::move(setup));
    }

    bool key(int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        event.setAccepted(false);
        QCoreApplication::sendEvent(view.get(), &event);
        return event.isAccepted();
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }
    QPoint centreOf(const QRectF& r) const { return r.center().toPoint(); }
};

TEST(ScreenshotSelectionView, DraggingReportsTheGlobalRectangleOnlyWhenConfirmed) {
    ViewFixture f;
    f.drag({500, 400}, {200, 150});
    EXPECT_TRUE(f.completions.empty()) << "releasing the mouse never completes";
    EXPECT_EQ(f.view->globalSelection(), QRectF(2120, 250, 300, 250));
    EXPECT_TRUE(f.key(Qt::Key_Return));
    ASSERT_EQ(f.completions.size(), 1u);
    EXPECT_EQ(f.completions[0].first, QRectF(2120, 250, 300, 250));
    EXPECT_TRUE(f.key(Qt::Key_Enter));
    EXPECT_EQ(f.completions.size(), 2u);

    // The primary button confirms with the selected mode; a drag outside the panel starts over.
    const auto panel = f.view->modePanelRect();
    ASSERT_TRUE(panel);
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {},
                      f.centreOf(layout::modeButtonFrames(*panel)[1].frame));
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {}, f.centreOf(layout::primaryButtonFrame(*panel)));
    ASSERT_EQ(f.completions.size(), 3u);
    EXPECT_EQ(f.completions[2].second, ScreenshotCaptureMode::continuous);
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(f.view->globalSelection(), QRectF(1930, 110, 0, 0));
    EXPECT_FALSE(f.view->modePanelRect());
}

TEST(ScreenshotSelectionView, AClickWithoutADragStillAsksForCompletion) {
    ViewFixture f;
    EXPECT_TRUE(f.key(Qt::Key_Return)) << "consumed even with no selection";
    EXPECT_TRUE(f.completions.empty());
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {}, {40, 60});
    f.key(Qt::Key_Return);
    ASSERT_EQ(f.completions.size(), 1u);
    EXPECT_EQ(f.completions[0].first, QRectF(1960, 160, 0, 0));
}

TEST(ScreenshotSelectionView, ModeKeysStopAtBothEndsAndOtherKeysPassOn) {
    ViewFixture f;
    EXPECT_TRUE(f.key(Qt::Key_Left));
    EXPECT_EQ(f.view->selectedMode(), ScreenshotCaptureMode::single);
    f.key(Qt::Key_Right);
    f.key(Qt::Key_Right);
    EXPECT_TRUE(f.key(Qt::Key_Right));
    EXPECT_EQ(f.view->selectedMode(), ScreenshotCaptureMode::batch);
    f.key(Qt::Key_2);
    EXPECT_EQ(f.view->selectedMode(), ScreenshotCaptureMode::continuous);
    EXPECT_TRUE(f.view->accessibleDescription().startsWith(QStringLiteral("连续 OCR。")));
    EXPECT_FALSE(f.key(Qt::Key_A)) << "unknown keys are left to the inherited handling";
    EXPECT_FALSE(f.key(Qt::Key_4));
    EXPECT_TRUE(f.key(Qt::Key_Escape));
    EXPECT_EQ(f.cancels, 1);
}

TEST(ScreenshotSelectionView, ARunningBatchLocksTheModeAndOffersToFinish) {
    ViewFixture f(2, ScreenshotCaptureMode::batch, QRectF(2020, 200, 400, 200));
    for (int key : {Qt::Key_1, Qt::Key_2, Qt::Key_Left}) {
        EXPECT_TRUE(f.key(key));
        EXPECT_EQ(f.view->selectedMode(), ScreenshotCaptureMode::batch);
    }
    const auto panel = f.view->modePanelRect();
    ASSERT_TRUE(panel);
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {},
                      f.centreOf(layout::modeButtonFrames(*panel)[0].frame));
    EXPECT_EQ(f.view->selectedMode(), ScreenshotCaptureMode::batch);
    EXPECT_EQ(f.view->secondaryButtonText(), QStringLiteral("完成 · 2"));
    EXPECT_EQ(f.view->hintText(), QStringLiteral("已加入 2 个区域 · 继续框选或点击完成"));
    QTest::mouseClick(f.view.get(), Qt::LeftButton, {}, f.centreOf(layout::secondaryButtonFrame(*panel)));
    EXPECT_EQ(f.finishes, 1);
    EXPECT_EQ(f.cancels, 0);
    EXPECT_EQ(f.view->globalSelection(), QRectF(2020, 200, 400, 200)) << "a panel click keeps the selection";

    ViewFixture single(0, ScreenshotCaptureMode::single, QRectF(2020, 200, 400, 200));
    QTest::mouseClick(single.view.get(), Qt::LeftButton, {},
                      single.centreOf(layout::secondaryButtonFrame(*single.view->modePanelRect())));
    EXPECT_EQ(single.cancels, 1);
    EXPECT_EQ(single.finishes, 0);
}

// Render probes on the real paint code, on a uniform mid-grey backdrop.
TEST(ScreenshotSelectionView, DimsOutsideTheSelectionOnly) {
    const QRectF region(2020, 200, 400, 300); // view (100, 100, 400, 300)
    for (bool withSelection : {false, true}) {
        ScreenshotSelectionView::Setup setup;
        setup.screenFrame = QRectF(1920, 100, 1000, 700);
        QPixmap grey(1000, 700);
        grey.fill(QColor(200, 200, 200));
        setup.background = grey;
        if (withSelection) {
            setup.startPoint = region.topLeft();
            setup.currentPoint = region.bottomRight();
        }
        ScreenshotSelectionView view(std::move(setup));
        const QImage image = view.grab().toImage();
        if (!withSelection) {
            EXPECT_NEAR(qRed(image.pixel(500, 100)), 200 * 0.42, 3) << "no selection dims the centre at 0.58";
            continue;
        }
        EXPECT_EQ(qRed(image.pixel(300, 250)), 200) << "inside undimmed";
        EXPECT_NEAR(qRed(image.pixel(50, 50)), 80, 3) << "outside dimmed at 0.6";
        const QColor outline = image.pixelColor(300, 100);
        const QColor accent = overlay_palette::accent();
        EXPECT_NEAR(outline.red(), accent.red(), 12);
        EXPECT_NEAR(outline.blue(), accent.blue(), 12);
        // The panel sits 36 below the selection: its background is near-black, not the dimmed grey.
        EXPECT_LT(qRed(image.pixel(300, 400 + 36 + 5)), 40);
    }
}

} // namespace
} // namespace tolvane

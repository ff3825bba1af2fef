// The workspace's sample content as the application's snapshot switch writes it, measured against the
// design's sizes and colours at 1441 x 901.
#include "support/image_probes.h"
#include "ui/theme.h"

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

QImage snapshot() {
    QTemporaryDir home;
    QProcess tolvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString png = QCoreApplication::applicationDirPath() + QStringLiteral("/workspace_snapshot.png");
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QLatin1String(name), home.path());
    environment.insert(QStringLiteral("TOLVANE_SNAPSHOT_OUTPUT"), png);
    tolvane.setProcessEnvironment(environment);
    tolvane.start(QStringLiteral(TOLVANE_BINARY), {QStringLiteral("--ui-snapshot-workspace")});
    if (!tolvane.waitForFinished(60000) || tolvane.exitCode() != 0)
        return {};
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

TEST(WorkspaceLook, SampleContentMatchesTheDesign) {
    const QImage image = snapshot();
    ASSERT_EQ(image.size(), QSize(1441, 901));
    // Grounds, and 0.5-pixel hairlines: a row or column moved towards the hairline colour.
    struct Ground {
        QPoint at;
        QColor colour;
        std::optional<QPoint> hairline;
    };
    for (const Ground& g : std::vector<Ground>{{{600, 30}, Theme::color110E0B(), QPoint(600, 58)},
                                               {{36, 400}, Theme::color0E0C0A(), QPoint(71, 400)},
                                               {{200, 400}, Theme::color120F0D(), QPoint(319, 400)},
                                               {{700, 85}, Theme::color161310(), QPoint(700, 110)},
                                               {{330, 500}, Theme::color161310(), std::nullopt},
                                               {{788, 500}, Theme::color161310(), QPoint(789, 500)},
                                               {{791, 500}, Theme::color17120D(), QPoint(1000, 831)}}) {
        EXPECT_TRUE(near(image, g.at, g.colour));
        if (g.hairline)
            EXPECT_LT(distance(image.pixelColor(*g.hairline), Theme::color211E1A()),
                      distance(g.colour, Theme::color211E1A()))
                << g.hairline->x() << "," << g.hairline->y();
    }

    // Boxes of a fill colour: (region searched, colour, tolerance) against the design's left, top, right,
    // bottom edges (half pixels allowed either way).
    const auto boxOf = [&](const QRect& region, const QColor& colour, int tolerance) {
        return pixelBounds(
            image, [&](const QColor& c) { return distance(c, colour) <= tolerance; }, region);
    };
    struct Box {
        const char* name;
        QRect region;
        QColor colour;
        int tolerance;
        QRectF design;
    };
    for (const Box& b : std::vector<Box>{
             {"tile", {80, 0, 60, 59}, Theme::colorBDA46B(), 12, {94.5, 15.5, 28, 28}},
             {"translate", {1300, 0, 141, 59}, Theme::colorBDA46B(), 3, {1321.5, 13.5, 103, 32}},
             {"capture", {1150, 0, 170, 59}, Theme::color1D1916(), 2, {1218, 13.5, 90, 32}},
             {"source", {330, 60, 132, 50}, Theme::color1D1916(), 2, {342.5, 69.5, 116, 30}},
             {"target", {500, 60, 140, 50}, Theme::color1D1916(), 2, {506.5, 69.5, 128, 30}},
             {"style", {1230, 60, 200, 50}, Theme::color1D1916(), 2, {1242.5, 69.5, 176, 30}},
             {"actions", {800, 835, 300, 50}, Theme::color1D1916(), 2, {825, 843, 0, 34}},
         }) {
        const QRect box = boxOf(b.region, b.colour, b.tolerance);
        EXPECT_NEAR(box.left(), b.design.left(), 1) << b.name;
        EXPECT_NEAR(box.top(), b.design.top(), 1.5) << b.name;
        EXPECT_NEAR(box.bottom() + 1, b.design.bottom(), 1.5) << b.name;
        if (b.design.width() > 0)
            EXPECT_NEAR(box.right() + 1, b.design.right(), 1) << b.name;
    }
    const QRect pill = inkBox(image, QRect(1000, 5, 215, 50), Theme::color110E0B(), 8);
    EXPECT_NEAR(pill.left(), 1053.5, 1);
    EXPECT_NEAR(pill.width(), 150, 1.5);
    EXPECT_NEAR(pill.height(), 26, 1.5);
    EXPECT_NEAR(inkBox(image, QRect(1250, 835, 191, 50), Theme::color17120D(), 12).right() + 1, 1406, 1)
        << "translate again ends 35 from the edge";
    EXPECT_NEAR(inkBox(image, QRect(340, 840, 440, 60), Theme::color161310(), 20).bottom() + 1, 871, 2)
        << "hint line";

    // Texts: where they start, and glyph cores in their token colours.
    const QRect count = inkBox(image, QRect(330, 125, 300, 40), Theme::color161310(), 20);
    const QRect caption = inkBox(image, QRect(800, 125, 300, 40), Theme::color17120D(), 20);
    EXPECT_NEAR(count.left(), 351, 2);
    EXPECT_NEAR(count.top(), 141, 3);
    EXPECT_NEAR(caption.left(), 825, 2);
    EXPECT_NEAR(caption.top(), 141, 3);
    for (const auto& [region, colour] :
         std::vector<std::pair<QRect, QColor>>{{count, Theme::color797168()},
                                               {caption, Theme::colorBDA46B()},
                                               {pill.adjusted(10, 4, -4, -4), Theme::colorBDA46B()},
                                               {QRect(1250, 75, 150, 20), Theme::color89947A()},
                                               {QRect(1350, 20, 60, 20), Theme::color0B0A09()},
                                               {QRect(351, 170, 400, 120), Theme::colorE9E1D4()},
                                               {QRect(825, 170, 580, 120), Theme::colorE9E1D4()}})
        EXPECT_LE(closestDistance(image, region, colour), 3) << colour.name().toStdString();
}

TEST(WorkspaceLook, RailAndSidebarMatchTheDesign) {
    const QImage image = snapshot();
    ASSERT_EQ(image.size(), QSize(1441, 901));
    const auto bounds = [&](const QRect& region, const QColor& colour, int tolerance) {
        return pixelBounds(
            image, [&](const QColor& c) { return distance(c, colour) <= tolerance; }, region);
    };
    // Rail: the translate button's ring, then icons every 50 pixels; the last two at the bottom.
    const QRect ring = inkBox(image, QRect(0, 60, 71, 62), Theme::color0E0C0A(), 6);
    EXPECT_NEAR(ring.left(), 16.5, 1);
    EXPECT_NEAR(ring.top(), 76.5, 1);
    EXPECT_NEAR(ring.right() + 1, 56.5, 1);
    EXPECT_NEAR(ring.bottom() + 1, 116.5, 1);
    for (const qreal centre : {146.5, 196.5, 246.5, 296.5, 812.5, 862.5}) {
        const QRect icon = inkBox(image, QRect(10, int(centre) - 24, 52, 48), Theme::color0E0C0A(), 24);
        EXPECT_NEAR(icon.center().y() + 0.5, centre, 2) << centre;
        EXPECT_NEAR(icon.center().x() + 0.5, 36.5, 2) << centre;
        EXPECT_LE(closestDistance(image, icon, Theme::color797168()), 12) << centre;
    }
    // Sidebar: the selected first row, 52 high from y 117, the next row 64 below; the usage bar at 43 %.
    const QRect row = bounds(QRect(74, 100, 244, 90), Theme::color1D1916(), 2);
    EXPECT_NEAR(row.left(), 86, 1);
    EXPECT_NEAR(row.top(), 117, 1);
    EXPECT_NEAR(row.right() + 1, 306, 1);
    EXPECT_NEAR(row.bottom() + 1, 169, 1);
    EXPECT_LE(closestDistance(image, QRect(86, 117, 220, 52), Theme::color2B2824()), 3);
    const QRect track = bounds(QRect(74, 855, 244, 15), Theme::color201B17(), 2);
    const QRect used = bounds(QRect(74, 855, 244, 15), Theme::colorBDA46B(), 10);
    EXPECT_NEAR(track.right() + 1, 296, 1);
    EXPECT_NEAR(used.left(), 96, 1);
    EXPECT_NEAR(used.right() + 1, 182, 2);
    EXPECT_NEAR(used.bottom() + 1, 865, 1.5) << "the card ends at 879 with 14 below the bar";
    EXPECT_EQ(used.height(), 3);
    for (const auto& [region, colour] :
         std::vector<std::pair<QRect, QColor>>{{QRect(97, 120, 150, 20), Theme::colorE9E1D4()},
                                               {QRect(97, 142, 150, 22), Theme::colorBDA46B()},
                                               {QRect(97, 184, 150, 20), Theme::colorB6AEA2()},
                                               {QRect(97, 206, 150, 22), Theme::color797168()},
                                               {QRect(230, 830, 76, 20), Theme::colorBDA46B()}})
        EXPECT_LE(closestDistance(image, region, colour), 3) << colour.name().toStdString();
    EXPECT_TRUE(near(image, QPoint(290, 195), Theme::color120F0D())) << "only the first row is filled";
}

} // namespace
} // namespace tolvane::testing

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

// Whether `colour` lies closer to the hairline colour than `ground` does: a 0.5-pixel line drawn over
// `ground` at a device pixel ratio of 1.
bool movesTowardsHairline(const QColor& colour, const QColor& ground) {
    return distance(colour, Theme::color211E1A()) < distance(ground, Theme::color211E1A());
}

class WorkspaceLook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        QProcess tolvane;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString png =
            QCoreApplication::applicationDirPath() + QStringLiteral("/workspace_snapshot.png");
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            environment.insert(QLatin1String(name), home.path());
        environment.insert(QStringLiteral("TOLVANE_SNAPSHOT_OUTPUT"), png);
        tolvane.setProcessEnvironment(environment);
        tolvane.start(QStringLiteral(TOLVANE_BINARY), {QStringLiteral("--ui-snapshot-workspace")});
        ASSERT_TRUE(tolvane.waitForFinished(60000));
        ASSERT_EQ(tolvane.exitCode(), 0) << tolvane.readAllStandardError().toStdString();
        image = QImage(png).convertToFormat(QImage::Format_RGB32);
    }
    static void TearDownTestSuite() { image = QImage(); }

    // The box of the pixels within `tolerance` of `colour` in `region`.
    static QRect boxOf(const QColor& colour, const QRect& region, int tolerance = 3) {
        return pixelBounds(
            image, [&](const QColor& c) { return distance(c, colour) <= tolerance; }, region);
    }

    static inline QImage image;
};

TEST_F(WorkspaceLook, GroundsAndHairlines) {
    ASSERT_EQ(image.size(), QSize(1441, 901));
    EXPECT_TRUE(near(image, {600, 30}, Theme::color110E0B()));
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(600, 58), Theme::color110E0B()));
    EXPECT_TRUE(near(image, {36, 400}, Theme::color0E0C0A())) << "rail";
    EXPECT_TRUE(near(image, {200, 400}, Theme::color120F0D())) << "sidebar";
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(71, 400), Theme::color0E0C0A()));
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(319, 400), Theme::color120F0D()));
    EXPECT_TRUE(near(image, {700, 85}, Theme::color161310())) << "controls";
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(700, 110), Theme::color161310()));
    EXPECT_TRUE(near(image, {330, 500}, Theme::color161310())) << "source pane from x 320";
    EXPECT_TRUE(near(image, {788, 500}, Theme::color161310()));
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(789, 500), Theme::color161310()));
    EXPECT_TRUE(near(image, {791, 500}, Theme::color17120D())) << "result pane from x 790";
    EXPECT_TRUE(movesTowardsHairline(image.pixelColor(1000, 831), Theme::color17120D()));
}

TEST_F(WorkspaceLook, TitleBarPlacesBrandRouteAndButtons) {
    const QRect tile = boxOf(Theme::colorBDA46B(), QRect(80, 0, 60, 59), 12);
    EXPECT_NEAR(tile.left(), 94.5, 1);
    EXPECT_NEAR(tile.width(), 28, 1);
    const QRect translate = boxOf(Theme::colorBDA46B(), QRect(1300, 0, 141, 59), 3);
    EXPECT_NEAR(translate.left(), 1321.5, 1);
    EXPECT_NEAR(translate.right() + 1, 1424.5, 1);
    EXPECT_NEAR(translate.top(), 13.5, 1);
    EXPECT_NEAR(translate.height(), 32, 1);
    const QRect capture = boxOf(Theme::color1D1916(), QRect(1150, 0, 170, 59), 2);
    EXPECT_NEAR(capture.left(), 1218, 1);
    EXPECT_NEAR(capture.right() + 1, 1308, 1);
    const QRect pill = inkBox(image, QRect(1000, 5, 215, 50), Theme::color110E0B(), 8);
    EXPECT_NEAR(pill.left(), 1053.5, 1);
    EXPECT_NEAR(pill.width(), 150, 1.5);
    EXPECT_NEAR(pill.height(), 26, 1.5);
    const QColor pillFill = image.pixelColor(pill.left() + 4, pill.center().y());
    EXPECT_LE(distance(pillFill, Theme::colorBDA46B()),
              distance(Theme::color110E0B(), Theme::colorBDA46B()) - 5);
    EXPECT_LE(closestDistance(image, pill.adjusted(10, 4, -4, -4), Theme::colorBDA46B()), 3) << "route text";
    EXPECT_LE(closestDistance(image, translate.adjusted(30, 8, -10, -8), Theme::color0B0A09()), 3);
}

TEST_F(WorkspaceLook, ControlsPanesAndActionsSitWhereTheDesignPutsThem) {
    struct Selector {
        const char* name;
        int left, right;
    };
    for (const Selector& s :
         {Selector{"source", 330, 462}, Selector{"target", 500, 640}, Selector{"style", 1230, 1430}}) {
        const QRect box = boxOf(Theme::color1D1916(), QRect(s.left, 60, s.right - s.left, 50), 2);
        EXPECT_NEAR(box.top(), 69.5, 1) << s.name;
        EXPECT_NEAR(box.height(), 30, 1.5) << s.name;
    }
    EXPECT_NEAR(boxOf(Theme::color1D1916(), QRect(330, 60, 132, 50), 2).left(), 342.5, 1);
    EXPECT_NEAR(boxOf(Theme::color1D1916(), QRect(500, 60, 140, 50), 2).right() + 1, 634.5, 1);
    EXPECT_NEAR(boxOf(Theme::color1D1916(), QRect(1230, 60, 200, 50), 2).left(), 1242.5, 1);
    EXPECT_LE(closestDistance(image, QRect(1250, 75, 150, 20), Theme::color89947A()), 3) << "style title";

    const QRect count = inkBox(image, QRect(330, 125, 300, 40), Theme::color161310(), 20);
    EXPECT_NEAR(count.left(), 351, 2);
    EXPECT_NEAR(count.top(), 141, 3);
    EXPECT_LE(closestDistance(image, count, Theme::color797168()), 3);
    const QRect caption = inkBox(image, QRect(800, 125, 300, 40), Theme::color17120D(), 20);
    EXPECT_NEAR(caption.left(), 825, 2);
    EXPECT_NEAR(caption.top(), 141, 3);
    EXPECT_LE(closestDistance(image, caption, Theme::colorBDA46B()), 3);
    EXPECT_LE(closestDistance(image, QRect(351, 170, 400, 120), Theme::colorE9E1D4()), 3) << "editor";
    EXPECT_LE(closestDistance(image, QRect(825, 170, 580, 120), Theme::colorE9E1D4()), 3) << "result";
    const QRect hint = inkBox(image, QRect(340, 840, 440, 60), Theme::color161310(), 20);
    EXPECT_NEAR(hint.bottom() + 1, 871, 2) << "hint line ends 30 above the bottom";

    const QRect actions = boxOf(Theme::color1D1916(), QRect(800, 835, 600, 50), 2);
    EXPECT_NEAR(actions.top(), 843, 1);
    EXPECT_NEAR(actions.bottom() + 1, 877, 1);
    const QRect retry = inkBox(image, QRect(1250, 835, 191, 50), Theme::color17120D(), 12);
    EXPECT_NEAR(retry.right() + 1, 1406, 1) << "translate again ends 35 from the edge";
}

} // namespace
} // namespace tolvane::testing

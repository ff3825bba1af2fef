#include "ui/brand_lockup.h"
#include "ui/brand_wordmark.h"
#include "ui/theme.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(BrandLockupTest, ProportionsFollowTheMarkSize) {
    struct Row {
        qreal mark, row, column;
    } rows[] = {{20, 8, 1}, {28, 8, 1}, {34, 9.52, 1.19}, {100, 28, 3.5}};
    for (const Row& r : rows) {
        const BrandLockupGeometry g = lockupGeometry(r.mark, 76, 10.0);
        EXPECT_NEAR(g.rowSpacing, r.row, 1e-9) << r.mark;
        EXPECT_NEAR(g.columnSpacing, r.column, 1e-9) << r.mark;
        EXPECT_NEAR(g.wordmark.left() - g.tile.right(), r.row, 1e-9) << r.mark;
        EXPECT_NEAR(g.tagline.top() - g.wordmark.bottom(), r.column, 1e-9) << r.mark;
    }
    const BrandLockupGeometry g = lockupGeometry(50, 76, std::nullopt);
    EXPECT_DOUBLE_EQ(g.tileRadius, 10);
    EXPECT_DOUBLE_EQ(g.markInset, 8.5);
    EXPECT_EQ(g.mark, QRectF(8.5, g.tile.top() + 8.5, 33, 33));
    EXPECT_TRUE(g.tagline.isNull());
    EXPECT_DOUBLE_EQ(lockupGeometry(20, 216, std::nullopt).wordmark.height(), 51);
    EXPECT_EQ(OndrelWordmark(216).size(), QSize(216, 51));
}

TEST(BrandLockupTest, TaglineIsUpperCasedWhileTheNameKeepsTheCallersText) {
    OndrelBrandLockup lockup(28, 76, 7.6, QStringLiteral("beta"), Qt::white);
    lockup.resize(lockup.sizeHint());
    EXPECT_EQ(lockup.accessibleName(), QStringLiteral("Ondrel, beta"));
    EXPECT_EQ(lockup.fittedTagline().text, QStringLiteral("BETA"));

    // An empty tagline keeps its row but not a name.
    OndrelBrandLockup empty(28, 76, 7.6, QString(), Qt::white);
    EXPECT_EQ(empty.accessibleName(), QStringLiteral("Ondrel"));
    EXPECT_FALSE(empty.geometry().tagline.isNull());
    OndrelBrandLockup none(28, 76, 7.6, std::nullopt, Qt::white);
    EXPECT_EQ(none.accessibleName(), QStringLiteral("Ondrel"));
    EXPECT_LT(none.geometry().size.height(), 28.0 + 1e-9);
}

TEST(BrandLockupTest, LongTaglineShrinksThenElidesOnOneLine) {
    const QFont font = taglineFont(7.6);
    const QString text = QStringLiteral("A VERY LONG TAGLINE THAT CANNOT POSSIBLY FIT");
    const FittedTagline fitted = fitTagline(text, font, 60);
    EXPECT_GE(fitted.scale, 0.74);
    EXPECT_NE(fitted.text, text);
    EXPECT_TRUE(fitted.text.endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(fitted.font).horizontalAdvance(fitted.text), 60.0);

    // A slightly long tagline only shrinks, and is shown whole.
    const qreal natural = QFontMetricsF(font).horizontalAdvance(QStringLiteral("BETA"));
    const FittedTagline shrunk = fitTagline(QStringLiteral("BETA"), font, natural * 0.9);
    EXPECT_EQ(shrunk.text, QStringLiteral("BETA"));
    EXPECT_LT(shrunk.scale, 1.0);
}

} // namespace
} // namespace tolvane

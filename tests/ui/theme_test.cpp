#include "ui/theme.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>
#include <QScreen>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(ThemeColors, EveryTokenIsTheExactOpaqueTableColour) {
    const std::pair<const char*, const QColor& (*)()> tokens[] = {
        {"#0B0A09", &Theme::color0B0A09}, {"#0E0C0A", &Theme::color0E0C0A},
        {"#110E0B", &Theme::color110E0B}, {"#120F0D", &Theme::color120F0D},
        {"#161310", &Theme::color161310}, {"#161310", &Theme::color161310Alias},
        {"#17120D", &Theme::color17120D}, {"#1D1916", &Theme::color1D1916},
        {"#201B17", &Theme::color201B17}, {"#211E1A", &Theme::color211E1A},
        {"#2B2824", &Theme::color2B2824}, {"#797168", &Theme::color797168},
        {"#B6AEA2", &Theme::colorB6AEA2}, {"#E9E1D4", &Theme::colorE9E1D4},
        {"#BDA46B", &Theme::colorBDA46B}, {"#89947A", &Theme::color89947A},
        {"#B86745", &Theme::colorB86745},
    };
    for (const auto& [hex, token] : tokens) {
        // Exact n/255 fractions land on n * 257 in Qt's 16-bit channels; a colour derived by arithmetic or
        // rounded through another path would differ there although its 8-bit name matched.
        EXPECT_EQ(token().rgba64(), QColor(QLatin1String(hex)).rgba64()) << hex;
        EXPECT_EQ(token().spec(), QColor::Rgb) << hex;
    }
}

class ThemeFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() { families = Theme::registerFonts(); }
    static inline QStringList families;
};

TEST_F(ThemeFonts, BundledFilesRegisterTheirFamilies) {
    // Inter and Manrope are also installed system-wide and taken from there; IBM Plex Mono only comes from our
    // own file.
    EXPECT_TRUE(families.contains(QStringLiteral("Inter"))) << families.join(", ").toStdString();
    EXPECT_TRUE(families.contains(QStringLiteral("IBM Plex Mono"))) << families.join(", ").toStdString();
    EXPECT_TRUE(families.contains(QStringLiteral("Manrope"))) << families.join(", ").toStdString();
    // A second call registers nothing twice.
    EXPECT_EQ(Theme::registerFonts(), families);
}

TEST_F(ThemeFonts, TokensResolveToTheShippedFacesAtPixelSizes) {
    struct Expectation {
        const char* name;
        QFont font;
        const char* family;
        int weight;
        int pixelSize;
    };
    const Expectation expectations[] = {
        {"interMedium12", Theme::interMedium12(), "Inter", 500, 12},
        {"interBold12", Theme::interBold12(), "Inter", 700, 12},
        {"interRegular22", Theme::interRegular22(), "Inter", 400, 22},
        {"manropeMedium30", Theme::manropeMedium30(), "Manrope", 500, 30},
        {"plexMonoSemiBold9", Theme::plexMonoSemiBold9(), "IBM Plex Mono", 600, 9},
        {"headline", Theme::headline(), "Inter", 600, 13},
        {"largeTitle", Theme::largeTitle(), "Inter", 400, 26},
    };
    for (const Expectation& e : expectations) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.font.families().last(), Theme::cjkFallbackFamily);
        const QFontInfo info(e.font);
        EXPECT_EQ(info.family(), QLatin1String(e.family));
        EXPECT_EQ(info.weight(), e.weight);
        EXPECT_EQ(info.pixelSize(), e.pixelSize);
    }
    EXPECT_TRUE(QFontInfo(Theme::plexMonoSemiBold9()).fixedPitch());
}

TEST_F(ThemeFonts, DesignFaceNamesMapToFamilyAndWeight) {
    EXPECT_EQ(QFontInfo(Theme::fontForFace(QStringLiteral("Inter-Regular"), 14)).weight(), 400);
    EXPECT_EQ(QFontInfo(Theme::fontForFace(QStringLiteral("Inter-Regular_Medium"), 14)).weight(), 500);
    EXPECT_EQ(QFontInfo(Theme::fontForFace(QStringLiteral("Inter-Regular_Bold"), 14)).weight(), 700);
    EXPECT_EQ(QFontInfo(Theme::fontForFace(QStringLiteral("IBMPlexMono-SemiBold"), 14)).family(),
              QStringLiteral("IBM Plex Mono"));
    // An unknown face is no error: it is asked for as a family and the font database substitutes.
    const QFont unknown = Theme::fontForFace(QStringLiteral("NoSuchFace-Bold"), 14);
    EXPECT_EQ(unknown.families().first(), QStringLiteral("NoSuchFace-Bold"));
    EXPECT_EQ(QFontInfo(unknown).pixelSize(), 14);
    // Fractional design sizes are not rounded to whole pixels.
    const QFont fractional = Theme::makeFont(QStringLiteral("Inter"), 400, 12.5);
    EXPECT_NEAR(fractional.pointSizeF() * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72.0,
                12.5, 0.001);
}

TEST_F(ThemeFonts, HanCharactersComeFromTheCjkFallback) {
    for (const QFont& font : {Theme::interMedium12(), Theme::plexMonoSemiBold9(), Theme::manropeMedium30()}) {
        QTextLayout layout(QStringLiteral("原文 · 12 翻译"), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QStringList hanFamilies;
        QStringList latinFamilies;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QString family = run.rawFont().familyName();
            // The runs are split by font; a run of the CJK fallback holds the Han characters.
            (family.startsWith(QStringLiteral("Noto Sans CJK")) ? hanFamilies : latinFamilies) << family;
        }
        EXPECT_FALSE(hanFamilies.isEmpty()) << font.families().join(", ").toStdString();
        EXPECT_TRUE(hanFamilies.contains(Theme::cjkFallbackFamily)) << hanFamilies.join(", ").toStdString();
        EXPECT_FALSE(latinFamilies.isEmpty());
    }
}

} // namespace
} // namespace tolvane

#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

class QWidget;

namespace tolvane {

// The shared design tokens: five font tokens, seventeen opaque colour tokens and the semantic colours of the
// dark windows. Every token is created once on first use and kept for the life of the process.
class Theme {
public:
    // The last family of every font's family list; it draws Han characters whatever LANG says.
    static inline const QString cjkFallbackFamily = QStringLiteral("Noto Sans CJK SC");

    // Loads the bundled font files from the application resources for the families the system does not
    // already provide, skipping any that are missing or unreadable. Safe to call more than once. Returns the
    // families now available from them: the installed ones and those each loaded file registered.
    static QStringList registerFonts();

    // A font of the given family and CSS weight at `pixelSize` (1 design point = 1 pixel), with the CJK
    // fallback behind it. Fractional sizes are kept exactly.
    static QFont makeFont(const QString& family, int weight, qreal pixelSize);
    // A font for a face name of the design ("Inter-Regular_Medium", "IBMPlexMono-SemiBold", ...). An unknown
    // face is used as a family name as it stands; no error is raised.
    static QFont fontForFace(const QString& face, qreal pixelSize);

    static const QFont& interMedium12();
    static const QFont& interBold12();
    static const QFont& interRegular22();
    static const QFont& manropeMedium30();
    static const QFont& plexMonoSemiBold9();

    // System text styles, drawn in Inter.
    static QFont body();
    static QFont callout();
    static QFont subheadline();
    static QFont footnote();
    static QFont caption();
    static QFont caption2();
    static QFont headline();
    static QFont title();
    static QFont title2();
    static QFont title3();
    static QFont largeTitle();

    // An opaque sRGB colour from components in 0...1.
    static QColor makeColor(double red, double green, double blue);

    static const QColor& color0B0A09();
    static const QColor& color0E0C0A();
    static const QColor& color110E0B();
    static const QColor& color120F0D();
    static const QColor& color161310();
    static const QColor& color161310Alias();
    static const QColor& color17120D();
    static const QColor& color1D1916();
    static const QColor& color201B17();
    static const QColor& color211E1A();
    static const QColor& color2B2824();
    static const QColor& color797168();
    static const QColor& colorB6AEA2();
    static const QColor& colorE9E1D4();
    static const QColor& colorBDA46B();
    static const QColor& color89947A();
    static const QColor& colorB86745();

    // Semantic colours of the dark appearance.
    static QColor labelColor();
    static QColor secondaryLabelColor();
    static QColor placeholderTextColor();
    static QColor separatorColor();
    static QColor accentColor();
    static QColor systemGreen();
    static QColor systemOrange();
    static QColor systemRed();

    // Gives one top-level window the dark palette and style sheet; never applied application-wide, so
    // windows that keep the desktop look are unaffected.
    static void applyDarkAppearance(QWidget* window);
};

} // namespace tolvane

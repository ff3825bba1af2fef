#include "ui/theme.h"

#include "core/logging.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <mutex>

namespace tolvane {

namespace {

constexpr int weightRegular = 400;
constexpr int weightMedium = 500;
constexpr int weightSemiBold = 600;
constexpr int weightBold = 700;

const QString interFamily = QStringLiteral("Inter");
const QString plexMonoFamily = QStringLiteral("IBM Plex Mono");
const QString manropeFamily = QStringLiteral("Manrope");

QColor byteColor(int red, int green, int blue) {
    return Theme::makeColor(red / 255.0, green / 255.0, blue / 255.0);
}

QColor whiteWithAlpha(double alpha) {
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, float(alpha));
}

// Whether the installed fonts hold an upright face of the family at each of the weights.
bool systemHasWeights(const QString& family, std::initializer_list<int> weights) {
    if (!QFontDatabase::hasFamily(family))
        return false;
    const QStringList styles = QFontDatabase::styles(family);
    return std::all_of(weights.begin(), weights.end(), [&](int weight) {
        return std::any_of(styles.begin(), styles.end(), [&](const QString& style) {
            return QFontDatabase::weight(family, style) == weight && !QFontDatabase::italic(family, style);
        });
    });
}

} // namespace

QStringList Theme::registerFonts() {
    // A bundled file is not registered when the system already provides its family in every weight the
    // interface draws it at: fontconfig's faces win over application fonts of the same family, so the file
    // would only be copied into memory and parsed, never drawn.
    struct BundledFont {
        const char* file;
        const char* family;
        std::initializer_list<int> weights;
    };
    static const BundledFont fonts[] = {
        {":/fonts/Inter-Variable.ttf", "Inter", {weightRegular, weightMedium, weightSemiBold, weightBold}},
        {":/fonts/IBMPlexMono-SemiBold.woff", "IBM Plex Mono", {weightSemiBold}},
        {":/fonts/Manrope-Medium.ttf", "Manrope", {weightMedium}}};
    static std::mutex mutex;
    static QStringList registered;
    static bool done = false;
    std::lock_guard lock(mutex);
    if (done)
        return registered;
    done = true;
    for (const BundledFont& font : fonts) {
        const QString family = QString::fromLatin1(font.family);
        if (systemHasWeights(family, font.weights)) {
            registered += family;
            continue;
        }
        const QString path = QString::fromLatin1(font.file);
        if (!QFile::exists(path)) {
            qCWarning(lcApp).noquote() << "Font resource missing:" << path;
            continue;
        }
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0) {
            qCWarning(lcApp).noquote() << "Font resource could not be loaded:" << path;
            continue;
        }
        registered += QFontDatabase::applicationFontFamilies(id);
    }
    return registered;
}

QFont Theme::makeFont(const QString& family, int weight, qreal pixelSize) {
    QFont font;
    font.setFamilies({family, cjkFallbackFamily});
    font.setWeight(QFont::Weight(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    const qreal rounded = std::round(pixelSize);
    if (std::abs(rounded - pixelSize) < 1e-9) {
        font.setPixelSize(int(rounded));
    } else {
        // Pixel sizes are whole numbers in Qt; a fractional design size goes through points.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPointSizeF(pixelSize * 72.0 / dpi);
    }
    return font;
}

QFont Theme::fontForFace(const QString& face, qreal pixelSize) {
    struct FaceRow {
        const char* face;
        const QString* family;
        int weight;
    };
    static const FaceRow rows[] = {
        {"Inter-Regular", &interFamily, weightRegular},
        {"Inter-Regular_Medium", &interFamily, weightMedium},
        {"Inter-Regular_SemiBold", &interFamily, weightSemiBold},
        {"Inter-Regular_Bold", &interFamily, weightBold},
        {"IBMPlexMono-SemiBold", &plexMonoFamily, weightSemiBold},
        {"Manrope-Medium", &manropeFamily, weightMedium},
    };
    for (const FaceRow& row : rows) {
        if (face == QLatin1String(row.face))
            return makeFont(*row.family, row.weight, pixelSize);
    }
    return makeFont(face, weightRegular, pixelSize);
}

const QFont& Theme::interMedium12() {
    static const QFont font = makeFont(interFamily, weightMedium, 12);
    return font;
}
const QFont& Theme::interBold12() {
    static const QFont font = makeFont(interFamily, weightBold, 12);
    return font;
}
const QFont& Theme::interRegular22() {
    static const QFont font = makeFont(interFamily, weightRegular, 22);
    return font;
}
const QFont& Theme::manropeMedium30() {
    static const QFont font = makeFont(manropeFamily, weightMedium, 30);
    return font;
}
const QFont& Theme::plexMonoSemiBold9() {
    static const QFont font = makeFont(plexMonoFamily, weightSemiBold, 9);
    return font;
}

QFont Theme::body() {
    return makeFont(interFamily, weightRegular, 13);
}
QFont Theme::callout() {
    return makeFont(interFamily, weightRegular, 12);
}
QFont Theme::subheadline() {
    return makeFont(interFamily, weightRegular, 11);
}
QFont Theme::footnote() {
    return makeFont(interFamily, weightRegular, 10);
}
QFont Theme::caption() {
    return makeFont(interFamily, weightRegular, 10);
}
QFont Theme::caption2() {
    return makeFont(interFamily, weightRegular, 10);
}
QFont Theme::headline() {
    return makeFont(interFamily, weightSemiBold, 13);
}
QFont Theme::title() {
    return makeFont(interFamily, weightRegular, 22);
}
QFont Theme::title2() {
    return makeFont(interFamily, weightRegular, 17);
}
QFont Theme::title3() {
    return makeFont(interFamily, weightRegular, 15);
}
QFont Theme::largeTitle() {
    return makeFont(interFamily, weightRegular, 26);
}

QColor Theme::makeColor(double red, double green, double blue) {
    QColor color;
    color.setRgbF(float(red), float(green), float(blue), 1.0f);
    return color;
}

// clang-format off
const QColor& Theme::color0B0A09() { static const QColor c = byteColor(11, 10, 9); return c; }
const QColor& Theme::color0E0C0A() { static const QColor c = byteColor(14, 12, 10); return c; }
const QColor& Theme::color110E0B() { static const QColor c = byteColor(17, 14, 11); return c; }
const QColor& Theme::color120F0D() { static const QColor c = byteColor(18, 15, 13); return c; }
const QColor& Theme::color161310() { static const QColor c = byteColor(22, 19, 16); return c; }
const QColor& Theme::color161310Alias() { static const QColor c = color161310(); return c; }
const QColor& Theme::color17120D() { static const QColor c = byteColor(23, 18, 13); return c; }
const QColor& Theme::color1D1916() { static const QColor c = byteColor(29, 25, 22); return c; }
const QColor& Theme::color201B17() { static const QColor c = byteColor(32, 27, 23); return c; }
const QColor& Theme::color211E1A() { static const QColor c = byteColor(33, 30, 26); return c; }
const QColor& Theme::color2B2824() { static const QColor c = byteColor(43, 40, 36); return c; }
const QColor& Theme::color797168() { static const QColor c = byteColor(121, 113, 104); return c; }
const QColor& Theme::colorB6AEA2() { static const QColor c = byteColor(182, 174, 162); return c; }
const QColor& Theme::colorE9E1D4() { static const QColor c = byteColor(233, 225, 212); return c; }
const QColor& Theme::colorBDA46B() { static const QColor c = byteColor(189, 164, 107); return c; }
const QColor& Theme::color89947A() { static const QColor c = byteColor(137, 148, 122); return c; }
const QColor& Theme::colorB86745() { static const QColor c = byteColor(184, 103, 69); return c; }
// clang-format on

QColor Theme::labelColor() {
    return whiteWithAlpha(0.85);
}
QColor Theme::secondaryLabelColor() {
    return whiteWithAlpha(0.55);
}
QColor Theme::placeholderTextColor() {
    return whiteWithAlpha(0.25);
}
QColor Theme::separatorColor() {
    return whiteWithAlpha(0.10);
}
QColor Theme::accentColor() {
    return QColor(0x0A, 0x84, 0xFF);
}
QColor Theme::systemGreen() {
    return QColor(0x30, 0xD1, 0x58);
}
QColor Theme::systemOrange() {
    return QColor(0xFF, 0x9F, 0x0A);
}
QColor Theme::systemRed() {
    return QColor(0xFF, 0x45, 0x3A);
}

void Theme::applyDarkAppearance(QWidget* window) {
    if (!window)
        return;
    QPalette palette = window->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, color0B0A09());
        palette.setColor(group, QPalette::Base, color110E0B());
        palette.setColor(group, QPalette::AlternateBase, color161310());
        palette.setColor(group, QPalette::Button, color1D1916());
        palette.setColor(group, QPalette::ToolTipBase, color201B17());
        palette.setColor(group, QPalette::Highlight, accentColor());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, colorBDA46B());
        palette.setColor(group, QPalette::PlaceholderText, placeholderTextColor());
        const QColor text = group == QPalette::Disabled ? color797168() : colorE9E1D4();
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
            palette.setColor(group, role, text);
    }
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setStyleSheet(QStringLiteral("QToolTip { color: %1; background: %2; border: 1px solid %3; }")
                              .arg(colorE9E1D4().name(), color201B17().name(), color2B2824().name()));
}

} // namespace tolvane

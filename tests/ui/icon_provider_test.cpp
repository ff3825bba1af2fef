#include "support/image_probes.h"
#include "ui/icon_provider.h"
#include "ui/pencil_icon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

const QColor tint(0xBD, 0xA4, 0x6B);

// Every symbol name the views use directly, besides those of the asset table.
const char* const directSymbols[] = {"sparkles",
                                     "checkmark.circle.fill",
                                     "stop.circle.fill",
                                     "text.badge.xmark",
                                     "exclamationmark.triangle.fill",
                                     "stop.fill",
                                     "arrow.right.circle.fill",
                                     "return",
                                     "arrow.clockwise",
                                     "trash",
                                     "doc",
                                     "character.bubble"};

bool opaque(const QColor& colour) {
    return colour.alpha() == 255;
}

// The colour of the first fully opaque pixel: a symbol drawn in one tint has it everywhere inside.
QRgb firstOpaquePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                return image.pixel(x, y);
    return 0;
}

TEST(PencilIconAssetTable, RawValuesAreUniqueAndRoundTripAndEverySymbolHasArtwork) {
    QSet<QString> raws;
    for (PencilIconAsset asset : allPencilIconAssets) {
        const QString raw = rawValue(asset);
        raws.insert(raw);
        EXPECT_EQ(pencilIconAssetFromRaw(raw), asset) << raw.toStdString();
        EXPECT_FALSE(IconProvider::lucideNameForSymbol(iconSystemSymbolName(asset)).isEmpty())
            << raw.toStdString();
    }
    EXPECT_EQ(raws.size(), qsizetype(std::size(allPencilIconAssets))) << "raw values are unique";
    // Raw values are matched exactly, case included.
    EXPECT_EQ(pencilIconAssetFromRaw(QStringLiteral("bogus")), std::nullopt);
    EXPECT_EQ(pencilIconAssetFromRaw(QStringLiteral("Brand")), std::nullopt);
}

TEST(IconProviderBundled, EveryAssetAndSymbolInUseDrawsInTheTint) {
    IconProvider provider;
    for (PencilIconAsset asset : allPencilIconAssets) {
        SCOPED_TRACE(rawValue(asset).toStdString());
        const QImage image = provider.pixmap(asset, 20, tint, 2.0).toImage();
        ASSERT_EQ(image.size(), QSize(40, 40));
        ASSERT_GT(testing::countPixels(image, opaque), 0);
        // No artwork ships, so every asset draws its tinted symbol rather than QtSvg's black.
        EXPECT_EQ(QColor(firstOpaquePixel(image)).rgb(), tint.rgb());
    }
    for (const char* symbol : directSymbols) {
        SCOPED_TRACE(symbol);
        const QImage image = provider.symbolPixmap(QLatin1String(symbol), 16, tint).toImage();
        ASSERT_GT(testing::countPixels(image, opaque), 0);
        EXPECT_EQ(QColor(firstOpaquePixel(image)).rgb(), tint.rgb());
    }
    EXPECT_TRUE(provider.symbolPixmap(QStringLiteral("no.such.symbol"), 16, tint).isNull());
    // The filled stop symbol is solid: most of its square is ink, unlike its stroked outline.
    const QImage stop = provider.symbolPixmap(QStringLiteral("stop.fill"), 24, tint).toImage();
    EXPECT_GT(testing::countPixels(stop, opaque), 24 * 24 / 2);

    // Cached pixmaps are kept apart by colour and scale.
    const QPixmap red = provider.pixmap(PencilIconAsset::search, 16, Qt::red);
    EXPECT_EQ(QColor(firstOpaquePixel(red.toImage())).rgb(), QColor(Qt::red).rgb());
    const QPixmap doubled = provider.pixmap(PencilIconAsset::search, 16, Qt::red, 2.0);
    EXPECT_EQ(doubled.size(), QSize(32, 32));
    EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(16, 16));
    // Degenerate sizes draw nothing instead of failing.
    EXPECT_TRUE(IconProvider::renderSvg("<svg/>", 0, tint, 1.0).isNull());
}

class IconProviderArtwork : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void write(const QString& relative, const QByteArray& bytes) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray rectSvg(int width, int height, const QByteArray& fill) {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + QByteArray::number(width) +
               "\" height=\"" + QByteArray::number(height) + "\" viewBox=\"0 0 " + QByteArray::number(width) +
               " " + QByteArray::number(height) + "\"><rect x=\"0\" y=\"0\" width=\"" +
               QByteArray::number(width) + "\" height=\"" + QByteArray::number(height) + "\" fill=\"" + fill +
               "\"/></svg>";
    }

    QTemporaryDir dir;
};

TEST_F(IconProviderArtwork, LucideSubfolderBeatsTheRootAndOwnColoursAreKept) {
    write(QStringLiteral("Lucide/brand.svg"), rectSvg(24, 24, "#00ff00"));
    write(QStringLiteral("brand.svg"), rectSvg(24, 24, "#0000ff"));
    write(QStringLiteral("translate.svg"), rectSvg(24, 24, "currentColor"));
    IconProvider provider(dir.path());

    EXPECT_EQ(provider.artworkPath(PencilIconAsset::brand), dir.filePath(QStringLiteral("Lucide/brand.svg")));
    const QImage brand = provider.pixmap(PencilIconAsset::brand, 20, tint).toImage();
    EXPECT_EQ(QColor(brand.pixel(10, 10)).rgb(), QColor(0, 255, 0).rgb());

    // Artwork drawn with currentColor takes the caller's colour; the root is used when Lucide/ lacks it.
    const QImage translate = provider.pixmap(PencilIconAsset::translate, 20, tint).toImage();
    EXPECT_EQ(QColor(translate.pixel(10, 10)).rgb(), tint.rgb());

    // Assets without artwork never look for files, even when one with their raw value exists.
    write(QStringLiteral("info.svg"), rectSvg(24, 24, "#ff0000"));
    EXPECT_TRUE(provider.artworkPath(PencilIconAsset::info).isEmpty());
}

TEST_F(IconProviderArtwork, MissingOrCorruptArtworkFallsBackToTheTintedSymbol) {
    write(QStringLiteral("Lucide/check.svg"), "this is not an svg document");
    IconProvider provider(dir.path());
    for (PencilIconAsset asset : {PencilIconAsset::check, PencilIconAsset::sourceChevron}) {
        const QImage image = provider.pixmap(asset, 20, tint).toImage();
        ASSERT_GT(testing::countPixels(image, opaque), 0) << rawValue(asset).toStdString();
        EXPECT_EQ(QColor(firstOpaquePixel(image)).rgb(), tint.rgb());
    }
    // Nothing at all to draw: an empty symbol root gives a null pixmap, not a crash.
    IconProvider empty(dir.path(), dir.filePath(QStringLiteral("none")));
    EXPECT_TRUE(empty.pixmap(PencilIconAsset::info, 20, tint).isNull());
}

TEST_F(IconProviderArtwork, WideArtworkKeepsItsAspectAndIsCentred) {
    write(QStringLiteral("Lucide/railCapture.svg"), rectSvg(48, 24, "#ffffff"));
    IconProvider provider(dir.path());
    const QImage image = provider.pixmap(PencilIconAsset::railCapture, 20, tint).toImage();
    ASSERT_EQ(image.size(), QSize(20, 20));
    const QRect ink = testing::pixelBounds(image, [](const QColor& c) { return c.alpha() > 0; });
    EXPECT_EQ(ink.width(), 20);
    EXPECT_EQ(ink.height(), 10);
    EXPECT_EQ(ink.top(), 5);
}

} // namespace
} // namespace tolvane

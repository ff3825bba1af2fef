#include "ocr/leptonica_image_enhancer.h"

#include "core/logging.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <leptonica/allheaders.h>
#include <memory>

namespace tolvane {

namespace {
constexpr float kContrast = 1.18f;
constexpr float kBrightness = 0.015f;
constexpr int kUnsharpHalfWidth = 1;
constexpr float kUnsharpFraction = 0.35f;

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// v' = (v + brightness - 0.5) * contrast + 0.5, clamped, on the 0..1 scale.
const std::array<l_uint8, 256>& contrastTable() {
    static const std::array<l_uint8, 256> table = [] {
        std::array<l_uint8, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const float x = (v / 255.0f + kBrightness - 0.5f) * kContrast + 0.5f;
            t[size_t(v)] = l_uint8(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f));
        }
        return t;
    }();
    return table;
}

PixPtr toGreyPix(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    PixPtr pix(pixCreate(grey.width(), grey.height(), 8));
    if (!pix)
        return nullptr;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* src = grey.constScanLine(y);
        l_uint32* line = data + ptrdiff_t(y) * wpl;
        for (int x = 0; x < grey.width(); ++x)
            SET_DATA_BYTE(line, x, src[x]);
    }
    return pix;
}

QImage toImage(PIX* pix) {
    const int width = int(pixGetWidth(pix));
    const int height = int(pixGetHeight(pix));
    QImage image(width, height, QImage::Format_Grayscale8);
    if (image.isNull())
        return {};
    l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    for (int y = 0; y < height; ++y) {
        uchar* dst = image.scanLine(y);
        const l_uint32* line = data + ptrdiff_t(y) * wpl;
        for (int x = 0; x < width; ++x)
            dst[x] = uchar(GET_DATA_BYTE(line, x));
    }
    return image;
}
} // namespace

QImage LeptonicaImageEnhancer::enhance(const QImage& image, double factor) {
    if (image.isNull() || !(factor > 0.0) || !std::isfinite(factor))
        return {};
    PixPtr grey = toGreyPix(image);
    if (!grey)
        return {};
    // Linear scaling without Leptonica's own sharpening; the unsharp mask below does that once.
    PixPtr scaled(pixScaleGeneral(grey.get(), float(factor), float(factor), 0.0f, 0));
    if (!scaled) {
        qCWarning(lcOcr) << "Scaling the image for the enhanced pass failed";
        return {};
    }
    // Contrast after scaling, as the colour controls follow the scale transform.
    const std::array<l_uint8, 256>& table = contrastTable();
    l_uint32* data = pixGetData(scaled.get());
    const int wpl = pixGetWpl(scaled.get());
    const int width = int(pixGetWidth(scaled.get()));
    for (int y = 0; y < int(pixGetHeight(scaled.get())); ++y) {
        l_uint32* line = data + ptrdiff_t(y) * wpl;
        for (int x = 0; x < width; ++x)
            SET_DATA_BYTE(line, x, table[GET_DATA_BYTE(line, x)]);
    }
    PixPtr sharpened(pixUnsharpMaskingGray(scaled.get(), kUnsharpHalfWidth, kUnsharpFraction));
    if (!sharpened) {
        qCWarning(lcOcr) << "Sharpening the image for the enhanced pass failed";
        return {};
    }
    return toImage(sharpened.get());
}

} // namespace tolvane

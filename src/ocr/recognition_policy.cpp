#include "ocr/recognition_policy.h"

#include "core/text.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tolvane {

double enhancementFactor(const QSize& imageSize) {
    const double shortSide = std::min(imageSize.width(), imageSize.height());
    double factor = shortSide < 1.0 ? 3.0 : std::clamp(1200.0 / shortSide, 1.15, 3.0);
    const double longSide = std::max(imageSize.width(), imageSize.height());
    if (longSide > 0)
        factor = std::min(factor, kMaxRecognitionSide / longSide);
    const double area = double(imageSize.width()) * double(imageSize.height());
    if (area > 0)
        factor = std::min(factor, std::sqrt(kMaxEnhancedPixels / area));
    return factor;
}

std::vector<double> votingFactors(const QSize& imageSize, double enhancedFactor, double lineHeight) {
    const double area = double(imageSize.width()) * double(imageSize.height());
    if (area <= 0 || area > kMaxVotingPixels || !(lineHeight > 0.0 && lineHeight < kMaxVotingLineHeight) ||
        !(enhancedFactor * 2.0 / 3.0 >= 1.5))
        return {};
    const double longSide = std::max(imageSize.width(), imageSize.height());
    const double limit = std::min(kMaxRecognitionSide / longSide, std::sqrt(kMaxEnhancedPixels / area));
    return {enhancedFactor * 2.0 / 3.0, std::min(enhancedFactor * 4.0 / 3.0, limit)};
}

bool wantsEnhancedPass(float firstPassConfidence, int imageWidth) {
    return firstPassConfidence < 0.9f || imageWidth <= 2399;
}

float passScore(float confidence, const QString& text) {
    const float characters = static_cast<float>(text::graphemeCount(text));
    return confidence + std::min(characters / 10000.0f, 0.05f);
}

QImage fitForRecognition(const QImage& image) {
    const int longSide = std::max(image.width(), image.height());
    if (longSide <= kMaxRecognitionSide)
        return image;
    const double scale = double(kMaxRecognitionSide) / longSide;
    const QSize target(std::clamp(int(std::floor(image.width() * scale)), 1, kMaxRecognitionSide),
                       std::clamp(int(std::floor(image.height() * scale)), 1, kMaxRecognitionSide));
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage opaqueGrey(const QImage& image) {
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace tolvane

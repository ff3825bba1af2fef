#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

namespace tolvane {

// Tesseract refuses images with a side longer than this.
inline constexpr int kMaxRecognitionSide = 32767;
// The enhanced image is kept below this many pixels (memory guard for the second pass).
inline constexpr double kMaxEnhancedPixels = 40.0e6;

// Scale factor of the enhanced pass: 3.0 for a short side below 1 px, else 1200 / short side clamped to
// 1.15 ... 3.0, then lowered so the result stays within kMaxRecognitionSide and kMaxEnhancedPixels.
// A factor of 1 or less means the enhanced pass is skipped.
double enhancementFactor(const QSize& imageSize);

// Scale factors of the further passes whose readings vote on the chosen reading's characters: two thirds
// and four thirds of the enhanced pass's `enhancedFactor`, kept within the enhanced pass's limits, for a
// picture of at most kMaxVotingPixels (a few lines, where they cost little) whose lines are lower than
// kMaxVotingLineHeight (`lineHeight`, the median of the first reading's; small text, where readings at
// different scales err in different places). None otherwise, or when the lower factor would hardly
// enlarge the picture.
inline constexpr double kMaxVotingPixels = 300000.0;
inline constexpr double kMaxVotingLineHeight = 24.0;
std::vector<double> votingFactors(const QSize& imageSize, double enhancedFactor, double lineHeight);

// A first pass is final only when it is confident (>= 0.9) on a wide image (>= 2400 px).
bool wantsEnhancedPass(float firstPassConfidence, int imageWidth);

// The score that picks between passes: confidence plus a length bonus of up to 0.05 (graphemes / 10000).
float passScore(float confidence, const QString& text);

// The image scaled down (keeping its aspect ratio) so no side exceeds kMaxRecognitionSide; unchanged when
// it already fits.
QImage fitForRecognition(const QImage& image);

// The image in opaque 8-bit grey; transparent pixels count as white paper rather than black.
QImage opaqueGrey(const QImage& image);

} // namespace tolvane

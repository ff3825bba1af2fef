#include "ocr/cut_line_filter.h"

#include <algorithm>

namespace tolvane {

namespace {
// A box this close to the top or bottom edge touches it.
constexpr double kEdgeReach = 2.0;
constexpr double kLowLine = 0.7;
constexpr double kSomewhatLowLine = 0.9;
constexpr float kLowConfidence = 0.5f;
} // namespace

double medianLineHeight(const std::vector<RecognizedLine>& lines) {
    std::vector<double> heights;
    heights.reserve(lines.size());
    for (const RecognizedLine& line : lines)
        heights.push_back(line.box.height());
    if (heights.empty())
        return 0.0;
    const auto middle = heights.begin() + std::ptrdiff_t(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}

void dropCutLines(std::vector<RecognizedLine>& lines, const QSize& imageSize) {
    if (lines.size() < 2)
        return;
    const double body = medianLineHeight(lines);
    const auto isCut = [&](const RecognizedLine& line) {
        const bool atEdge =
            line.box.top() <= kEdgeReach || line.box.bottom() >= imageSize.height() - 1 - kEdgeReach;
        const double height = line.box.height();
        return atEdge && (height < kLowLine * body ||
                          (height < kSomewhatLowLine * body && line.confidence < kLowConfidence));
    };
    lines.erase(std::remove_if(lines.begin(), lines.end(), isCut), lines.end());
}

} // namespace tolvane

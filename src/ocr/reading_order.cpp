#include "ocr/reading_order.h"

#include <algorithm>
#include <numeric>

namespace tolvane {

namespace {
// Absorbs rounding in the midpoint arithmetic, so "exactly the tolerance apart" stays one line.
constexpr double kEpsilon = 1e-9;

struct Key {
    double midY;
    double minX;
    size_t index;
};
} // namespace

void sortIntoReadingOrder(std::vector<RecognizedLine>& lines, const QSizeF& imageSize) {
    if (lines.size() < 2)
        return;
    const double width = imageSize.width() > 0 ? imageSize.width() : 1.0;
    const double height = imageSize.height() > 0 ? imageSize.height() : 1.0;

    std::vector<Key> keys;
    keys.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const QRectF& box = lines[i].box;
        keys.push_back({(box.top() + box.bottom()) / (2.0 * height), box.left() / width, i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.midY < b.midY; });

    auto groupStart = keys.begin();
    while (groupStart != keys.end()) {
        const double limit = groupStart->midY + kSameLineTolerance + kEpsilon;
        auto groupEnd =
            std::find_if(groupStart, keys.end(), [limit](const Key& k) { return k.midY > limit; });
        std::stable_sort(groupStart, groupEnd, [](const Key& a, const Key& b) { return a.minX < b.minX; });
        groupStart = groupEnd;
    }

    std::vector<RecognizedLine> ordered;
    ordered.reserve(lines.size());
    for (const Key& key : keys)
        ordered.push_back(std::move(lines[key.index]));
    lines = std::move(ordered);
}

} // namespace tolvane

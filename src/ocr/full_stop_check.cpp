#include "ocr/full_stop_check.h"

#include "ocr/ink_marks.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace tolvane {

namespace {
// A punctuation mark is at most this fraction of its line's height, either way.
constexpr double kMarkShare = 0.4;
// A full stop's width over its height, and its height over its width, at least.
constexpr double kRoundness = 0.75;
// Ink pixels allowed to differ from their mirror image, as a fraction of the mark's.
constexpr double kMirrorSlack = 0.15;
} // namespace

FullStopCheck::FullStopCheck(const QImage& grey, const QRect& line)
    : m_grey(grey), m_area(line & grey.rect()) {
    if (grey.format() != QImage::Format_Grayscale8 || m_area.height() < 4)
        return;
    std::array<int, 256> histogram{};
    for (int y = m_area.top(); y <= m_area.bottom(); ++y)
        for (int x = m_area.left(); x <= m_area.right(); ++x)
            ++histogram[grey.constScanLine(y)[x]];
    m_background = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

bool FullStopCheck::commaIsDrawnAsFullStop(const QRect& mark) const {
    if (m_background < 0)
        return false;
    const QRect& area = m_area;
    const auto isInk = [&](int x, int y) {
        return area.contains(x, y) && std::abs(int(m_grey.constScanLine(y)[x]) - m_background) > kInkContrast;
    };

    // The ink within the engine's box, widened by a third of its height for a box a little off, traced
    // out to the whole mark; anything larger than a punctuation mark is a letter.
    const int reach = std::max(1, mark.height() / 3);
    const QRect search = mark.adjusted(-reach, 0, reach, 0) & area;
    const int limit = int(kMarkShare * area.height()) + 1;
    std::vector<QPoint> pixels;
    std::vector<uint8_t> seen(size_t(area.width()) * size_t(area.height()), 0);
    const auto index = [&](int x, int y) {
        return size_t(y - area.top()) * size_t(area.width()) + size_t(x - area.left());
    };
    QRect box;
    for (int y = search.top(); y <= search.bottom(); ++y) {
        for (int x = search.left(); x <= search.right(); ++x) {
            if (!isInk(x, y) || seen[index(x, y)])
                continue;
            if (!box.isNull())
                return false; // two marks: not one small one
            std::vector<QPoint> stack{QPoint(x, y)};
            seen[index(x, y)] = 1;
            while (!stack.empty()) {
                const QPoint at = stack.back();
                stack.pop_back();
                pixels.push_back(at);
                box = box.isNull() ? QRect(at, at) : box.united(QRect(at, at));
                if (box.width() > limit || box.height() > limit)
                    return false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (isInk(at.x() + dx, at.y() + dy) && !seen[index(at.x() + dx, at.y() + dy)]) {
                            seen[index(at.x() + dx, at.y() + dy)] = 1;
                            stack.push_back(at + QPoint(dx, dy));
                        }
            }
        }
    }
    if (box.isNull() || box.top() < area.top() + area.height() / 2 ||
        box.width() < kRoundness * box.height() || box.height() < kRoundness * box.width())
        return false;
    int differing = 0;
    for (const QPoint& at : pixels)
        differing += !isInk(box.left() + box.right() - at.x(), at.y());
    return differing <= kMirrorSlack * double(pixels.size());
}

} // namespace tolvane

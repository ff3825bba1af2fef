#include "ocr/ink_marks.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tolvane {

int commonestGreyLevel(const QImage& grey) {
    std::array<int, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[line[x]];
    }
    return int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

std::vector<uint8_t> inkMask(const QImage& grey, int background, int contrast) {
    const int width = grey.width();
    std::vector<uint8_t> ink(size_t(width) * size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < width; ++x)
            ink[size_t(y) * size_t(width) + size_t(x)] = std::abs(int(line[x]) - background) > contrast;
    }
    return ink;
}

std::vector<InkMark> findInkMarks(const std::vector<uint8_t>& ink, int width, int height) {
    std::vector<InkMark> marks;
    std::vector<uint8_t> seen(ink.size(), 0);
    std::vector<int> stack;
    for (int start = 0; start < int(ink.size()); ++start) {
        if (!ink[size_t(start)] || seen[size_t(start)])
            continue;
        InkMark mark;
        int left = width, top = height, right = -1, bottom = -1;
        stack.push_back(start);
        seen[size_t(start)] = 1;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % width, y = at / width;
            ++mark.pixels;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                        continue;
                    const size_t next = size_t(ny) * size_t(width) + size_t(nx);
                    if (ink[next] && !seen[next]) {
                        seen[next] = 1;
                        stack.push_back(int(next));
                    }
                }
            }
        }
        mark.box = QRect(QPoint(left, top), QPoint(right, bottom));
        marks.push_back(mark);
    }
    return marks;
}

std::pair<int, int> longestInkRun(const std::vector<uint8_t>& ink, int width, const QRect& box, int y) {
    const uint8_t* row = ink.data() + size_t(y) * size_t(width);
    std::pair<int, int> longest{box.left(), box.left() - 1};
    for (int x = box.left(), start = -1; x <= box.right() + 1; ++x) {
        const bool inRun = x <= box.right() && row[x];
        if (inRun && start < 0)
            start = x;
        if (!inRun && start >= 0) {
            if (x - 1 - start > longest.second - longest.first)
                longest = {start, x - 1};
            start = -1;
        }
    }
    return longest;
}

} // namespace tolvane

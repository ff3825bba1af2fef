#include "ocr/text_cursor_eraser.h"

#include "ocr/recognition_policy.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace tolvane {

namespace {
// Grey levels further than this from the background are ink.
constexpr int kInkContrast = 64;
// A caret is drawn in the text's full colour.
constexpr int kCaretContrast = 150;
// Marks shorter than this many pixels are left alone.
constexpr int kMinimumCursorHeight = 8;
// A character cell's width over its height.
constexpr double kCellAspectMin = 0.3;
constexpr double kCellAspectMax = 0.85;
constexpr double kSolidFill = 0.9;

struct Mark {
    QRect box;
    int pixels = 0;
};

int backgroundLevel(const QImage& grey) {
    std::array<int, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[line[x]];
    }
    return int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

// 8-connected marks of ink.
std::vector<Mark> findMarks(const std::vector<uint8_t>& ink, int width, int height) {
    std::vector<Mark> marks;
    std::vector<uint8_t> seen(ink.size(), 0);
    std::vector<int> stack;
    for (int start = 0; start < int(ink.size()); ++start) {
        if (!ink[size_t(start)] || seen[size_t(start)])
            continue;
        Mark mark;
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

bool isCellShaped(const QRect& box) {
    const double aspect = double(box.width()) / box.height();
    return box.height() >= kMinimumCursorHeight && aspect >= kCellAspectMin && aspect <= kCellAspectMax;
}

// Every pixel on the box's edge is ink and the inside is empty.
bool isOutline(const Mark& mark, const std::vector<uint8_t>& ink, int width) {
    const QRect& box = mark.box;
    if (box.width() < 4)
        return false;
    int edge = 0;
    for (int x = box.left(); x <= box.right(); ++x)
        edge += ink[size_t(box.top()) * size_t(width) + size_t(x)] +
                ink[size_t(box.bottom()) * size_t(width) + size_t(x)];
    for (int y = box.top() + 1; y < box.bottom(); ++y)
        edge += ink[size_t(y) * size_t(width) + size_t(box.left())] +
                ink[size_t(y) * size_t(width) + size_t(box.right())];
    const int perimeter = 2 * box.width() + 2 * (box.height() - 2);
    return edge >= perimeter * 0.95 && mark.pixels <= perimeter * 2;
}

bool isSolid(const Mark& mark) {
    return mark.pixels >= kSolidFill * mark.box.width() * mark.box.height();
}

// A bar caret: a solid vertical line at most two pixels wide, standing alone in full-contrast ink, that
// spans its whole line: it starts above every other mark of the line and ends no higher than the lowest
// descender (a caret is as tall as the font's line, while "l", "I" or "|" stay within the glyphs' extent). A
// line with no mark beside it counts too.
bool isBarCaret(const Mark& bar, const std::vector<Mark>& marks) {
    const QRect& caret = bar.box;
    if (caret.height() < kMinimumCursorHeight || caret.width() > 2 || !isSolid(bar))
        return false;
    // The other marks of this line within a few line heights: beside the caret, mostly within its rows.
    const int reach = 3 * caret.height();
    for (const Mark& mark : marks) {
        const QRect& box = mark.box;
        if (box.right() < caret.left() - reach || box.left() > caret.right() + reach || box.intersects(caret))
            continue;
        const int overlap = std::min(box.bottom(), caret.bottom()) - std::max(box.top(), caret.top()) + 1;
        if (overlap * 2 < box.height())
            continue;
        if (box.top() <= caret.top() || box.bottom() > caret.bottom())
            return false;
    }
    return true;
}
} // namespace

QImage eraseTextCursors(const QImage& image) {
    QImage grey = opaqueGrey(image);
    const int width = grey.width(), height = grey.height();
    if (width == 0 || height == 0)
        return grey;
    const int background = backgroundLevel(grey);
    const auto inkAbove = [&](int contrast) {
        std::vector<uint8_t> ink(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y) {
            const uchar* line = grey.constScanLine(y);
            for (int x = 0; x < width; ++x)
                ink[size_t(y) * size_t(width) + size_t(x)] = std::abs(int(line[x]) - background) > contrast;
        }
        return ink;
    };
    const std::vector<uint8_t> ink = inkAbove(kInkContrast);
    std::vector<QRect> cursors;
    const std::vector<Mark> marks = findMarks(ink, width, height);
    for (const Mark& mark : marks) {
        if (isCellShaped(mark.box) && (isSolid(mark) || isOutline(mark, ink, width)))
            cursors.push_back(mark.box);
    }
    // A caret drawn next to a glyph may touch its anti-aliased edge; in full-contrast ink it stands alone.
    for (const Mark& mark : findMarks(inkAbove(kCaretContrast), width, height)) {
        if (isBarCaret(mark, marks))
            cursors.push_back(mark.box);
    }
    for (const QRect& cursor : cursors) {
        // One pixel around as well: the anti-aliased fringe would otherwise stay as a faint frame.
        const QRect area = cursor.adjusted(-1, -1, 1, 1) & grey.rect();
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::fill_n(grey.scanLine(y) + area.left(), area.width(), uchar(background));
    }
    return grey;
}

} // namespace tolvane

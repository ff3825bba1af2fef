#include "ocr/text_cursor_eraser.h"

#include "ocr/highlight_bars.h"
#include "ocr/ink_marks.h"
#include "ocr/recognition_policy.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace tolvane {

namespace {
// A caret is drawn in the text's full colour.
constexpr int kCaretContrast = 150;
// Marks shorter than this many pixels are left alone.
constexpr int kMinimumCursorHeight = 8;
// A character cell is never taller than this (a large font on a high-density screen).
constexpr int kMaximumCursorHeight = 120;
// The ink on the top and bottom edge of an outlined cursor.
constexpr double kOutlineEdgeFill = 0.95;
// A character cell's width over its height.
constexpr double kCellAspectMin = 0.3;
constexpr double kCellAspectMax = 0.85;
constexpr double kSolidFill = 0.9;
// A block cursor standing on a character fills at least this share of its cell; a hollow one less.
constexpr double kBlockFill = 0.6;
// A glyph holding a stroke or a box that looks like a cursor is at most this many times its height, and at
// most this many times as wide as high.
constexpr int kGlyphOverCursor = 3;
constexpr double kGlyphAspect = 1.5;
// A caret is at least this much taller than the glyphs of its line.
constexpr double kCaretHeadroom = 1.25;

using Mark = InkMark;

bool isCellShaped(const QRect& box) {
    const double aspect = double(box.width()) / box.height();
    return box.height() >= kMinimumCursorHeight && aspect >= kCellAspectMin && aspect <= kCellAspectMax;
}

bool isEmpty(const std::vector<uint8_t>& ink, int width, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (ink[size_t(y) * size_t(width) + size_t(x)])
                return false;
    return true;
}

// The ink run from `from` in steps of `step`, at most `limit` long.
int inkRun(const std::vector<uint8_t>& ink, int width, QPoint from, QPoint step, int limit) {
    int run = 0;
    for (QPoint at = from; run < limit && ink[size_t(at.y()) * size_t(width) + size_t(at.x())]; at += step)
        ++run;
    return run;
}

// Every pixel on the box's edge is ink and the inside is empty: no ink within the sides' strokes, unlike a
// Han character drawn as a box with strokes across ("日", "目") or another box inside ("回").
bool isOutline(const Mark& mark, const std::vector<uint8_t>& ink, int width) {
    const QRect& box = mark.box;
    if (box.width() < 4)
        return false;
    const QPoint middle = box.center();
    const int left = inkRun(ink, width, QPoint(box.left(), middle.y()), QPoint(1, 0), box.width());
    const int right = inkRun(ink, width, QPoint(box.right(), middle.y()), QPoint(-1, 0), box.width());
    const int top = inkRun(ink, width, QPoint(middle.x(), box.top()), QPoint(0, 1), box.height());
    const int bottom = inkRun(ink, width, QPoint(middle.x(), box.bottom()), QPoint(0, -1), box.height());
    const QRect inside = box.adjusted(left, top, -right, -bottom);
    if (!inside.isValid() || !isEmpty(ink, width, inside))
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

// Whether a glyph's box holds the box, reaching more than an anti-aliased fringe's pixel past it on both
// sides: then the box is part of that glyph (a stroke within "目", the inner box of "回"). A glyph is at most
// a few times the box's height and about as wide as high, unlike a window's frame around the text.
bool isInsideAGlyph(const QRect& cursor, const std::vector<Mark>& marks) {
    return std::any_of(marks.begin(), marks.end(), [&](const Mark& mark) {
        const QRect& box = mark.box;
        return box.left() < cursor.left() - 1 && box.right() > cursor.right() + 1 &&
               box.top() <= cursor.top() && box.bottom() >= cursor.bottom() &&
               box.height() <= kGlyphOverCursor * cursor.height() &&
               box.width() <= kGlyphAspect * box.height();
    });
}

// The cursor spans its whole line: it starts above every other mark of the line and ends no higher than the
// lowest descender. The other marks of the line are those within a few line heights, beside the cursor and
// mostly within its rows; a line with no mark beside it counts too. A cursor inside a glyph is none.
bool spansItsLine(const QRect& cursor, const std::vector<Mark>& marks) {
    if (isInsideAGlyph(cursor, marks))
        return false;
    const int reach = 3 * cursor.height();
    for (const Mark& mark : marks) {
        const QRect& box = mark.box;
        if (box.right() < cursor.left() - reach || box.left() > cursor.right() + reach ||
            box.intersects(cursor))
            continue;
        const int overlap = std::min(box.bottom(), cursor.bottom()) - std::max(box.top(), cursor.top()) + 1;
        if (overlap * 2 < box.height())
            continue;
        if (box.top() <= cursor.top() || box.bottom() > cursor.bottom())
            return false;
    }
    return true;
}

// Whether ink leaves the bar's two end rows sideways, past its anti-aliased fringe: the strokes across a
// box-shaped glyph ("日", "目", "田") leave the ends of its sides, which a light serif font draws in full
// contrast while the strokes across are fainter. A caret's ends stand clear of the glyphs beside it.
bool endsJoinStrokes(const QRect& bar, const std::vector<uint8_t>& ink, int width) {
    for (const int y : {bar.top(), bar.top() + 1, bar.bottom() - 1, bar.bottom()})
        for (const int x : {bar.left() - 2, bar.right() + 2})
            if (x >= 0 && x < width && ink[size_t(y) * size_t(width) + size_t(x)])
                return true;
    return false;
}

// A bar caret: a solid vertical line at most two pixels wide, standing alone in full-contrast ink, that
// spans its whole line (a caret is as tall as the font's line, while "l", "I" or "|" stay within the glyphs'
// extent) and whose ends no stroke leaves.
bool isBarCaret(const Mark& bar, const std::vector<Mark>& marks, const std::vector<uint8_t>& ink, int width) {
    const QRect& caret = bar.box;
    return caret.height() >= kMinimumCursorHeight && caret.width() <= 2 && isSolid(bar) &&
           spansItsLine(caret, marks) && !endsJoinStrokes(caret, ink, width);
}

// A vertical run of ink down one column, or several neighbouring columns whose runs start and end on the
// same rows (within a pixel).
struct Column {
    int left = 0, right = 0, top = 0, bottom = 0;
    QRect box() const { return QRect(QPoint(left, top), QPoint(right, bottom)); }
};

// The solid columns of ink at least a cursor's height. A block cursor drawn right after a glyph touches its
// anti-aliased edge or a descender's tail, so the two are one mark; the block's columns still stand apart:
// each is ink from the cell's top to its bottom, which no column of a letter beside it is.
std::vector<Column> solidColumns(const std::vector<uint8_t>& ink, int width, int height) {
    std::vector<Column> closed;
    std::vector<Column> open;
    const auto matches = [](const Column& column, int top, int bottom) {
        return std::abs(column.top - top) <= 1 && std::abs(column.bottom - bottom) <= 1;
    };
    for (int x = 0; x <= width; ++x) {
        std::vector<Column> next;
        for (int y = 0; x < width && y < height;) {
            if (!ink[size_t(y) * size_t(width) + size_t(x)]) {
                ++y;
                continue;
            }
            const int top = y;
            while (y < height && ink[size_t(y) * size_t(width) + size_t(x)])
                ++y;
            const int bottom = y - 1;
            if (bottom - top + 1 < kMinimumCursorHeight || bottom - top + 1 > kMaximumCursorHeight)
                continue;
            const auto continued = std::find_if(
                open.begin(), open.end(), [&](const Column& column) { return matches(column, top, bottom); });
            if (continued == open.end()) {
                next.push_back({x, x, top, bottom});
            } else {
                continued->right = x;
                next.push_back(*continued);
                open.erase(continued);
            }
        }
        closed.insert(closed.end(), open.begin(), open.end());
        open = std::move(next);
    }
    return closed;
}

bool rowIsInk(const std::vector<uint8_t>& ink, int width, int y, int left, int right) {
    int count = 0;
    for (int x = left; x <= right; ++x)
        count += ink[size_t(y) * size_t(width) + size_t(x)];
    return count >= kOutlineEdgeFill * (right - left + 1);
}

// Clearly taller than every other mark of its line, across the whole picture, and reaching below the line's
// baseline, where most marks end: a caret is as tall as the font's line, which no stroke of a glyph is ("十",
// or the long stroke of "用", stop within the tallest glyphs' extent; the stem of "b" or "d" ends on the
// baseline).
bool tallerThanItsLine(const QRect& cursor, const std::vector<Mark>& marks) {
    int lineMarks = 0, reachingItsBottom = 0;
    for (const Mark& mark : marks) {
        const QRect& box = mark.box;
        if (box.intersects(cursor))
            continue;
        const int overlap = std::min(box.bottom(), cursor.bottom()) - std::max(box.top(), cursor.top()) + 1;
        if (overlap * 2 < box.height())
            continue;
        if (box.height() * kCaretHeadroom > cursor.height())
            return false;
        ++lineMarks;
        reachingItsBottom += box.bottom() >= cursor.bottom();
    }
    return lineMarks > 0 && reachingItsBottom * 2 < lineMarks;
}

// A terminal's cursor standing on a character, in the mark holding it: a cell-shaped block or frame that
// spans its line, ink across the cell's whole width along its top and bottom rows (a glyph beside the cell
// touching it joins the mark lower down, where those rows are not ink), and itself inside no glyph.
struct CursorOnACharacter {
    QRect cell;
    // A frame (the terminal's window not focused) rather than a block.
    bool hollow = false;
    // A frame's stroke.
    int thickness = 0;
};

int inkCount(const std::vector<uint8_t>& ink, int width, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += ink[size_t(y) * size_t(width) + size_t(x)];
    return count;
}

// A block: at least kBlockFill of the cell is ink, the character inside drawn in the page's shade, where a
// box-shaped Han character ("日", "目") leaves most of its box empty. A frame: its four sides are ink and the
// character inside touches at most one of them in any row, where the strokes across a Han character drawn
// as a box ("日", "目", "田") join both.
std::optional<CursorOnACharacter> cursorOnACharacter(const Mark& mark, const std::vector<uint8_t>& ink,
                                                     int width, const std::vector<Mark>& marks) {
    const QRect& box = mark.box;
    if (box.height() < kMinimumCursorHeight || box.height() > kMaximumCursorHeight)
        return std::nullopt;
    const std::pair<int, int> top = longestInkRun(ink, width, box, box.top());
    const std::pair<int, int> bottom = longestInkRun(ink, width, box, box.bottom());
    if (std::abs(top.first - bottom.first) > 1 || std::abs(top.second - bottom.second) > 1)
        return std::nullopt;
    const QRect cell(QPoint(std::max(top.first, bottom.first), box.top()),
                     QPoint(std::min(top.second, bottom.second), box.bottom()));
    if (!isCellShaped(cell) || isInsideAGlyph(cell, marks) || !spansItsLine(cell, marks))
        return std::nullopt;
    const double fill = double(inkCount(ink, width, cell)) / (double(cell.width()) * cell.height());
    if (fill >= kSolidFill)
        return std::nullopt;
    if (fill >= kBlockFill)
        return CursorOnACharacter{cell, false, 0};
    // The frame's stroke: the thinnest of its sides across their middles (the character inside may touch
    // one).
    const QPoint middle = cell.center();
    const int thickness =
        std::min({inkRun(ink, width, QPoint(cell.left(), middle.y()), QPoint(1, 0), cell.width()),
                  inkRun(ink, width, QPoint(cell.right(), middle.y()), QPoint(-1, 0), cell.width()),
                  inkRun(ink, width, QPoint(middle.x(), cell.top()), QPoint(0, 1), cell.height()),
                  inkRun(ink, width, QPoint(middle.x(), cell.bottom()), QPoint(0, -1), cell.height())});
    if (thickness < 1 || 4 * thickness > cell.width() ||
        !rowIsInk(ink, width, cell.top() + thickness - 1, cell.left(), cell.right()) ||
        !rowIsInk(ink, width, cell.bottom() - thickness + 1, cell.left(), cell.right()))
        return std::nullopt;
    for (const int x : {cell.left(), cell.right()})
        if (inkCount(ink, width, QRect(x, cell.top(), 1, cell.height())) < kOutlineEdgeFill * cell.height())
            return std::nullopt;
    const QRect inside = cell.adjusted(thickness, thickness, -thickness, -thickness);
    if (!inside.isValid() || inkCount(ink, width, inside) == 0)
        return std::nullopt;
    // A small font's glyph can fill its cell from side to side as well; then the frame stands clearly taller
    // than every glyph of its line, as a character cell does and a Han character does not.
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        if (ink[size_t(y) * size_t(width) + size_t(inside.left())] &&
            ink[size_t(y) * size_t(width) + size_t(inside.right())])
            return tallerThanItsLine(cell, marks) ? std::optional(CursorOnACharacter{cell, true, thickness})
                                                  : std::nullopt;
    return CursorOnACharacter{cell, true, thickness};
}

// Turns a block cursor's cell to the page's polarity: the block's shade becomes the background and the
// character inside takes the block's shade, its anti-aliased edges the levels between.
void turnCell(QImage& grey, const QRect& cell, int background) {
    std::array<int, 256> histogram{};
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            ++histogram[grey.constScanLine(y)[x]];
    const int level = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    int furthest = 0;
    for (int value = 0; value < 256; ++value)
        if (histogram[size_t(value)] > 0)
            furthest = std::max(furthest, std::abs(value - level));
    if (furthest == 0)
        return;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        uchar* line = grey.scanLine(y);
        for (int x = cell.left(); x <= cell.right(); ++x)
            line[x] = uchar(background + (level - background) * std::abs(int(line[x]) - level) / furthest);
    }
}

int inkInColumn(const std::vector<uint8_t>& ink, int width, int x, int top, int bottom) {
    int count = 0;
    for (int y = top; x >= 0 && x < width && y <= bottom; ++y)
        count += ink[size_t(y) * size_t(width) + size_t(x)];
    return count;
}

// The area to paint over for a bar caret: the bar, a pixel above and below, and its anti-aliased fringe on
// each side clear of ink; a side where a glyph's ink touches the bar keeps that edge.
QRect barCaretArea(const QRect& bar, const std::vector<uint8_t>& ink, int width) {
    const bool clearLeft = inkInColumn(ink, width, bar.left() - 1, bar.top(), bar.bottom()) == 0;
    const bool clearRight = inkInColumn(ink, width, bar.right() + 1, bar.top(), bar.bottom()) == 0;
    return bar.adjusted(clearLeft ? -1 : 0, -1, clearRight ? 1 : 0, 1);
}

// A bar caret drawn against a glyph (before the first character of a line, or after the last one): a
// full-contrast column at most two pixels wide, clear of ink on one side, spanning its line and taller than
// the glyphs.
bool isTouchingBarCaret(const Column& column, const std::vector<uint8_t>& ink,
                        const std::vector<uint8_t>& strongInk, int width, const std::vector<Mark>& marks) {
    const QRect box = column.box();
    if (box.width() > 2 || box.height() < kMinimumCursorHeight)
        return false;
    for (int x = box.left(); x <= box.right(); ++x)
        if (inkInColumn(strongInk, width, x, box.top(), box.bottom()) < box.height())
            return false;
    const QRect area = barCaretArea(box, ink, width);
    return area.width() > box.width() && spansItsLine(box, marks) && tallerThanItsLine(box, marks);
}

// The columns of a highlight bar (a selected line, a header in the other polarity) run from its top to its
// bottom between its glyphs, as a block cursor's do; none of them is a cursor.
std::vector<Column> outsideHighlightBars(std::vector<Column> columns, const QImage& grey,
                                         const std::vector<uint8_t>& ink) {
    const std::vector<QRect> bars = findHighlightBars(grey, ink);
    std::erase_if(columns, [&](const Column& column) {
        return std::any_of(bars.begin(), bars.end(),
                           [&](const QRect& bar) { return bar.intersects(column.box()); });
    });
    return columns;
}

// Cursors among the solid columns, spanning their line (a dense glyph at a small size can be solid too): a
// cell-shaped block, filled; or two thin ones a cell apart joined by ink
// along the top and bottom rows, outlined and empty inside (returned as its four sides).
std::vector<QRect> cursorsInColumns(const std::vector<Column>& columns, const std::vector<uint8_t>& ink,
                                    int width, const std::vector<Mark>& marks) {
    std::vector<QRect> cursors;
    for (const Column& column : columns) {
        if (isCellShaped(column.box())) {
            if (spansItsLine(column.box(), marks))
                cursors.push_back(column.box());
            continue;
        }
        if (column.right - column.left > 2)
            continue;
        for (const Column& other : columns) {
            if (other.left <= column.right || other.right - other.left > 2 ||
                std::abs(other.top - column.top) > 1 || std::abs(other.bottom - column.bottom) > 1)
                continue;
            const QRect box(QPoint(column.left, std::min(column.top, other.top)),
                            QPoint(other.right, std::max(column.bottom, other.bottom)));
            if (!isCellShaped(box) || !spansItsLine(box, marks) ||
                !rowIsInk(ink, width, box.top(), box.left(), box.right()) ||
                !rowIsInk(ink, width, box.bottom(), box.left(), box.right()))
                continue;
            const int thickness = std::max(column.right - column.left, other.right - other.left) + 1;
            // Empty inside, unlike a Han character drawn as a box with strokes across ("日", "目").
            if (!isEmpty(ink, width, box.adjusted(thickness, thickness, -thickness, -thickness)))
                continue;
            cursors.push_back(QRect(box.left(), box.top(), box.width(), thickness));
            cursors.push_back(QRect(box.left(), box.bottom() - thickness + 1, box.width(), thickness));
            cursors.push_back(QRect(column.left, box.top(), thickness, box.height()));
            cursors.push_back(QRect(other.right - thickness + 1, box.top(), thickness, box.height()));
        }
    }
    return cursors;
}
} // namespace

QImage eraseTextCursors(const QImage& image) {
    QImage grey = opaqueGrey(image);
    const int width = grey.width(), height = grey.height();
    if (width == 0 || height == 0)
        return grey;
    const int background = commonestGreyLevel(grey);
    const std::vector<uint8_t> ink = inkMask(grey, background, kInkContrast);
    std::vector<QRect> cursors, frames, blocks;
    const std::vector<Mark> marks = findInkMarks(ink, width, height);
    for (const Mark& mark : marks) {
        if (isCellShaped(mark.box) && (isSolid(mark) || isOutline(mark, ink, width)) &&
            !isInsideAGlyph(mark.box, marks)) {
            cursors.push_back(mark.box);
        } else if (const std::optional<CursorOnACharacter> cursor =
                       cursorOnACharacter(mark, ink, width, marks)) {
            const QRect& cell = cursor->cell;
            const int t = cursor->thickness;
            if (!cursor->hollow) {
                blocks.push_back(cell);
                continue;
            }
            // Only the frame goes, its own pixels and no fringe: the character inside may touch it.
            frames.push_back(QRect(cell.left(), cell.top(), cell.width(), t));
            frames.push_back(QRect(cell.left(), cell.bottom() - t + 1, cell.width(), t));
            frames.push_back(QRect(cell.left(), cell.top(), t, cell.height()));
            frames.push_back(QRect(cell.right() - t + 1, cell.top(), t, cell.height()));
        }
    }
    // A block on a character is turned as a whole: its columns beside the character are no cursors of their
    // own (erased first, they would come out of the turn as strokes).
    const auto inABlock = [&](const QRect& area) {
        return std::any_of(blocks.begin(), blocks.end(),
                           [&](const QRect& block) { return block.intersects(area); });
    };
    std::vector<Column> columns = outsideHighlightBars(solidColumns(ink, width, height), grey, ink);
    std::erase_if(columns, [&](const Column& column) { return inABlock(column.box()); });
    const std::vector<QRect> touching = cursorsInColumns(columns, ink, width, marks);
    cursors.insert(cursors.end(), touching.begin(), touching.end());
    for (QRect& cursor : cursors) {
        // One pixel around as well: the anti-aliased fringe would otherwise stay as a faint frame.
        cursor.adjust(-1, -1, 1, 1);
    }
    cursors.insert(cursors.end(), frames.begin(), frames.end());
    // A caret drawn next to a glyph may touch its anti-aliased edge; in full-contrast ink it stands alone.
    const std::vector<uint8_t> strongInk = inkMask(grey, background, kCaretContrast);
    for (const Mark& mark : findInkMarks(strongInk, width, height)) {
        if (!inABlock(mark.box) && isBarCaret(mark, marks, ink, width))
            cursors.push_back(barCaretArea(mark.box, ink, width));
    }
    // A caret drawn right against a glyph's stroke is one mark with it; its column still stands out.
    for (const Column& column : columns) {
        if (isTouchingBarCaret(column, ink, strongInk, width, marks))
            cursors.push_back(barCaretArea(column.box(), ink, width));
    }
    for (const QRect& cursor : cursors) {
        const QRect area = cursor & grey.rect();
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::fill_n(grey.scanLine(y) + area.left(), area.width(), uchar(background));
    }
    for (const QRect& block : blocks)
        turnCell(grey, block, background);
    return grey;
}

} // namespace tolvane

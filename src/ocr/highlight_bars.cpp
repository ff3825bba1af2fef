#include "ocr/highlight_bars.h"

#include "ocr/ink_marks.h"
#include "ocr/recognition_policy.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace tolvane {

namespace {
// A bar is at least this many pixels high (a line of small text), this many times as wide as high, and this
// share of its box is filled.
constexpr int kMinimumBarHeight = 8;
constexpr int kBarAspect = 2;
constexpr double kBarFill = 0.6;
// Each row of a bar is at least this share ink, the holes of its text counting as none.
constexpr double kBarRowFill = 0.5;
// A region dragged through a window's frame holds a few pixels of it along the picture's sides and bottom,
// which join a bar to whatever else touches the frame; ink this close to those edges is left out of the
// marks.
constexpr int kFrameMargin = 4;
// The share of its top or of its bottom row a bar's ink fills at least, rounded corners and a glyph touching
// the edge left out (the other one may be cut text).
constexpr double kBarEdgeFill = 0.9;
// A bar's outermost pixels, where a focus frame is drawn along its edge and no text reaches, take the
// background's level whatever they show.
constexpr int kBarEdge = 2;
// A column at a bar's side differing from its shade along at least this share of its height is a frame.
constexpr double kFrameColumnShare = 0.8;
// Rows of one band differ in their commonest grey level by at most this.
constexpr int kShadeTolerance = 12;
// A word selected on its own (two letters, one Han character) makes a bar about as wide as high: one this
// many times as wide as high is a bar when it holds text, which a block cursor does not, and stands this much
// taller than the glyphs beside it on its line, as a selection spans the line's height while a dense glyph
// ("國", "圖") is no taller than its neighbours.
constexpr double kWordBarAspect = 0.75;
constexpr double kWordBarOverGlyphs = 1.15;
// A block cursor is at least this many times as wide as high.
constexpr double kBlockCursorAspect = 0.3;
// A band the picture's edge cuts still holds a whole line when at least this many of its glyphs keep clear of
// that edge, each at least this share of the tallest glyph's height (no dot or comma).
constexpr int kWholeGlyphs = 2;
constexpr double kWholeGlyphHeight = 0.5;
// Or when at least this share of those glyphs, the edge cutting them or not, keep a small line's height.
constexpr double kBodyShare = 0.5;

// The box of the ink within `area`.
QRect inkExtent(const std::vector<uint8_t>& ink, int width, const QRect& area) {
    int left = area.right() + 1, right = area.left() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uint8_t* row = ink.data() + size_t(y) * size_t(width);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (row[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return QRect(QPoint(left, area.top()), QPoint(right, area.bottom()));
}

int inkIn(const std::vector<uint8_t>& ink, int width, const QRect& box) {
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const uint8_t* row = ink.data() + size_t(y) * size_t(width);
        count += int(std::count(row + box.left(), row + box.right() + 1, uint8_t(1)));
    }
    return count;
}

// The bar's pixels in one row: from the first ink pixel of the row within the bar's box to the last (its
// text's holes included, a rounded corner's outside not).
struct RowSpan {
    int left = 0, right = -1;
};

// The spans reach no further out than the bar's columns run on from inside the frame margins: a column
// without ink in any of the bar's rows is the background between the bar and a window frame along the
// picture's side, which is no part of it. A glyph near the bar's end leaves ink in its column above or below
// it, so its strokes stay inside the span.
std::vector<RowSpan> rowSpans(const std::vector<uint8_t>& ink, int width, const QRect& bar) {
    const auto columnHasInk = [&](int x) {
        for (int y = bar.top(); y <= bar.bottom(); ++y)
            if (ink[size_t(y) * size_t(width) + size_t(x)])
                return true;
        return false;
    };
    int left = std::clamp(kFrameMargin, bar.left(), bar.right());
    int right = std::clamp(width - 1 - kFrameMargin, bar.left(), bar.right());
    while (left > bar.left() && columnHasInk(left - 1))
        --left;
    while (right < bar.right() && columnHasInk(right + 1))
        ++right;
    std::vector<RowSpan> spans;
    for (int y = bar.top(); y <= bar.bottom(); ++y) {
        const uint8_t* row = ink.data() + size_t(y) * size_t(width);
        RowSpan span;
        for (int x = left; x <= right; ++x) {
            if (row[x]) {
                span.left = span.right < span.left ? x : span.left;
                span.right = x;
            }
        }
        spans.push_back(span);
    }
    return spans;
}

// The share of the box's width that is ink in row `y`.
double inkShare(const std::vector<uint8_t>& ink, int width, const QRect& box, int y) {
    const uint8_t* row = ink.data() + size_t(y) * size_t(width);
    return double(std::count(row + box.left(), row + box.right() + 1, uint8_t(1))) / double(box.width());
}

// A bar's rows from `top` to `bottom` and their pixels, drawn in one shade.
struct Band {
    int top = 0, bottom = 0;
    // The bar's row spans, from its top row `barTop`.
    int barTop = 0;
    const std::vector<RowSpan>* spans = nullptr;
    const RowSpan& span(int y) const { return (*spans)[size_t(y - barTop)]; }
};

std::array<int, 256> histogramOf(const QImage& grey, const Band& band) {
    std::array<int, 256> histogram{};
    for (int y = band.top; y <= band.bottom; ++y) {
        const RowSpan& span = band.span(y);
        const uchar* line = grey.constScanLine(y);
        for (int x = span.left; x <= span.right; ++x)
            ++histogram[line[x]];
    }
    return histogram;
}

int commonest(const std::array<int, 256>& histogram) {
    return int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

// The rows split where their shade changes: a bar joined to another of a different shade (a selected row
// right under a window's title bar, in a region dragged through it) is two bands. A row's shade is the
// commonest level of its ink (`ink`, the page's other polarity), not of its text: the feet of a selected
// word's letters can take most of a row. A row stays in the band above it while a quarter of its ink still
// shows the band's shade: across a short word's bar, the row of a stroke's anti-aliased edge (the bar of a
// "t") can show a level between more often than the bar's own, and a band ending there would lose the
// strokes along its edge.
std::vector<Band> bandsOfOneShade(const QImage& grey, const std::vector<uint8_t>& ink, const Band& rows) {
    const int width = grey.width();
    std::vector<Band> bands;
    int bandShade = -1;
    for (int y = rows.top; y <= rows.bottom; ++y) {
        const RowSpan& span = rows.span(y);
        const uchar* line = grey.constScanLine(y);
        const uint8_t* inkRow = ink.data() + size_t(y) * size_t(width);
        std::array<int, 256> histogram{};
        int inkPixels = 0;
        for (int x = span.left; x <= span.right; ++x) {
            histogram[line[x]] += inkRow[x];
            inkPixels += inkRow[x];
        }
        if (bandShade >= 0) {
            int ofBandShade = 0;
            for (int value = std::max(bandShade - kShadeTolerance, 0);
                 value <= std::min(bandShade + kShadeTolerance, 255); ++value)
                ofBandShade += histogram[size_t(value)];
            if (4 * ofBandShade >= inkPixels) {
                bands.back().bottom = y;
                continue;
            }
        }
        const bool inked = inkPixels > 0;
        const int shade =
            inked ? commonest(histogram) : commonest(histogramOf(grey, Band{y, y, rows.barTop, rows.spans}));
        if (bandShade < 0 || std::abs(shade - bandShade) > kShadeTolerance) {
            bands.push_back(Band{y, y, rows.barTop, rows.spans});
            bandShade = shade;
        }
        bands.back().bottom = y;
    }
    return bands;
}

// Whether row `y` of the band holds a mark of another shade than the band's `shade`: text.
bool hasText(const QImage& grey, const Band& band, int shade, int y) {
    const RowSpan& span = band.span(y);
    const uchar* line = grey.constScanLine(y);
    return std::any_of(line + span.left, line + span.right + 1,
                       [&](uchar value) { return std::abs(int(value) - shade) > kInkContrast; });
}

bool holdsText(const QImage& grey, const Band& band) {
    const int shade = commonest(histogramOf(grey, band));
    for (int y = band.top; y <= band.bottom; ++y)
        if (hasText(grey, band, shade, y))
            return true;
    return false;
}

// Whether the band's text holds a whole line although the picture's edge row `edge` cuts it: glyphs keep
// clear of that row (the lower-case letters of a selected line whose tall letters the region's edge cuts),
// where of a title bar's rest only the cut ends of its glyphs are left.
bool holdsWholeLine(const QImage& grey, const Band& band, int edge) {
    const int shade = commonest(histogramOf(grey, band));
    const int width = grey.width(), height = band.bottom - band.top + 1;
    std::vector<uint8_t> text(size_t(width) * size_t(height), 0);
    for (int y = band.top; y <= band.bottom; ++y) {
        const RowSpan& span = band.span(y);
        const uchar* line = grey.constScanLine(y);
        uint8_t* row = text.data() + size_t(y - band.top) * size_t(width);
        for (int x = span.left; x <= span.right; ++x)
            row[x] = std::abs(int(line[x]) - shade) > kInkContrast;
    }
    const std::vector<InkMark> glyphs = findInkMarks(text, width, height);
    int tallest = 0;
    for (const InkMark& glyph : glyphs)
        tallest = std::max(tallest, glyph.box.height());
    const int edgeRow = edge - band.top;
    const auto sizable = [&](const InkMark& glyph) {
        return glyph.box.height() >= kWholeGlyphHeight * tallest;
    };
    const auto whole = std::count_if(glyphs.begin(), glyphs.end(), [&](const InkMark& glyph) {
        return glyph.box.top() != edgeRow && glyph.box.bottom() != edgeRow && sizable(glyph);
    });
    if (whole >= kWholeGlyphs)
        return true;
    // A line cut through its glyphs' tops or feet (a third of a terminal row) still holds their bodies, a
    // small line's height at least; of a title bar's rest only the stubs of its glyphs are left, a tall one
    // or two (a descender, a tail) among them.
    const auto sizableCount = std::count_if(glyphs.begin(), glyphs.end(), sizable);
    const auto bodies = std::count_if(glyphs.begin(), glyphs.end(), [&](const InkMark& glyph) {
        return sizable(glyph) && glyph.box.height() >= kMinimumBarHeight;
    });
    return bodies > kWholeGlyphs && bodies >= kBodyShare * double(sizableCount);
}

// The bar's rows without the rest of a title bar the picture's top or bottom edge cuts through its text (a
// region dragged through it): the band of one shade holding the cut text and the bands after it without text.
// Those rows stay as they are; empty when nothing is left. A band whose text the edge cuts but which holds a
// whole line (a selected line the region was dragged tight over) is kept.
Band withoutCutText(const QImage& grey, const std::vector<uint8_t>& ink, const Band& bar) {
    std::vector<Band> bands = bandsOfOneShade(grey, ink, bar);
    const auto cutAt = [&](const Band& band, int y) {
        return hasText(grey, band, commonest(histogramOf(grey, band)), y) && !holdsWholeLine(grey, band, y);
    };
    size_t first = 0, last = bands.size();
    if (bar.top == 0 && cutAt(bands.front(), 0)) {
        first = 1;
        while (first < last && !holdsText(grey, bands[first]))
            ++first;
    }
    if (first < last && bar.bottom == grey.height() - 1 && cutAt(bands[last - 1], bar.bottom)) {
        --last;
        while (last > first && !holdsText(grey, bands[last - 1]))
            --last;
    }
    if (first >= last)
        return Band{bar.top, bar.top - 1, bar.barTop, bar.spans};
    return Band{bands[first].top, bands[last - 1].bottom, bar.barTop, bar.spans};
}

// Maps the band's grey levels by their distance from its own shade: the band becomes the background, the
// furthest of its text the page's text level `text`, and the antialiased edges of its glyphs the levels
// between, as the page's glyphs have them (the far end of the scale would widen the strokes the engine sees);
// its edge becomes background, but for where the picture's edge cuts through it, where no frame is drawn and
// the cut glyphs reach.
void turnBand(QImage& grey, const Band& band, int background, int text) {
    const std::array<int, 256> histogram = histogramOf(grey, band);
    const int level = commonest(histogram);
    int furthest = 0;
    for (int value = 0; value < 256; ++value)
        if (histogram[size_t(value)] > 0)
            furthest = std::max(furthest, std::abs(value - level));
    const double scale = furthest > 0 ? double(text - background) / furthest : 0.0;
    std::array<uchar, 256> mapped{};
    for (int value = 0; value < 256; ++value)
        mapped[size_t(value)] =
            uchar(std::clamp<long>(std::lround(background + std::abs(value - level) * scale), 0, 255));
    // A column at the band's side is a focus frame's when it differs from the band's shade along most of
    // the band's height; a glyph reaching the side of a bar tight over its word (a terminal's cells) leaves
    // only its strokes there, which stay.
    std::array<int, kBarEdge> leftFrame{}, rightFrame{};
    for (int y = band.top; y <= band.bottom; ++y) {
        const RowSpan& span = band.span(y);
        const uchar* line = grey.constScanLine(y);
        for (int offset = 0; offset < kBarEdge && offset <= span.right - span.left; ++offset) {
            leftFrame[size_t(offset)] += std::abs(int(line[span.left + offset]) - level) > kInkContrast;
            rightFrame[size_t(offset)] += std::abs(int(line[span.right - offset]) - level) > kInkContrast;
        }
    }
    const int frameRows = int(std::ceil(kFrameColumnShare * (band.bottom - band.top + 1)));
    for (int y = band.top; y <= band.bottom; ++y) {
        const RowSpan& span = band.span(y);
        uchar* line = grey.scanLine(y);
        const bool edgeRow = (y < band.top + kBarEdge && band.top > 0) ||
                             (y > band.bottom - kBarEdge && band.bottom < grey.height() - 1);
        for (int x = span.left; x <= span.right; ++x) {
            const bool edge = edgeRow ||
                              (x < span.left + kBarEdge && leftFrame[size_t(x - span.left)] >= frameRows) ||
                              (x > span.right - kBarEdge && rightFrame[size_t(span.right - x)] >= frameRows);
            line[x] = edge ? uchar(background) : mapped[line[x]];
        }
    }
}

// The commonest level of the page's text, its ink outside the bars and the frame margins (the cores of its
// strokes); the far end of the scale from the background when the page shows no text of its own.
int pageTextLevel(const QImage& grey, const std::vector<uint8_t>& ink, const std::vector<QRect>& bars,
                  int background) {
    const int width = grey.width(), height = grey.height();
    std::array<int, 256> histogram{};
    for (int y = 0; y < height - kFrameMargin; ++y) {
        const uchar* line = grey.constScanLine(y);
        const uint8_t* inkRow = ink.data() + size_t(y) * size_t(width);
        for (int x = kFrameMargin; x < width - kFrameMargin; ++x) {
            if (inkRow[x] && (line[x] < background) == (background > 127) &&
                std::none_of(bars.begin(), bars.end(), [&](const QRect& bar) { return bar.contains(x, y); }))
                ++histogram[line[x]];
        }
    }
    if (std::all_of(histogram.begin(), histogram.end(), [](int count) { return count == 0; }))
        return background > 127 ? 0 : 255;
    return commonest(histogram);
}

// Whether the mark holds a terminal's block cursor (alone, or joined to the glyph before it): neighbouring
// columns each ink from the mark's top to its bottom, together as wide as a narrow character cell, which no
// glyph's strokes are.
bool holdsABlockCursor(const std::vector<uint8_t>& ink, int width, const QRect& box) {
    int run = 0;
    for (int x = box.left(); x <= box.right(); ++x) {
        bool full = true;
        for (int y = box.top(); full && y <= box.bottom(); ++y)
            full = ink[size_t(y) * size_t(width) + size_t(x)] != 0;
        run = full ? run + 1 : 0;
        if (run >= kBlockCursorAspect * box.height())
            return true;
    }
    return false;
}

// Whether the box stands taller than every mark beside it on its line (within a few of its heights, mostly
// within its rows), with at least one such mark. A terminal's block cursor a few cells after the word spans
// the line as its bar does; it is no glyph and is passed over.
bool tallerThanItsNeighbours(const QRect& box, const std::vector<InkMark>& marks,
                             const std::vector<uint8_t>& ink, int width) {
    const int reach = 3 * box.height();
    int neighbours = 0;
    for (const InkMark& mark : marks) {
        const QRect& other = mark.box;
        if (other.intersects(box) || other.right() < box.left() - reach ||
            other.left() > box.right() + reach || holdsABlockCursor(ink, width, other))
            continue;
        const int overlap = std::min(other.bottom(), box.bottom()) - std::max(other.top(), box.top()) + 1;
        if (overlap * 2 < other.height())
            continue;
        if (other.height() * kWordBarOverGlyphs > box.height())
            return false;
        ++neighbours;
    }
    return neighbours > 0;
}
} // namespace

std::vector<QRect> findHighlightBars(const QImage& grey, const std::vector<uint8_t>& ink) {
    const int width = grey.width(), height = grey.height();
    std::vector<uint8_t> inside = ink;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = inside.data() + size_t(y) * size_t(width);
        if (y >= height - kFrameMargin) {
            std::fill_n(row, width, uint8_t(0));
            continue;
        }
        std::fill_n(row, std::min(kFrameMargin, width), uint8_t(0));
        std::fill(row + std::max(width - kFrameMargin, 0), row + width, uint8_t(0));
    }
    std::vector<QRect> bars, wordBars;
    const std::vector<InkMark> marks = findInkMarks(inside, width, height);
    const auto longestRun = [&](const QRect& box, int y) { return longestInkRun(ink, width, box, y); };
    const auto consider = [&](QRect box) {
        // A bar reaching the margin reaches on to the picture's edge.
        box.setLeft(box.left() == kFrameMargin ? 0 : box.left());
        box.setRight(box.right() == width - 1 - kFrameMargin ? width - 1 : box.right());
        box.setBottom(box.bottom() == height - 1 - kFrameMargin ? height - 1 : box.bottom());
        // A glyph joined to the bar beside it (the character right after a selection, in a terminal whose
        // cells leave no gap between them) widens the box but not the bar's top or bottom edge: the box is
        // then the longer of the runs of ink along those edges, when that is as wide as a word's bar.
        if (std::max(inkShare(ink, width, box, box.top()), inkShare(ink, width, box, box.bottom())) <
            kBarEdgeFill) {
            const std::pair<int, int> top = longestRun(box, box.top()),
                                      bottom = longestRun(box, box.bottom());
            const std::pair<int, int>& edge =
                top.second - top.first >= bottom.second - bottom.first ? top : bottom;
            if (edge.second - edge.first + 1 >= kWordBarAspect * box.height()) {
                box.setLeft(edge.first);
                box.setRight(edge.second);
            }
        }
        if (box.height() >= kMinimumBarHeight && box.width() >= kWordBarAspect * box.height() &&
            inkIn(ink, width, box) >= kBarFill * double(box.width()) * double(box.height()) &&
            std::max(inkShare(ink, width, box, box.top()), inkShare(ink, width, box, box.bottom())) >=
                kBarEdgeFill) {
            const std::vector<RowSpan> spans = rowSpans(ink, width, box);
            const Band whole{box.top(), box.bottom(), box.top(), &spans};
            if (box.width() < kBarAspect * box.height() &&
                (!holdsText(grey, whole) || !tallerThanItsNeighbours(box, marks, inside, width)))
                return;
            const Band kept = withoutCutText(grey, ink, whole);
            if (kept.bottom - kept.top + 1 >= kMinimumBarHeight)
                (box.width() < kBarAspect * box.height() ? wordBars : bars)
                    .push_back(QRect(box.left(), kept.top, box.width(), kept.bottom - kept.top + 1));
        }
    };
    // Whether row `y` has ink near both of `extent`'s sides: within a quarter of its height, as a glyph's
    // stroke at the bar's end leaves the bar's ink beyond it.
    const auto reachesBothSides = [&](const QRect& extent, int y) {
        const uint8_t* row = inside.data() + size_t(y) * size_t(width);
        const int reach = std::max(kBarEdge, extent.height() / 4);
        const auto inkNear = [&](int from, int to) {
            return std::any_of(row + from, row + to + 1, [](uint8_t v) { return v != 0; });
        };
        return inkNear(extent.left(), std::min(extent.left() + reach, extent.right())) &&
               inkNear(std::max(extent.right() - reach, extent.left()), extent.right());
    };
    for (const InkMark& mark : marks) {
        // The runs of rows mostly of ink: a cursor or a frame joined to a bar below or beside it is no part
        // of it.
        const QRect& box = mark.box;
        std::vector<QRect> runs;
        int runTop = -1;
        for (int y = box.top(); y <= box.bottom() + 1; ++y) {
            const bool full = y <= box.bottom() && inkShare(inside, width, box, y) >= kBarRowFill;
            if (full && runTop < 0)
                runTop = y;
            if (!full && runTop >= 0) {
                const QRect run =
                    inkExtent(inside, width, QRect(box.left(), runTop, box.width(), y - runTop));
                // Rows where the feet of a word's letters or a Han character's strokes take most of the bar's
                // width still have the bar's ink at both its sides, which a cursor or a frame below it has
                // not: the runs they part are one bar, when they make one as wide as a word's bar (a word of
                // two to four letters selected on its own is hardly wider than high, and its letters part it
                // at their tops; a dense glyph whose strokes make such runs is still no word's bar, standing
                // no taller than its neighbours). A run deeper than a stroke within one a bar's height, from
                // one of its sides across most of it, is the bar's own edge above or below the glyphs' tops
                // or feet (a terminal's bar tight over Han characters, the next character touching it
                // widening the other run).
                const auto sameSides = [](const QRect& one, const QRect& other) {
                    const QRect& shorter = one.height() < other.height() ? one : other;
                    const QRect& longer = one.height() < other.height() ? other : one;
                    return shorter.left() >= longer.left() - kBarEdge &&
                           shorter.right() <= longer.right() + kBarEdge &&
                           (std::abs(shorter.left() - longer.left()) <= kBarEdge ||
                            std::abs(shorter.right() - longer.right()) <= kBarEdge) &&
                           2 * shorter.width() >= longer.width() && shorter.height() > kBarEdge &&
                           longer.height() >= kMinimumBarHeight;
                };
                bool joined =
                    !runs.empty() &&
                    ((runs.back().height() >= kMinimumBarHeight / 2 &&
                      run.height() >= kMinimumBarHeight / 2) ||
                     sameSides(runs.back(), run)) &&
                    runs.back().united(run).width() >= kWordBarAspect * runs.back().united(run).height();
                for (int between = runs.empty() ? 0 : runs.back().bottom() + 1; joined && between < runTop;
                     ++between)
                    joined = reachesBothSides(runs.back(), between);
                if (joined)
                    runs.back() = runs.back().united(run);
                else
                    runs.push_back(run);
                runTop = -1;
            }
        }
        for (const QRect& run : runs)
            consider(run);
    }
    // The inside of a box-shaped glyph ("图", "回") on a selected line or word is a mark of the bar's
    // polarity of its own, about as wide as high and holding the glyph's inner strokes: it is part of the bar
    // around it, not a word selected on its own, and turning it as well would turn those strokes back.
    const auto inAnother = [](const QRect& word, const std::vector<QRect>& others) {
        return std::any_of(others.begin(), others.end(), [&](const QRect& other) {
            return other != word && other.intersects(word) && other.width() > word.width();
        });
    };
    std::vector<QRect> words;
    std::copy_if(wordBars.begin(), wordBars.end(), std::back_inserter(words),
                 [&](const QRect& word) { return !inAnother(word, bars) && !inAnother(word, wordBars); });
    bars.insert(bars.end(), words.begin(), words.end());
    return bars;
}

QImage withHighlightBarsInPagePolarity(const QImage& image) {
    QImage grey = opaqueGrey(image);
    const int width = grey.width(), height = grey.height();
    if (width == 0 || height == 0)
        return grey;
    const int background = commonestGreyLevel(grey);
    const std::vector<uint8_t> ink = inkMask(grey, background, kInkContrast);
    const std::vector<QRect> bars = findHighlightBars(grey, ink);
    const int text = pageTextLevel(grey, ink, bars, background);
    for (const QRect& bar : bars) {
        const std::vector<RowSpan> spans = rowSpans(ink, width, bar);
        for (const Band& band : bandsOfOneShade(grey, ink, Band{bar.top(), bar.bottom(), bar.top(), &spans}))
            turnBand(grey, band, background, text);
    }
    return grey;
}

} // namespace tolvane

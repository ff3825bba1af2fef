#pragma once

#include "model/history_entry.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <array>

class QPainter;
class QWidget;

namespace tolvane {

// The four row buttons, in their order.
enum class HistoryRowAction { reuse, copySource, copyResult, remove };

struct HistoryRowButton {
    HistoryRowAction action;
    const char* symbol;
    QString helpText;
};
const std::array<HistoryRowButton, 4>& historyRowButtons();
// The delete button's accessible name for an entry.
QString historyDeleteAccessibleName(const HistoryEntry& entry);

// The desktop look of a row: the application font at caption and body sizes, the palette's text colour and
// its secondary form (text at 55 % opacity).
struct HistoryRowStyle {
    QFont caption;
    QFont body;
    QColor primary;
    QColor secondary;
    QColor highlight;

    static HistoryRowStyle of(const QWidget& widget);
    // Marks the row in `rect`: a tinted ground for the selected row, a ring for the one with the focus.
    void paintHighlight(QPainter& painter, const QRect& rect, bool selected, bool focused) const;
};

// A text laid out in at most so many lines, and where each shown line starts in the stored text.
struct WrappedText {
    // The shown lines joined by "\n"; when text was cut, the last one ends in "…".
    QString shown;
    QList<int> storedStarts;
    bool cut = false;

    // The part of `stored` (the text that was laid out) behind shown[start, start + length): the wraps
    // add no line breaks, and a selection that reaches the "…" runs to the end of the stored text.
    QString storedPart(const QString& stored, int start, int length) const;

private:
    int storedPosition(const QString& stored, int shownPosition) const;
};

// Where everything of one history row goes, relative to the row's top-left corner, at a given width: the
// header (date, time, provider, four buttons), the source cut at three lines and the result at four, the
// last kept line ending in "…" when text was cut.
struct HistoryRowLayout {
    static constexpr int padding = 6;
    static constexpr int spacing = 8;
    static constexpr int inset = 12;
    static constexpr int headerSpacing = 8;
    static constexpr int buttonSize = 22;
    static constexpr int buttonSpacing = 2;
    static constexpr int iconSize = 14;
    static constexpr int sourceLines = 3;
    static constexpr int resultLines = 4;

    int height = 0;
    QString dateText;
    QString timeText;
    QString providerText;
    QRect date;
    QRect time;
    QRect provider;
    std::array<QRect, 4> buttons;
    // The shown lines joined by line breaks.
    QString sourceText;
    QString resultText;
    WrappedText sourceWrap;
    WrappedText resultWrap;
    QRect source;
    QRect result;

    static HistoryRowLayout compute(const HistoryEntry& entry, int width, const HistoryRowStyle& style);
    // The button under `point`, -1 for none.
    int buttonAt(QPoint point) const;
};

// `text` wrapped at `width` in `font`, at most `maxLines` lines joined by "\n"; when text is left over, the
// last line ends in "…".
WrappedText wrapToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace tolvane

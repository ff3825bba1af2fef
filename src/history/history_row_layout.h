#pragma once

#include "model/history_entry.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>

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

    static HistoryRowStyle of(const QWidget& widget);
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
    QRect source;
    QRect result;

    static HistoryRowLayout compute(const HistoryEntry& entry, int width, const HistoryRowStyle& style);
    // The button under `point`, -1 for none.
    int buttonAt(QPoint point) const;
};

// `text` wrapped at `width` in `font`, at most `maxLines` lines joined by "\n"; when text is left over, the
// last line ends in "…".
QString wrapToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace tolvane

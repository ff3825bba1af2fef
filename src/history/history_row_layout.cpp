#include "history/history_row_layout.h"

#include "history/history_list_model.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QWidget>

namespace tolvane {

namespace {

const QChar ellipsis(0x2026);

QFont applicationFontAt(int pixelSize) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

const std::array<HistoryRowButton, 4>& historyRowButtons() {
    static const std::array<HistoryRowButton, 4> buttons{{
        {HistoryRowAction::reuse, "arrow.triangle.2.circlepath", QStringLiteral("再次翻译")},
        {HistoryRowAction::copySource, "doc", QStringLiteral("复制原文")},
        {HistoryRowAction::copyResult, "doc.on.doc", QStringLiteral("复制译文")},
        {HistoryRowAction::remove, "trash", QStringLiteral("删除此历史记录")},
    }};
    return buttons;
}

QString historyDeleteAccessibleName(const HistoryEntry& entry) {
    return QStringLiteral("删除历史记录：") + entry.sourceText;
}

HistoryRowStyle HistoryRowStyle::of(const QWidget& widget) {
    HistoryRowStyle style;
    style.caption = applicationFontAt(10);
    style.body = applicationFontAt(13);
    style.primary = widget.palette().color(QPalette::WindowText);
    style.secondary = style.primary;
    style.secondary.setAlphaF(0.55f);
    style.highlight = widget.palette().color(QPalette::Highlight);
    return style;
}

void HistoryRowStyle::paintHighlight(QPainter& painter, const QRect& rect, bool selected,
                                     bool focused) const {
    if (!selected && !focused)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ground = highlight;
    ground.setAlphaF(selected ? 0.22f : 0.0f);
    painter.setBrush(ground);
    painter.setPen(focused ? QPen(highlight, 1.5) : Qt::NoPen);
    painter.drawRoundedRect(QRectF(rect).adjusted(2, 2, -2, -2), 6, 6);
    painter.restore();
}

int WrappedText::storedPosition(const QString& stored, int shownPosition) const {
    int lineStart = 0;
    for (int i = 0; i < storedStarts.size(); ++i) {
        const qsizetype lineEnd = shown.indexOf(QLatin1Char('\n'), lineStart);
        const bool last = lineEnd < 0;
        const int length = int(last ? shown.size() : lineEnd) - lineStart;
        if (last || shownPosition <= lineStart + length) {
            const int offset = std::clamp(shownPosition - lineStart, 0, length);
            if (cut && last && offset >= length - 1)
                return int(stored.size());
            return std::min(storedStarts.at(i) + offset, int(stored.size()));
        }
        lineStart += length + 1;
    }
    return 0;
}

QString WrappedText::storedPart(const QString& stored, int start, int length) const {
    const int from = storedPosition(stored, start);
    return stored.mid(from, std::max(0, storedPosition(stored, start + length) - from));
}

WrappedText wrapToLines(const QString& text, const QFont& font, int width, int maxLines) {
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    WrappedText wrapped;
    bool cut = false;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines) {
            cut = true;
            break;
        }
        QString part = shown.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back() == QChar::LineSeparator || part.back().isSpace()))
            part.chop(1);
        lines.append(part);
        wrapped.storedStarts.append(line.textStart());
    }
    layout.endLayout();
    if (cut && !lines.isEmpty()) {
        const QFontMetrics metrics(font);
        QString last =
            metrics.elidedText(lines.back(), Qt::ElideRight, width - metrics.horizontalAdvance(ellipsis));
        if (!last.endsWith(ellipsis))
            last += ellipsis;
        lines.back() = last;
    }
    wrapped.shown = lines.join(QLatin1Char('\n'));
    wrapped.cut = cut && !lines.isEmpty();
    return wrapped;
}

namespace {

// The box drawText() fills with `text` from the top-left corner (fallback fonts' line heights included).
QSize textSize(const QFontMetrics& metrics, const QString& text, int width = 100000) {
    return metrics.boundingRect(QRect(0, 0, width, 100000), Qt::AlignLeft | Qt::AlignTop, text).size();
}

} // namespace

HistoryRowLayout HistoryRowLayout::compute(const HistoryEntry& entry, int width,
                                           const HistoryRowStyle& style) {
    HistoryRowLayout row;
    const int contentWidth = std::max(1, width - 2 * inset);
    const QFontMetrics caption(style.caption);
    row.dateText = HistoryListModel::dateText(entry);
    row.timeText = HistoryListModel::timeText(entry);

    const int buttonsWidth =
        int(row.buttons.size()) * buttonSize + int(row.buttons.size() - 1) * buttonSpacing;
    const QSize dateSize = textSize(caption, row.dateText);
    const QSize timeSize = textSize(caption, row.timeText);
    const int providerRoom = std::max(0, width - 2 * inset - buttonsWidth - dateSize.width() -
                                             timeSize.width() - 3 * headerSpacing);
    row.providerText = caption.elidedText(entry.provider, Qt::ElideRight, providerRoom);
    const QSize providerSize = textSize(caption, row.providerText);
    const int headerHeight =
        std::max({buttonSize, dateSize.height(), timeSize.height(), providerSize.height()});
    const int top = padding;
    const auto centred = [&](int x, QSize size) {
        return QRect(QPoint(x, top + (headerHeight - size.height()) / 2), size);
    };
    row.date = centred(inset, dateSize);
    row.time = centred(row.date.right() + 1 + headerSpacing, timeSize);
    int x = width - inset - buttonsWidth;
    for (QRect& button : row.buttons) {
        button = QRect(x, top + (headerHeight - buttonSize) / 2, buttonSize, buttonSize);
        x += buttonSize + buttonSpacing;
    }
    row.provider = centred(row.buttons.front().left() - headerSpacing - providerSize.width(), providerSize);

    const QFontMetrics body(style.body);
    row.sourceWrap = wrapToLines(entry.sourceText, style.body, contentWidth, sourceLines);
    row.sourceText = row.sourceWrap.shown;
    row.source = QRect(QPoint(inset, top + headerHeight + spacing),
                       QSize(contentWidth, textSize(body, row.sourceText, contentWidth).height()));
    row.resultWrap = wrapToLines(entry.resultText, style.body, contentWidth, resultLines);
    row.resultText = row.resultWrap.shown;
    row.result = QRect(QPoint(inset, row.source.bottom() + 1 + spacing),
                       QSize(contentWidth, textSize(body, row.resultText, contentWidth).height()));
    row.height = row.result.bottom() + 1 + padding;
    return row;
}

int HistoryRowLayout::buttonAt(QPoint point) const {
    for (int i = 0; i < int(buttons.size()); ++i) {
        if (buttons[i].contains(point))
            return i;
    }
    return -1;
}

} // namespace tolvane

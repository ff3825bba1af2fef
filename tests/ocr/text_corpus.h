#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace tolvane::testing {

// Text rendered by Qt into an image, as it would appear on screen.
inline QImage renderText(const QStringList& lines, int pixelSize, bool dark, const QString& family,
                         int margin = 16) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::PreferAntialias);
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = int(metrics.lineSpacing() * 1.3);
    QImage image(width + 2 * margin, lineHeight * int(lines.size()) + 2 * margin, QImage::Format_RGB32);
    image.fill(dark ? QColor(30, 30, 32) : QColor(250, 250, 250));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(dark ? QColor(235, 235, 235) : QColor(20, 20, 20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + i * lineHeight + metrics.ascent(), lines[i]);
    return image;
}

// `lines` rendered as renderText() does, the first one highlighted: drawn on a bar of the other polarity
// across the picture, as a selected line or a header bar is shown.
inline QImage renderHighlightedText(const QStringList& lines, int pixelSize, bool dark, const QString& family,
                                    int margin = 16) {
    QImage image = renderText(lines, pixelSize, dark, family, margin);
    QFont font(family);
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const int lineHeight = int(metrics.lineSpacing() * 1.3);
    const int barTop = margin - (lineHeight - metrics.height()) / 2;
    QPainter painter(&image);
    painter.fillRect(0, barTop, image.width(), lineHeight, dark ? QColor(220, 220, 220) : QColor(40, 40, 46));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(dark ? QColor(20, 20, 20) : QColor(245, 245, 245));
    painter.drawText(margin, margin + metrics.ascent(), lines.front());
    return image;
}

// Levenshtein distance over UTF-16 units (all test texts are in the BMP).
inline int editDistance(const QString& a, const QString& b) {
    std::vector<int> previous(size_t(b.size()) + 1), current(size_t(b.size()) + 1);
    for (int j = 0; j <= b.size(); ++j)
        previous[size_t(j)] = j;
    for (int i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int substitution = previous[size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[size_t(j)] =
                std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

// White space runs become one space; a space next to a Han character goes, since whether "T 打开" or
// "T打开" is written is a typographic choice rather than a recognition error.
inline QString comparable(const QString& text) {
    static const QRegularExpression hanSpace(QStringLiteral("(?<=\\p{Han}) | (?=\\p{Han})"));
    return text.simplified().remove(hanSpace);
}

// Character error rate of `recognised` against `reference` (see comparable()).
inline double characterErrorRate(const QString& recognised, const QString& reference) {
    const QString a = comparable(recognised);
    const QString b = comparable(reference);
    return b.isEmpty() ? (a.isEmpty() ? 0.0 : 1.0) : double(editDistance(a, b)) / b.size();
}

} // namespace tolvane::testing

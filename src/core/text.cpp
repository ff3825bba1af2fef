#include "core/text.h"

#include <QHash>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace tolvane::text {

QString trimmed(const QString& text) {
    return text.trimmed();
}

namespace {

// Whether a UTF-16 unit is a character that always stands alone as one grapheme cluster: no combining
// mark, joiner, surrogate, Hangul jamo or other character that could join a neighbour. CR is left out
// because CR LF is one cluster.
bool standsAlone(char16_t unit) {
    return (unit >= 0x20 && unit < 0x7F) || unit == u'\n' || unit == u'\t' ||
           (unit >= 0xA0 && unit < 0x300) || (unit >= 0x3001 && unit < 0x302A) ||
           (unit >= 0x4E00 && unit < 0xA000) || (unit >= 0xFF01 && unit < 0xFF5F);
}

} // namespace

qsizetype graphemeCount(const QString& text) {
    if (text.isEmpty())
        return 0;
    // Most long texts are plain Latin or Han: counted without the boundary finder, which is far slower.
    if (std::all_of(text.utf16(), text.utf16() + text.size(), standsAlone))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString graphemePrefix(const QString& text, qsizetype count) {
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (qsizetype seen = 0; seen < count; ++seen) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        position = next;
    }
    return text.left(position);
}

bool canonicallyEqual(const QString& a, const QString& b) {
    return a == b || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

size_t canonicalHash(const QString& text, size_t seed) {
    return qHash(text.normalized(QString::NormalizationForm_C), seed);
}

} // namespace tolvane::text

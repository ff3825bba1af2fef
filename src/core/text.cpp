#include "core/text.h"

#include <QHash>
#include <QTextBoundaryFinder>

namespace tolvane::text {

QString trimmed(const QString& text) { return text.trimmed(); }

qsizetype graphemeCount(const QString& text) {
    if (text.isEmpty())
        return 0;
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

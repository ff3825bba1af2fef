#include "core/text.h"

#include <QHash>
#include <QStringDecoder>
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

QString fromUtf8Lenient(QByteArrayView bytes) {
    // Well-formed text, nearly always, takes Qt's fast decoder. Qt reads each byte of an ill-formed
    // sequence as a U+FFFD of its own, so a character cut in two would cost two or three.
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = strict.decode(bytes);
    if (!strict.hasError())
        return text;

    text.clear();
    text.reserve(bytes.size());
    const auto append = [&text](char32_t codePoint) {
        if (QChar::requiresSurrogates(codePoint)) {
            text.append(QChar(QChar::highSurrogate(codePoint)));
            text.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            text.append(QChar(char16_t(codePoint)));
        }
    };
    char32_t codePoint = 0;
    int needed = 0; // continuation bytes the current character still needs
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (needed == 0) {
            if (byte <= 0x7F) {
                text.append(QChar(char16_t(byte)));
            } else if (byte >= 0xC2 && byte <= 0xDF) {
                needed = 1;
                codePoint = byte & 0x1F;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                // No overlong forms below U+0800, no surrogates.
                lower = byte == 0xE0 ? 0xA0 : 0x80;
                upper = byte == 0xED ? 0x9F : 0xBF;
                needed = 2;
                codePoint = byte & 0x0F;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                // No overlong forms below U+10000, nothing above U+10FFFF.
                lower = byte == 0xF0 ? 0x90 : 0x80;
                upper = byte == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
                codePoint = byte & 0x07;
            } else {
                text.append(QChar::ReplacementCharacter);
            }
            continue;
        }
        if (byte < lower || byte > upper) {
            // The character was cut short: one U+FFFD for it, and this byte is read afresh.
            text.append(QChar::ReplacementCharacter);
            needed = 0;
            lower = 0x80;
            upper = 0xBF;
            --at;
            continue;
        }
        lower = 0x80;
        upper = 0xBF;
        codePoint = (codePoint << 6) | (byte & 0x3F);
        if (--needed == 0)
            append(codePoint);
    }
    if (needed > 0)
        text.append(QChar::ReplacementCharacter);
    return text;
}

} // namespace tolvane::text

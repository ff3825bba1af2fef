#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstddef>

namespace tolvane::text {

// Trims white space and newlines at both ends (Unicode white space, including U+0085, U+00A0, U+3000).
QString trimmed(const QString& text);

// User-perceived characters (extended grapheme clusters): a ZWJ family, a flag, e + U+0301 and CRLF count 1.
qsizetype graphemeCount(const QString& text);

// The first `count` user-perceived characters of `text` (all of it when it is shorter).
QString graphemePrefix(const QString& text, qsizetype count);

// Canonical equivalence: a precomposed "é" equals "e" + U+0301.
bool canonicallyEqual(const QString& a, const QString& b);

// A hash consistent with canonicallyEqual.
size_t canonicalHash(const QString& text, size_t seed = 0);

// `bytes` read as UTF-8, each ill-formed sequence read as one U+FFFD, as the Encoding Standard's decoder
// reads it: a character cut short (a lead byte with fewer of the continuation bytes it announces) is one,
// and so is each byte that neither starts nor continues a character there. A NUL stays a character.
QString fromUtf8Lenient(QByteArrayView bytes);

} // namespace tolvane::text

#pragma once

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

} // namespace tolvane::text

#pragma once

#include <QStringList>

namespace tolvane {

// The most custom words handed to the recogniser.
inline constexpr int kMaxCustomWords = 200;

// Trims each word, drops empty ones and later duplicates (first occurrence kept, so the result does not
// depend on hashing), then keeps the first kMaxCustomWords.
QStringList normalizedCustomWords(const QStringList& words);

} // namespace tolvane

#include "ocr/custom_words.h"

#include "core/text.h"

#include <QSet>

namespace tolvane {

QStringList normalizedCustomWords(const QStringList& words) {
    QStringList result;
    QSet<QString> seen;
    for (const QString& word : words) {
        if (result.size() >= kMaxCustomWords)
            break;
        QString trimmedWord = text::trimmed(word);
        if (trimmedWord.isEmpty() || seen.contains(trimmedWord))
            continue;
        seen.insert(trimmedWord);
        result.append(std::move(trimmedWord));
    }
    return result;
}

} // namespace tolvane

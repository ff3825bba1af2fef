#include "model/api_key_text.h"

#include <algorithm>

namespace tolvane::api_key {

bool hasControlCharacters(QStringView key) {
    return std::any_of(key.begin(), key.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    });
}

} // namespace tolvane::api_key

#pragma once

#include <QString>
#include <cstddef>

namespace tolvane {

// One row of the language tables: a language code and its localized display name.
struct TranslationLanguage {
    QString id;
    QString displayName;

    friend bool operator==(const TranslationLanguage& a, const TranslationLanguage& b);
};

size_t qHash(const TranslationLanguage& language, size_t seed = 0);

} // namespace tolvane

#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// The tone requested from the provider.
enum class TranslationStyle { literal, polished, technical, email };

template <> struct RawEnumTable<TranslationStyle> {
    static constexpr const char* typeName = "TranslationStyle";
    static constexpr std::array<RawEnumRow<TranslationStyle>, 4> rows{{
        {TranslationStyle::literal, "literal", QT_TRANSLATE_NOOP("TranslationStyle", "直译")},
        {TranslationStyle::polished, "polished", QT_TRANSLATE_NOOP("TranslationStyle", "润色")},
        {TranslationStyle::technical, "technical", QT_TRANSLATE_NOOP("TranslationStyle", "技术文档")},
        {TranslationStyle::email, "email", QT_TRANSLATE_NOOP("TranslationStyle", "邮件语气")},
    }};
};

} // namespace tolvane

#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// Where translations go: the hosted service or the user's own chat-completions endpoint.
enum class TranslationEngine { cloudStandard, openAICompatible };

template <> struct RawEnumTable<TranslationEngine> {
    static constexpr const char* typeName = "TranslationEngine";
    static constexpr std::array<RawEnumRow<TranslationEngine>, 2> rows{{
        {TranslationEngine::cloudStandard, "cloudStandard",
         QT_TRANSLATE_NOOP("TranslationEngine", "托管云端")},
        {TranslationEngine::openAICompatible, "openAICompatible",
         QT_TRANSLATE_NOOP("TranslationEngine", "自定义 API（BYOK）")},
    }};
};

} // namespace tolvane

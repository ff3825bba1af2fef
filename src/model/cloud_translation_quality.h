#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// The quality tier passed to the hosted service as its raw value.
enum class CloudTranslationQuality { standard, advanced };

template <> struct RawEnumTable<CloudTranslationQuality> {
    static constexpr const char* typeName = "CloudTranslationQuality";
    static constexpr std::array<RawEnumRow<CloudTranslationQuality>, 2> rows{{
        {CloudTranslationQuality::standard, "standard",
         QT_TRANSLATE_NOOP("CloudTranslationQuality", "标准（省成本）")},
        {CloudTranslationQuality::advanced, "advanced",
         QT_TRANSLATE_NOOP("CloudTranslationQuality", "高级（高质量）")},
    }};
};

} // namespace tolvane

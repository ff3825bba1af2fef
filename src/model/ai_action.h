#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// The kind of a request. Only translation exists; its raw value "translate" is stored in history and memory
// rows and enters the translation-memory key.
enum class AIAction { translate };

template <> struct RawEnumTable<AIAction> {
    static constexpr const char* typeName = "AIAction";
    static constexpr std::array<RawEnumRow<AIAction>, 1> rows{{
        {AIAction::translate, "translate", nullptr},
    }};
};

} // namespace tolvane

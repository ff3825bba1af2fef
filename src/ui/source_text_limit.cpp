#include "ui/source_text_limit.h"

#include "workflow/workflow_error.h"

namespace tolvane {

QString sourceTextRefusal(qsizetype length) {
    return QStringLiteral("文本过长，未放入：有 %1 个字符，原文最多 %2 个（一次最多翻译 %3 个）。")
        .arg(length)
        .arg(maximumSourceLength)
        .arg(kMaximumTranslationLength);
}

} // namespace tolvane

#include "workflow/workflow_error.h"

#include <QCoreApplication>

namespace tolvane {

QString WorkflowError::description() const {
    switch (m_kind) {
    case Kind::missingAPIKey:
        return QCoreApplication::translate("WorkflowError", "请先在设置中保存 OpenAI 兼容 API Key。");
    case Kind::emptyResult:
        return QCoreApplication::translate("WorkflowError", "翻译服务没有返回内容。");
    case Kind::engineNotChosen:
        return QCoreApplication::translate("WorkflowError",
                                           "无法读取已保存的翻译引擎设置。请先在设置中选择翻译引擎。");
    case Kind::textTooLong:
        return QCoreApplication::translate("WorkflowError",
                                           "文本过长：一次最多翻译 %1 个字符，当前有 %2 个。请分段翻译。")
            .arg(kMaximumTranslationLength)
            .arg(m_length);
    case Kind::incompleteResult:
        return QCoreApplication::translate("WorkflowError", "译文不完整，只收到了一部分：%1").arg(m_cause);
    case Kind::resultTooLong:
        return QCoreApplication::translate("WorkflowError",
                                           "译文不完整：回答超过 %1 个字符，已停止接收，只显示收到的部分。")
            .arg(kMaximumResultLength);
    }
    return {};
}

} // namespace tolvane

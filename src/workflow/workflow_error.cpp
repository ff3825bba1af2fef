#include "workflow/workflow_error.h"

#include <QCoreApplication>

namespace tolvane {

QString WorkflowError::description() const {
    switch (m_kind) {
    case Kind::missingAPIKey:
        return QCoreApplication::translate("WorkflowError", "请先在设置中保存 OpenAI 兼容 API Key。");
    case Kind::emptyResult:
        return QCoreApplication::translate("WorkflowError", "翻译服务没有返回内容。");
    }
    return {};
}

} // namespace tolvane

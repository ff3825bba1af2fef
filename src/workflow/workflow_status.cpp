#include "workflow/workflow_status.h"

namespace tolvane {

QString WorkflowStatus::debugName() const {
    switch (m_kind) {
    case Kind::failed:
        return QStringLiteral("failed(%1)").arg(m_message);
    case Kind::idle:
        return QStringLiteral("idle");
    case Kind::manualInput:
        return QStringLiteral("manualInput");
    case Kind::capturing:
        return QStringLiteral("capturing");
    case Kind::textCaptured:
        return QStringLiteral("textCaptured");
    case Kind::streaming:
        return QStringLiteral("streaming");
    case Kind::cancelled:
        return QStringLiteral("cancelled");
    case Kind::completed:
        return m_message.isEmpty() ? QStringLiteral("completed")
                                   : QStringLiteral("completed(%1)").arg(m_message);
    case Kind::empty:
        return QStringLiteral("empty");
    }
    return QStringLiteral("unknown");
}

} // namespace tolvane

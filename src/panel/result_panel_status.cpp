#include "panel/result_panel_status.h"

#include "core/text.h"
#include "ui/theme.h"
#include "workflow/workflow_error.h"

namespace tolvane {

StatusPresentation statusPresentation(const WorkflowStatus& status, bool isManualInputMode) {
    using K = WorkflowStatus::Kind;
    switch (status.kind()) {
    case K::idle:
        return {QStringLiteral("sparkles"), Theme::accentColor(), QStringLiteral("准备就绪")};
    case K::manualInput:
        return {QStringLiteral("cursorarrow"), Theme::colorBDA46B(), QStringLiteral("手动翻译")};
    case K::capturing:
        return {QStringLiteral("sparkles"), Theme::accentColor(),
                isManualInputMode ? QStringLiteral("正在翻译") : QStringLiteral("正在取词")};
    case K::textCaptured:
        return {QStringLiteral("checkmark.circle.fill"), Theme::systemGreen(), QStringLiteral("取词完成")};
    case K::streaming:
        return {QStringLiteral("sparkles"), Theme::accentColor(), QStringLiteral("正在翻译")};
    case K::cancelled:
        return {QStringLiteral("stop.circle.fill"), Theme::colorBDA46B(), QStringLiteral("已停止")};
    case K::completed:
        return {QStringLiteral("checkmark.circle.fill"), Theme::systemGreen(), QStringLiteral("翻译完成")};
    case K::empty:
        return {QStringLiteral("text.badge.xmark"), Theme::accentColor(), QStringLiteral("未取到文本")};
    case K::failed:
        return {QStringLiteral("exclamationmark.triangle.fill"), Theme::systemOrange(),
                QStringLiteral("需要处理")};
    }
    return {};
}

QString panelFailureText(const WorkflowStatus& status) {
    if (status.message() == WorkflowError::engineNotChosen().description())
        return QStringLiteral("无法读取已保存的翻译引擎设置。请在面板下方的“翻译引擎”中选择一个翻译引擎。");
    return status.message();
}

ReadingResultArea readingResultArea(const WorkflowStatus& status, const QString& resultText) {
    using K = WorkflowStatus::Kind;
    using A = ReadingResultArea::Kind;
    const QString shown = resultText.isEmpty() ? QStringLiteral(" ") : resultText;
    switch (status.kind()) {
    case K::idle:
    case K::manualInput:
        return {A::message, {}, QStringLiteral("等待翻译内容。")};
    case K::capturing:
        return {A::progress, {}, {}};
    case K::textCaptured:
        return {A::message, {}, QStringLiteral("已识别文字，可复制原文或继续翻译。")};
    case K::streaming:
        return {A::section, QStringLiteral("译文"), shown};
    case K::completed:
        // A notice (a damaged history file set aside) is shown once, beside the caption.
        if (!status.message().isEmpty())
            return {A::section, QStringLiteral("译文 · ") + status.message(), shown};
        return {A::section, QStringLiteral("译文"), shown};
    case K::cancelled:
        if (!text::trimmed(resultText).isEmpty())
            return {A::section, QStringLiteral("部分译文"), resultText};
        return {A::message, {}, QStringLiteral("已停止翻译。")};
    case K::empty:
        return {A::message, {}, QStringLiteral("没有可翻译的选中文本。")};
    case K::failed:
        // What arrived before the failure stays readable; the caption carries the failure's words.
        if (!text::trimmed(resultText).isEmpty())
            return {A::section, QStringLiteral("译文 · ") + status.message(), resultText};
        return {A::failure, {}, panelFailureText(status)};
    }
    return {};
}

QString manualOutputCaption(const WorkflowStatus& status, const QString& resultText) {
    if (status.kind() == WorkflowStatus::Kind::failed && !resultText.isEmpty())
        return QStringLiteral("译文 · ") + status.message();
    return QStringLiteral("译文");
}

ManualOutputKind manualOutputKind(const WorkflowStatus& status, const QString& resultText) {
    if (!resultText.isEmpty())
        return ManualOutputKind::result;
    using K = WorkflowStatus::Kind;
    switch (status.kind()) {
    case K::capturing:
    case K::streaming:
        return ManualOutputKind::progress;
    case K::cancelled:
        return ManualOutputKind::cancelled;
    case K::failed:
        return ManualOutputKind::failure;
    default:
        return ManualOutputKind::hint;
    }
}

} // namespace tolvane

#include "ocr/screenshot_ocr_error.h"

#include <QCoreApplication>

namespace tolvane {

// The texts are also the translation keys.
QString ScreenshotOCRError::description() const {
    switch (m_kind) {
    case Kind::cancelled:
        return QCoreApplication::translate("ScreenshotOCRError", "已取消截图。");
    case Kind::screenRecordingPermissionRequired:
        return QCoreApplication::translate(
            "ScreenshotOCRError",
            "当前运行的 App 副本没有录屏权限。请在“系统设置 → 隐私与安全性 → 屏幕与系统音频录制”中允许 "
            "Ondrel，然后完全退出并重新打开 App。");
    case Kind::captureFailed:
        return QCoreApplication::translate("ScreenshotOCRError",
                                           "无法截取屏幕区域。请确认系统已允许 Ondrel 录屏权限后重试。");
    case Kind::recognitionFailed:
        return QCoreApplication::translate("ScreenshotOCRError",
                                           "OCR 识别失败，请重新框选文字更清晰的区域。");
    case Kind::noTextRecognized:
        return QCoreApplication::translate("ScreenshotOCRError",
                                           "没有识别到文字，请重新框选包含文字的区域。");
    }
    return {};
}

QString ScreenshotSelectionError::description() const {
    switch (m_kind) {
    case Kind::cancelled:
        return QCoreApplication::translate("ScreenshotSelectionError", "已取消截图翻译。");
    case Kind::selectionTooSmall:
        return QCoreApplication::translate("ScreenshotSelectionError",
                                           "截图区域太小，请重新框选要识别的文字区域。");
    }
    return {};
}

} // namespace tolvane

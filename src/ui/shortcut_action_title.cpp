#include "ui/shortcut_action_title.h"

namespace tolvane {

QString shortcutActionTitle(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::translateSelection:
        return QStringLiteral("翻译选中文本");
    case ShortcutAction::screenshotTranslation:
        return QStringLiteral("截图翻译");
    case ShortcutAction::screenshotRecognition:
        return QStringLiteral("截图取词");
    case ShortcutAction::openTranslationWindow:
        return QStringLiteral("打开翻译窗口");
    }
    return {};
}

} // namespace tolvane

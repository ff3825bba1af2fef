#include "model/shortcut_errors.h"

#include <QCoreApplication>

namespace tolvane {

QString ShortcutAssignmentError::description() const {
    return QCoreApplication::translate("ShortcutAssignmentError",
                                       "这个快捷键已用于其他操作，请先修改冲突项。");
}

QString HotKeyError::description() const {
    switch (m_kind) {
    case Kind::installHandlerFailed:
        return QCoreApplication::translate("HotKeyError", "无法安装全局快捷键监听器（错误 %1）。")
            .arg(qint64(m_code));
    case Kind::registerFailed:
        break;
    }
    return QCoreApplication::translate("HotKeyError", "快捷键可能已被系统或其他 App 占用（错误 %1）。")
        .arg(qint64(m_code));
}

} // namespace tolvane

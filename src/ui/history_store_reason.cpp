#include "ui/history_store_reason.h"

namespace tolvane {

QString historyStoreReason(const HistoryStoreError& error) {
    switch (error.cause()) {
    case HistoryStoreError::Cause::locked:
        return QStringLiteral("历史记录文件正被其他程序占用");
    case HistoryStoreError::Cause::diskFull:
        return QStringLiteral("磁盘空间已满");
    case HistoryStoreError::Cause::other:
        break;
    }
    return error.description();
}

} // namespace tolvane

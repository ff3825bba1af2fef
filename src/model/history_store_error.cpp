#include "model/history_store_error.h"

#include <sqlite3.h>

namespace tolvane {

HistoryStoreError::Cause HistoryStoreError::cause() const {
    switch (m_resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Cause::locked;
    case SQLITE_FULL:
        return Cause::diskFull;
    default:
        return Cause::other;
    }
}

QString HistoryStoreError::description() const {
    if (m_kind == Kind::openFailed)
        return QStringLiteral("Could not open the history database.");
    return m_message.isEmpty() ? unknownMessage() : m_message;
}

} // namespace tolvane

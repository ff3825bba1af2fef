#include "model/history_store_error.h"

namespace tolvane {

QString HistoryStoreError::description() const {
    if (m_kind == Kind::openFailed)
        return QStringLiteral("Could not open the history database.");
    return m_message.isEmpty() ? unknownMessage() : m_message;
}

} // namespace tolvane

#include "model/history_events.h"

namespace tolvane {

void HistoryEvents::announceCleared(QObject* origin) {
    const QPointer<QObject> previous = m_origin;
    m_origin = origin;
    Q_EMIT historyCleared();
    m_origin = previous;
}

} // namespace tolvane

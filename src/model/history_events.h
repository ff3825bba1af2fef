#pragma once

#include <QObject>

namespace tolvane {

// Notifications about the history as a whole, shared by every view that lists it: a view that empties the
// history announces it here, and the others reload.
class HistoryEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    void historyCleared();
};

} // namespace tolvane

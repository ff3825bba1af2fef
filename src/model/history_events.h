#pragma once

#include <QObject>
#include <QPointer>

namespace tolvane {

// Tells every view showing history that the whole history was cleared, so views other than the one that
// cleared it reload. Single deletes are not announced.
class HistoryEvents final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Emits historyCleared() with `origin` (the view that cleared, or null) readable as clearOrigin().
    void announceCleared(QObject* origin);
    // While historyCleared() is being delivered: the object that cleared; otherwise null.
    QObject* clearOrigin() const { return m_origin; }

Q_SIGNALS:
    void historyCleared();

private:
    QPointer<QObject> m_origin;
};

} // namespace tolvane

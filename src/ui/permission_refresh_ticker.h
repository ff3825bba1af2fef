#pragma once

#include <QList>
#include <QTimer>
#include <QWidget>

namespace tolvane {

// Asks its owner to read the permission states again: every second while it is shown, and at each of the
// given delays (milliseconds) after refresh(). An invisible child of the view it serves, so it follows
// that view's show and hide events.
class PermissionRefreshTicker final : public QWidget {
    Q_OBJECT

public:
    PermissionRefreshTicker(QList<int> delays, QWidget* parent);

    // One tick per delay, counted from now (a delay of 0 ticks on the next turn).
    void refresh();
    bool isTicking() const { return m_timer.isActive(); }

Q_SIGNALS:
    void tick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QList<int> m_delays;
    QTimer m_timer;
};

} // namespace tolvane

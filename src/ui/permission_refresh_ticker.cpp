#include "ui/permission_refresh_ticker.h"

namespace tolvane {

PermissionRefreshTicker::PermissionRefreshTicker(QList<int> delays, QWidget* parent)
    : QWidget(parent), m_delays(std::move(delays)) {
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(1000);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PermissionRefreshTicker::tick);
}

void PermissionRefreshTicker::refresh() {
    for (int delay : m_delays)
        QTimer::singleShot(delay, this, &PermissionRefreshTicker::tick);
}

void PermissionRefreshTicker::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timer.start();
}

void PermissionRefreshTicker::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_timer.stop();
}

} // namespace tolvane

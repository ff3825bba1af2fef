#include "support/virtual_clock.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace tolvane::testing {

VirtualClock::VirtualClock() : m_state(std::make_shared<State>()) {
    m_state->uptime = std::chrono::hours(1);
    m_state->now = QDateTime::fromMSecsSinceEpoch(1'760'000'000'000, Qt::UTC);
}

QDateTime VirtualClock::now() const { return m_state->now; }
std::chrono::nanoseconds VirtualClock::uptime() const { return m_state->uptime; }
size_t VirtualClock::pendingCalls() const { return m_state->calls.size(); }
void VirtualClock::setNow(const QDateTime& now) { m_state->now = now; }

ScheduledCall VirtualClock::callAfter(std::chrono::nanoseconds d, std::function<void()> fn) {
    const auto key = std::make_pair(m_state->uptime + std::max(d, std::chrono::nanoseconds(0)), m_state->nextId++);
    m_state->calls.emplace(key, std::move(fn));
    std::weak_ptr<State> weak = m_state;
    return ScheduledCall([weak, key] {
        if (auto state = weak.lock())
            state->calls.erase(key);
    });
}

void VirtualClock::advance(std::chrono::nanoseconds d) {
    const auto target = m_state->uptime + d;
    drainEventLoop();
    while (!m_state->calls.empty() && m_state->calls.begin()->first.first <= target) {
        auto node = m_state->calls.extract(m_state->calls.begin());
        const auto step = node.key().first - m_state->uptime;
        m_state->uptime = node.key().first;
        m_state->now = m_state->now.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(step).count());
        node.mapped()();
        drainEventLoop();
    }
    const auto rest = target - m_state->uptime;
    m_state->uptime = target;
    m_state->now = m_state->now.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(rest).count());
    drainEventLoop();
}

void drainEventLoop() {
    for (int i = 0; i < 64; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

} // namespace tolvane::testing

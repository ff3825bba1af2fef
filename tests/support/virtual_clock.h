#pragma once

#include "core/clock.h"

#include <cstdint>
#include <map>
#include <memory>

namespace tolvane::testing {

// A clock whose time moves only when the test says so. advance() fires due calls in deadline order, setting
// uptime() and now() to each deadline and draining posted events after each, so a chain of
// sleep -> work -> sleep completes within one advance().
class VirtualClock final : public Clock {
public:
    VirtualClock();
    QDateTime now() const override;
    std::chrono::nanoseconds uptime() const override;
    ScheduledCall callAfter(std::chrono::nanoseconds d, std::function<void()> fn) override;

    void advance(std::chrono::nanoseconds d);
    // Moves the wall clock only.
    void setNow(const QDateTime& now);
    size_t pendingCalls() const;

private:
    struct State {
        std::chrono::nanoseconds uptime;
        QDateTime now;
        uint64_t nextId = 0;
        std::map<std::pair<std::chrono::nanoseconds, uint64_t>, std::function<void()>> calls;
    };
    std::shared_ptr<State> m_state;
};

// Runs posted events until none are left (bounded).
void drainEventLoop();

} // namespace tolvane::testing

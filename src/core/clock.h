#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>

namespace tolvane {

// A pending call made by Clock::callAfter. Destroying it (or cancel()) stops the call; move-only.
class ScheduledCall {
public:
    ScheduledCall() = default;
    explicit ScheduledCall(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    ScheduledCall(ScheduledCall&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    ScheduledCall& operator=(ScheduledCall&& other) noexcept {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    ScheduledCall(const ScheduledCall&) = delete;
    ScheduledCall& operator=(const ScheduledCall&) = delete;
    ~ScheduledCall() { cancel(); }

    void cancel() {
        if (auto fn = std::exchange(m_cancel, {}))
            fn();
    }

private:
    std::function<void()> m_cancel;
};

// The source of time for every service that stamps, measures or waits; tests inject a virtual one.
class Clock {
public:
    virtual ~Clock() = default;
    // Wall clock, UTC, for timestamps.
    virtual QDateTime now() const = 0;
    // Monotonic time for debounces and double presses.
    virtual std::chrono::nanoseconds uptime() const = 0;
    // Calls fn on the main thread's event loop after d, unless the returned call is cancelled first.
    virtual ScheduledCall callAfter(std::chrono::nanoseconds d, std::function<void()> fn) = 0;
};

// The real clock: UTC wall time, steady_clock, QTimer.
Clock& systemClock();

} // namespace tolvane

#pragma once

#include "core/async/cancellation.h"
#include "core/async/one_shot.h"

#include <QCoroTask>
#include <deque>
#include <memory>

namespace tolvane {

// A first-in, first-out lock for coroutines on the main thread. co_await lock() returns a guard that
// releases the lock, handing it to the next waiter, when destroyed.
class AsyncMutex {
    struct State {
        bool locked = false;
        std::deque<Signal> waiters;
    };

public:
    class Guard {
    public:
        Guard() = default;
        Guard(Guard&& other) noexcept : m_state(std::move(other.m_state)) {}
        Guard& operator=(Guard&& other) noexcept {
            if (this != &other) {
                unlock();
                m_state = std::move(other.m_state);
            }
            return *this;
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard() { unlock(); }
        void unlock();

    private:
        friend class AsyncMutex;
        explicit Guard(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    AsyncMutex() : m_state(std::make_shared<State>()) {}

    // Throws CancelledError when the token fires while waiting; the lock is then not taken.
    QCoro::Task<Guard> lock(CancellationToken token = {}) { return lockOn(m_state, std::move(token)); }
    bool isLocked() const { return m_state->locked; }

private:
    static QCoro::Task<Guard> lockOn(std::shared_ptr<State> state, CancellationToken token);
    std::shared_ptr<State> m_state;
};

} // namespace tolvane

#pragma once

#include "core/app_error.h"
#include "core/async/cancellation.h"
#include "core/async/post.h"

#include <QCoroTask>
#include <coroutine>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

namespace tolvane {

// The empty value of a OneShot that only signals (QCoro::Task cannot hold std::monostate).
struct Unit {};

// A value that arrives once. Copies share one state; there is at most one waiter.
// The first resolve() or fail() wins. The waiter resumes on a later turn of the main loop, never inside
// resolve()/fail(). resolve() and fail() may be called from any thread.
// The owner settles it before dropping it (a controller's destructor calls fail(CancelledError)).
template <typename T>
class OneShot {
    struct State {
        std::mutex mutex;
        std::optional<T> value;
        std::exception_ptr error;
        bool settled = false;
        std::coroutine_handle<> waiter;
    };

public:
    OneShot() : m_state(std::make_shared<State>()) {}

    bool resolve(T value) const { return settle(m_state, std::move(value), nullptr); }
    bool fail(std::exception_ptr error) const { return settle(m_state, std::nullopt, std::move(error)); }

    bool isSettled() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->settled;
    }
    // True while a waiter is suspended on it.
    bool isAwaited() const {
        std::lock_guard lock(m_state->mutex);
        return static_cast<bool>(m_state->waiter);
    }

    // Waits for the value; throws the failure. The token firing first settles it with CancelledError.
    QCoro::Task<T> wait(CancellationToken token = {}) const { return waitOn(m_state, std::move(token)); }

private:
    struct Awaiter {
        std::shared_ptr<State> state;
        bool await_ready() const {
            std::lock_guard lock(state->mutex);
            return state->settled;
        }
        bool await_suspend(std::coroutine_handle<> handle) {
            std::lock_guard lock(state->mutex);
            if (state->settled)
                return false;
            state->waiter = handle;
            return true;
        }
        void await_resume() const {}
    };

    static bool settle(const std::shared_ptr<State>& state, std::optional<T> value, std::exception_ptr error) {
        std::coroutine_handle<> waiter;
        {
            std::lock_guard lock(state->mutex);
            if (state->settled)
                return false;
            state->settled = true;
            state->value = std::move(value);
            state->error = std::move(error);
            waiter = std::exchange(state->waiter, {});
        }
        if (waiter)
            postToMainLoop([waiter] { waiter.resume(); });
        return true;
    }

    static QCoro::Task<T> waitOn(std::shared_ptr<State> state, CancellationToken token) {
        auto registration = token.onCancel([weak = std::weak_ptr<State>(state)] {
            if (auto s = weak.lock())
                settle(s, std::nullopt, std::make_exception_ptr(CancelledError()));
        });
        co_await Awaiter{state};
        registration.reset();
        std::unique_lock lock(state->mutex);
        if (state->error)
            std::rethrow_exception(state->error);
        T value = std::move(*state->value);
        lock.unlock();
        co_return value;
    }

    std::shared_ptr<State> m_state;
};

// A OneShot that carries no value.
using Signal = OneShot<Unit>;

} // namespace tolvane

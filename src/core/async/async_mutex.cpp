#include "core/async/async_mutex.h"

namespace tolvane {

void AsyncMutex::Guard::unlock() {
    auto state = std::exchange(m_state, {});
    if (!state)
        return;
    // Hand the lock straight to the next live waiter; a waiter whose wait was cancelled is skipped.
    while (!state->waiters.empty()) {
        Signal next = state->waiters.front();
        state->waiters.pop_front();
        if (next.resolve({}))
            return;
    }
    state->locked = false;
}

QCoro::Task<AsyncMutex::Guard> AsyncMutex::lockOn(std::shared_ptr<State> state, CancellationToken token) {
    token.throwIfCancelled();
    if (!state->locked) {
        state->locked = true;
        co_return Guard(state);
    }
    Signal turn;
    state->waiters.push_back(turn);
    co_await turn.wait(token); // the lock is ours once this resolves
    co_return Guard(state);
}

} // namespace tolvane

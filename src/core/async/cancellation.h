#pragma once

#include <functional>
#include <memory>
#include <stop_token>

namespace tolvane {

// Keeps a cancellation callback registered while alive.
class CancelRegistration {
public:
    CancelRegistration() = default;
    explicit CancelRegistration(std::unique_ptr<std::stop_callback<std::function<void()>>> cb)
        : m_callback(std::move(cb)) {}
    void reset() { m_callback.reset(); }

private:
    std::unique_ptr<std::stop_callback<std::function<void()>>> m_callback;
};

// Cooperative cancellation. Copyable; a default token is never cancelled.
class CancellationToken {
public:
    CancellationToken() = default;
    explicit CancellationToken(std::stop_token token) : m_token(std::move(token)) {}

    bool isCancelled() const { return m_token.stop_requested(); }
    bool canBeCancelled() const { return m_token.stop_possible(); }
    // Throws CancelledError when cancelled.
    void throwIfCancelled() const;
    // fn runs once on cancellation, at once if already cancelled. Callbacks only stop or abort work and post.
    [[nodiscard]] CancelRegistration onCancel(std::function<void()> fn) const;

private:
    std::stop_token m_token;
};

class CancellationSource {
public:
    CancellationToken token() const { return CancellationToken(m_source.get_token()); }
    // Idempotent; runs the registered callbacks synchronously.
    void cancel() { m_source.request_stop(); }
    bool isCancelled() const { return m_source.stop_requested(); }

private:
    std::stop_source m_source;
};

} // namespace tolvane

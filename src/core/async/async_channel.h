#pragma once

#include "core/app_error.h"
#include "core/async/cancellation.h"
#include "core/async/one_shot.h"

#include <QCoroTask>
#include <cassert>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace tolvane {

// An unbounded, ordered stream of values from one producer to one consumer, on the main thread.
// Values sent before finish()/fail() are delivered before the end or the error. When the Reader closes or is
// destroyed, the Writer's token is cancelled, so the producer stops; later sends are dropped.
template <typename T>
class AsyncChannel {
    struct State {
        std::deque<T> buffer;
        bool finished = false;
        bool readerClosed = false;
        std::exception_ptr error;
        std::optional<Signal> wake;
        CancellationSource producerCancellation;

        void notify() {
            if (wake) {
                wake->resolve({});
                wake.reset();
            }
        }
    };

public:
    class Writer {
    public:
        Writer() = default;
        // False (value dropped) after finish, fail or the reader closing.
        bool send(T value) const {
            if (!m_state || m_state->finished || m_state->readerClosed)
                return false;
            m_state->buffer.push_back(std::move(value));
            m_state->notify();
            return true;
        }
        void finish() const {
            if (!m_state || m_state->finished)
                return;
            m_state->finished = true;
            m_state->notify();
        }
        void fail(std::exception_ptr error) const {
            if (!m_state || m_state->finished)
                return;
            m_state->finished = true;
            m_state->error = std::move(error);
            m_state->notify();
        }
        // Cancelled when the reader closes or goes away.
        CancellationToken token() const {
            return m_state ? m_state->producerCancellation.token() : CancellationToken();
        }
        bool isClosed() const { return !m_state || m_state->readerClosed; }

    private:
        friend class AsyncChannel;
        explicit Writer(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    class Reader {
    public:
        Reader() = default;
        Reader(Reader&&) noexcept = default;
        Reader& operator=(Reader&& other) noexcept {
            if (this != &other) {
                close();
                m_state = std::move(other.m_state);
            }
            return *this;
        }
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;
        ~Reader() { close(); }

        // The next value, or nullopt at the end; throws the producer's error, or CancelledError when the
        // token fires while waiting. Only one next() may be pending at a time.
        QCoro::Task<std::optional<T>> next(CancellationToken token = {}) { return nextOn(m_state, token); }

        // Stops listening: buffered values are dropped and the producer is cancelled.
        void close() {
            if (!m_state || m_state->readerClosed)
                return;
            m_state->readerClosed = true;
            m_state->buffer.clear();
            m_state->producerCancellation.cancel();
            m_state->notify();
        }

    private:
        friend class AsyncChannel;
        explicit Reader(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    static std::pair<Writer, Reader> create() {
        auto state = std::make_shared<State>();
        return {Writer(state), Reader(state)};
    }

private:
    static QCoro::Task<std::optional<T>> nextOn(std::shared_ptr<State> state, CancellationToken token) {
        if (!state)
            co_return std::nullopt;
        for (;;) {
            token.throwIfCancelled();
            if (state->readerClosed)
                throw CancelledError();
            if (!state->buffer.empty()) {
                T value = std::move(state->buffer.front());
                state->buffer.pop_front();
                co_return std::optional<T>(std::move(value));
            }
            if (state->finished) {
                if (state->error)
                    std::rethrow_exception(state->error);
                co_return std::nullopt;
            }
            assert(!state->wake && "only one next() may be pending");
            Signal wake;
            state->wake = wake;
            std::exception_ptr interrupted;
            try {
                co_await wake.wait(token);
            } catch (...) {
                interrupted = std::current_exception();
            }
            if (interrupted) {
                state->wake.reset();
                std::rethrow_exception(interrupted);
            }
        }
    }
};

} // namespace tolvane

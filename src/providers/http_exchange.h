#pragma once

#include "core/async/cancellation.h"

#include <QByteArray>
#include <QCoroTask>
#include <QNetworkRequest>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace tolvane {

// The status line of an HTTP answer and the one header the providers route on.
struct HttpHead {
    int status = 0;
    QByteArray contentType;
    bool isSuccess() const { return status >= 200 && status <= 299; }
};

// One POST over the shared QNetworkAccessManager, read as it arrives.
// - Redirects are followed only within the same origin, so a bearer token never reaches another host.
// - An idle timer (restarted whenever the head or body bytes arrive) ends a silent transfer with a
//   NetworkError whose code is TimeoutError; it is never reported as a cancellation.
// - The status decides how the body is read; the reply's error matters only when there is no status
//   (transport failure) or when a successful body breaks off.
// - Cancelling the token aborts the transfer (the connection closes) and the reader sees CancelledError.
// Dropping the exchange aborts an unfinished transfer; the reply is released with deleteLater().
class HttpExchange {
public:
    static HttpExchange post(QNetworkAccessManager& manager, QNetworkRequest request, QByteArray body,
                             std::chrono::milliseconds idleTimeout, CancellationToken token);

    HttpExchange(HttpExchange&&) noexcept = default;
    HttpExchange& operator=(HttpExchange&&) noexcept = default;
    ~HttpExchange();

    // The answer's head. Throws NetworkError (transport), AIProviderError::invalidResponse (no HTTP status)
    // or CancelledError.
    QCoro::Task<HttpHead> head();
    // The next bytes of the body as they arrived, or nullopt at its end. Throws NetworkError or
    // CancelledError.
    QCoro::Task<std::optional<QByteArray>> nextChunk();
    // The whole body; a body longer than `cap` bytes stops the transfer and throws invalidResponse.
    QCoro::Task<QByteArray> readBody(qsizetype cap);
    // At most the first `cap` bytes of the body; the transfer stops quietly once they are read.
    QCoro::Task<QByteArray> readBodyPrefix(qsizetype cap);
    // Stops the transfer quietly once the answer is complete; nothing further is reported.
    void finishEarly();

    struct State;

private:
    explicit HttpExchange(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    std::shared_ptr<State> m_state;
};

// Hands the body of `exchange` to `onLine` line by line as it arrives (see LineSplitter), the unterminated
// last line included, until onLine returns false or the body ends. A line longer than
// LineSplitter::kMaxLineBytes fails with AIProviderError::invalidResponse; a fired token with CancelledError.
QCoro::Task<> readBodyLines(HttpExchange& exchange, std::function<bool(QByteArrayView line)> onLine,
                            CancellationToken token);

} // namespace tolvane

#include "providers/http_exchange.h"

#include "core/async/async_channel.h"
#include "core/async/one_shot.h"
#include "core/logging.h"
#include "providers/line_splitter.h"
#include "providers/provider_errors.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace tolvane {

namespace {

constexpr qint64 kReadAheadBytes = 1024 * 1024;

// Sets the read-ahead limit from a call queued on the reply's thread (see HttpExchange::post()).
void queueReadAheadLimit(QNetworkReply* reply) {
    QMetaObject::invokeMethod(
        reply, [reply] { reply->setReadBufferSize(kReadAheadBytes); }, Qt::QueuedConnection);
}

} // namespace

struct HttpExchange::State {
    // Why we aborted the reply ourselves; Qt reports all of these as OperationCanceledError.
    enum class StopReason { None, Cancelled, TimedOut, FinishedEarly };

    QPointer<QNetworkReply> reply;
    QList<QMetaObject::Connection> replyConnections;
    QTimer idleTimer;
    CancelRegistration cancelRegistration;
    StopReason stopReason = StopReason::None;
    bool done = false;
    bool headDelivered = false;
    bool chunkWaiting = false; // a chunk was sent and the reader has not taken it yet
    int status = 0;
    OneShot<HttpHead> headResult;
    AsyncChannel<QByteArray>::Writer bodyWriter;
    AsyncChannel<QByteArray>::Reader bodyReader;

    State() {
        auto [writer, reader] = AsyncChannel<QByteArray>::create();
        bodyWriter = std::move(writer);
        bodyReader = std::move(reader);
        idleTimer.setSingleShot(true);
    }

    ~State() {
        done = true;
        cancelRegistration.reset();
        if (reply) {
            // Only our own connections: Qt's internal ones carry the abort to its network thread, which
            // would otherwise go on reading the whole answer.
            for (const auto& connection : replyConnections)
                QObject::disconnect(connection);
            if (!reply->isFinished())
                reply->abort();
            reply->deleteLater();
        }
        headResult.fail(std::make_exception_ptr(CancelledError()));
    }

    QString host() const { return reply->request().url().host(); }

    std::optional<HttpHead> readHead() const {
        const QVariant attribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!attribute.isValid())
            return std::nullopt;
        return HttpHead{attribute.toInt(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
    }

    // A redirect status waits for the end: Qt either follows it (a new head arrives) or stops there.
    void deliverHeadIfKnown(bool atEnd) {
        if (headDelivered)
            return;
        auto head = readHead();
        if (!head || (!atEnd && head->status >= 300 && head->status <= 399))
            return;
        headDelivered = true;
        status = head->status;
        headResult.resolve(*head);
    }

    void stop(StopReason reason) {
        if (done || !reply)
            return;
        stopReason = reason;
        reply->abort(); // emits finished() synchronously; onFinished() sees the reason
    }

    void onReadyRead() {
        if (done)
            return;
        idleTimer.start();
        deliverHeadIfKnown(false);
        refill();
    }

    // Hands the reader the bytes Qt holds, one chunk at a time: while a chunk waits unread, the rest stays
    // in the reply, whose read buffer is bounded, so a server faster than the reader is slowed down by TCP
    // instead of filling our memory.
    void refill() {
        if (done || chunkWaiting || !reply || reply->bytesAvailable() <= 0)
            return;
        chunkWaiting = true;
        bodyWriter.send(reply->readAll());
    }

    void onFinished() {
        if (done)
            return;
        done = true;
        idleTimer.stop();
        cancelRegistration.reset();
        if (stopReason == StopReason::None) {
            QByteArray rest = reply->readAll();
            if (!rest.isEmpty())
                bodyWriter.send(std::move(rest));
        }
        const auto error = reply->error();
        std::exception_ptr failure;
        switch (stopReason) {
        case StopReason::Cancelled:
            failure = std::make_exception_ptr(CancelledError());
            break;
        case StopReason::TimedOut:
            failure = std::make_exception_ptr(NetworkError::timedOut(host()));
            break;
        case StopReason::FinishedEarly:
            break;
        case StopReason::None:
            deliverHeadIfKnown(true);
            if (!headDelivered) {
                failure = error != QNetworkReply::NoError
                              ? std::make_exception_ptr(NetworkError(error, host(), reply->errorString()))
                              : std::make_exception_ptr(AIProviderError::invalidResponse());
            } else if (status >= 200 && status <= 299 && error != QNetworkReply::NoError) {
                // A successful body that broke off is a transport failure, not a normal end.
                failure = std::make_exception_ptr(NetworkError(error, host(), reply->errorString()));
            }
            // An error status with Qt's matching error code: the body read so far is the error body.
            break;
        }
        if (failure) {
            headResult.fail(failure);
            bodyWriter.fail(failure);
        } else {
            headResult.fail(std::make_exception_ptr(CancelledError()));
            bodyWriter.finish();
        }
    }
};

HttpExchange HttpExchange::post(QNetworkAccessManager& manager, QNetworkRequest request, QByteArray body,
                                std::chrono::milliseconds idleTimeout, CancellationToken token) {
    auto state = std::make_shared<State>();
    if (token.isCancelled()) {
        state->done = true;
        state->headResult.fail(std::make_exception_ptr(CancelledError()));
        state->bodyWriter.fail(std::make_exception_ptr(CancelledError()));
        return HttpExchange(state);
    }
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    QNetworkReply* reply = manager.post(request, body);
    // Qt's network thread reads ahead of us only this far (see State::refill()). Qt starts the request from
    // a call it queues on this thread, and only then connects the limit to its network thread: a limit set
    // now stays on this side, and the network thread would read the whole answer into memory. Set again
    // from a call queued behind that start, it reaches the network thread right behind the request, before
    // any of the answer is read. A followed redirect starts a new request the same way.
    reply->setReadBufferSize(kReadAheadBytes);
    queueReadAheadLimit(reply);
    state->reply = reply;
    State* raw = state.get();
    state->idleTimer.setInterval(idleTimeout);
    QObject::connect(&state->idleTimer, &QTimer::timeout, reply,
                     [raw] { raw->stop(State::StopReason::TimedOut); });
    state->replyConnections = {
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                         [raw] {
                             if (raw->done)
                                 return;
                             raw->idleTimer.start();
                             raw->deliverHeadIfKnown(false);
                         }),
        QObject::connect(reply, &QNetworkReply::uploadProgress, reply,
                         [raw] {
                             if (!raw->done)
                                 raw->idleTimer.start();
                         }),
        QObject::connect(reply, &QNetworkReply::redirected, reply, [reply] { queueReadAheadLimit(reply); }),
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [raw] { raw->onReadyRead(); }),
        QObject::connect(reply, &QNetworkReply::finished, reply, [raw] { raw->onFinished(); }),
    };
    state->idleTimer.start();
    state->cancelRegistration = token.onCancel([raw] { raw->stop(State::StopReason::Cancelled); });
    return HttpExchange(state);
}

HttpExchange::~HttpExchange() = default;

namespace {

QCoro::Task<HttpHead> awaitHead(std::shared_ptr<HttpExchange::State> state);
QCoro::Task<std::optional<QByteArray>> awaitChunk(std::shared_ptr<HttpExchange::State> state);

} // namespace

QCoro::Task<HttpHead> HttpExchange::head() {
    return awaitHead(m_state);
}

QCoro::Task<std::optional<QByteArray>> HttpExchange::nextChunk() {
    return awaitChunk(m_state);
}

void HttpExchange::finishEarly() {
    m_state->stop(State::StopReason::FinishedEarly);
}

namespace {

QCoro::Task<HttpHead> awaitHead(std::shared_ptr<HttpExchange::State> state) {
    co_return co_await state->headResult.wait();
}

QCoro::Task<std::optional<QByteArray>> awaitChunk(std::shared_ptr<HttpExchange::State> state) {
    std::optional<QByteArray> chunk = co_await state->bodyReader.next();
    state->chunkWaiting = false;
    state->refill();
    co_return chunk;
}

QCoro::Task<QByteArray> readCapped(std::shared_ptr<HttpExchange::State> state, qsizetype cap) {
    QByteArray buffer;
    buffer.reserve(qMin<qsizetype>(cap, 65536));
    while (auto chunk = co_await awaitChunk(state)) {
        if (buffer.size() + chunk->size() > cap) {
            state->stop(HttpExchange::State::StopReason::FinishedEarly);
            throw AIProviderError::invalidResponse();
        }
        buffer.append(*chunk);
    }
    co_return buffer;
}

QCoro::Task<QByteArray> readPrefix(std::shared_ptr<HttpExchange::State> state, qsizetype cap) {
    QByteArray buffer;
    buffer.reserve(qMin<qsizetype>(cap, 65536));
    while (auto chunk = co_await awaitChunk(state)) {
        buffer.append(chunk->first(qMin(chunk->size(), cap - buffer.size())));
        if (buffer.size() >= cap) {
            state->stop(HttpExchange::State::StopReason::FinishedEarly);
            break;
        }
    }
    co_return buffer;
}

} // namespace

QCoro::Task<QByteArray> HttpExchange::readBodyPrefix(qsizetype cap) {
    return readPrefix(m_state, cap);
}

QCoro::Task<QByteArray> HttpExchange::readBody(qsizetype cap) {
    return readCapped(m_state, cap);
}

QCoro::Task<> readBodyLines(HttpExchange& exchange, std::function<bool(QByteArrayView line)> onLine,
                            CancellationToken token) {
    LineSplitter splitter;
    while (auto bytes = co_await exchange.nextChunk()) {
        token.throwIfCancelled();
        if (!splitter.feed(*bytes, onLine))
            break;
    }
    if (splitter.overflowed())
        throw AIProviderError::invalidResponse();
    splitter.finish(onLine); // nothing when onLine stopped the reading
}

} // namespace tolvane

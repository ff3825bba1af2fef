#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>
#include <deque>
#include <functional>

class QTcpSocket;

namespace tolvane::testing {

// One request as it reached the server.
struct CapturedRequest {
    QByteArray method;
    QByteArray target; // path and query as sent
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    bool hasHeader(QByteArrayView name) const;
    QByteArray header(QByteArrayView name) const; // case-insensitive name
    QJsonObject jsonBody() const;
};

// A scripted answer: status, headers and a body written in parts, each after its own pause, so the client
// sees the chosen network chunking.
struct FakeResponse {
    enum class Framing { ContentLength, Chunked, CloseDelimited };
    struct Part {
        QByteArray bytes;
        int delayMs = 0;
    };

    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QList<Part> parts;
    Framing framing = Framing::ContentLength;
    bool stallAfterParts = false; // keep the connection open without ending the body
    bool breakOff = false;        // close the connection without completing the declared body
    // After the parts, more body made on demand whenever less than a mebibyte waits to be sent, so a huge
    // body never sits in memory; an empty piece ends the body. Needs chunked or close-delimited framing.
    std::function<QByteArray()> source;

    static FakeResponse withBody(int status, QByteArray contentType, QByteArray body);
    static FakeResponse json(int status, QByteArray body) {
        return withBody(status, "application/json", std::move(body));
    }
    FakeResponse& header(QByteArray name, QByteArray value);
    FakeResponse& part(QByteArray bytes, int delayMs = 0);
};

// A real HTTP/1.1 server on 127.0.0.1 (any free port) that answers each request with the next queued
// response, else with the handler's answer, else 404. Every answer closes its connection. Like a real plain
// HTTP server, it answers a TLS handshake with a 400 in plain text.
class FakeHttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<FakeResponse(const CapturedRequest&)>;

    FakeHttpServer();
    ~FakeHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    // Moves the server to `port` on 127.0.0.1 (0 = any free port); false when that port cannot be bound.
    bool listen(quint16 port);
    QUrl url(const QString& pathAndQuery = QStringLiteral("/")) const;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void enqueue(FakeResponse response) { m_queue.push_back(std::move(response)); }

    const QList<CapturedRequest>& requests() const { return m_requests; }
    // Connections the client closed before the answer was complete.
    int clientAborts() const { return m_clientAborts; }
    // Waits (event loop) until at least `count` client aborts were seen.
    bool waitForClientAborts(int count, int timeoutMs = 5000);

    // Writes more body to the newest answer whose body was left open (stallAfterParts), or ends it.
    void writeToOpenResponse(const QByteArray& bytes);
    void endOpenResponse();

Q_SIGNALS:
    void requestReceived();

private:
    struct Connection;
    void onNewConnection();
    void onData(Connection* connection);
    void respond(Connection* connection, FakeResponse response);
    void writePart(Connection* connection, int index);
    void writeBytes(Connection* connection, const QByteArray& bytes, bool flush = true);
    void pumpSource(Connection* connection);
    void endResponse(Connection* connection);

    QTcpServer m_server;
    Handler m_handler;
    std::deque<FakeResponse> m_queue;
    QList<CapturedRequest> m_requests;
    int m_clientAborts = 0;
    Connection* m_open = nullptr;
};

} // namespace tolvane::testing

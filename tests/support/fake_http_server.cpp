#include "support/fake_http_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace tolvane::testing {

bool CapturedRequest::hasHeader(QByteArrayView name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray CapturedRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QJsonObject CapturedRequest::jsonBody() const {
    return QJsonDocument::fromJson(body).object();
}

FakeResponse FakeResponse::withBody(int status, QByteArray contentType, QByteArray body) {
    FakeResponse response;
    response.status = status;
    if (!contentType.isEmpty())
        response.header("Content-Type", std::move(contentType));
    if (!body.isEmpty())
        response.part(std::move(body));
    return response;
}

FakeResponse& FakeResponse::header(QByteArray name, QByteArray value) {
    headers.append({std::move(name), std::move(value)});
    return *this;
}

FakeResponse& FakeResponse::part(QByteArray bytes, int delayMs) {
    parts.append({std::move(bytes), delayMs});
    return *this;
}

struct FakeHttpServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    bool requestSeen = false;
    bool responseEnded = false;
    FakeResponse response;
};

FakeHttpServer::FakeHttpServer() {
    connect(&m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

FakeHttpServer::~FakeHttpServer() {
    m_server.close();
    // Sockets go first, while the bookkeeping their destroyed() handler touches still exists.
    const auto sockets = findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool FakeHttpServer::listen(quint16 port) {
    m_server.close();
    return m_server.listen(QHostAddress::LocalHost, port);
}

QUrl FakeHttpServer::url(const QString& pathAndQuery) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(pathAndQuery));
}

bool FakeHttpServer::waitForClientAborts(int count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (m_clientAborts < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return m_clientAborts >= count;
}

void FakeHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* connection = new Connection;
        connection->socket = socket;
        socket->setParent(this);
        // Small scripted writes go out at once instead of waiting for the client's delayed ACK.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] { onData(connection); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, connection] {
            if (m_open == connection)
                m_open = nullptr;
            if (connection->requestSeen && !connection->responseEnded) {
                connection->responseEnded = true;
                ++m_clientAborts;
            }
            socket->deleteLater();
        });
        connect(socket, &QObject::destroyed, [this, connection] {
            if (m_open == connection)
                m_open = nullptr;
            delete connection;
        });
    }
}

void FakeHttpServer::onData(Connection* connection) {
    connection->buffer += connection->socket->readAll();
    if (connection->requestSeen)
        return;
    if (connection->buffer.startsWith('\x16')) {
        // A TLS ClientHello: answer as a plain server does, which the client's handshake refuses.
        connection->requestSeen = true;
        connection->responseEnded = true;
        connection->socket->write("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
        connection->socket->disconnectFromHost();
        return;
    }
    const qsizetype headerEnd = connection->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    CapturedRequest request;
    const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        QByteArray name = line.left(colon).trimmed();
        QByteArray value = line.mid(colon + 1).trimmed();
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
        request.headers.append({name, value});
    }
    if (connection->buffer.size() < headerEnd + 4 + contentLength)
        return;
    request.body = connection->buffer.mid(headerEnd + 4, contentLength);
    connection->requestSeen = true;
    m_requests.append(request);
    Q_EMIT requestReceived();

    FakeResponse response;
    if (!m_queue.empty()) {
        response = std::move(m_queue.front());
        m_queue.pop_front();
    } else if (m_handler) {
        response = m_handler(request);
    } else {
        response = FakeResponse::withBody(404, "text/plain", "not found");
    }
    respond(connection, std::move(response));
}

void FakeHttpServer::respond(Connection* connection, FakeResponse response) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.framing == FakeResponse::Framing::ContentLength) {
        qsizetype length = 0;
        for (const auto& part : response.parts)
            length += part.bytes.size();
        // A body that breaks off declares more than it will send.
        head += "Content-Length: " + QByteArray::number(length + (response.breakOff ? 1 : 0)) + "\r\n";
    } else if (response.framing == FakeResponse::Framing::Chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    }
    head += "Connection: close\r\n\r\n";
    connection->response = std::move(response);
    if (connection->response.stallAfterParts)
        m_open = connection;
    connection->socket->write(head);
    writePart(connection, 0);
}

void FakeHttpServer::writePart(Connection* connection, int index) {
    const auto& parts = connection->response.parts;
    // Parts without a pause go out at once; a pause hands the rest to a timer.
    for (; index < parts.size(); ++index) {
        if (!connection->socket || connection->responseEnded)
            return;
        if (parts[index].delayMs > 0) {
            QTimer::singleShot(parts[index].delayMs, connection->socket, [this, connection, index] {
                writeBytes(connection, connection->response.parts[index].bytes);
                writePart(connection, index + 1);
            });
            return;
        }
        writeBytes(connection, parts[index].bytes);
    }
    if (connection->socket && !connection->responseEnded && connection->response.source) {
        connect(connection->socket, &QTcpSocket::bytesWritten, this,
                [this, connection] { pumpSource(connection); });
        pumpSource(connection);
        return;
    }
    if (connection->socket && !connection->responseEnded && !connection->response.stallAfterParts)
        endResponse(connection);
}

void FakeHttpServer::pumpSource(Connection* connection) {
    constexpr qint64 kBacklog = 1024 * 1024;
    while (connection->socket && !connection->responseEnded &&
           connection->socket->state() == QAbstractSocket::ConnectedState &&
           connection->socket->bytesToWrite() < kBacklog) {
        const QByteArray piece = connection->response.source();
        if (piece.isEmpty()) {
            endResponse(connection);
            return;
        }
        // Not flushed: the event loop sends it and reports bytesWritten, so a fast client cannot keep
        // this loop going without ever returning to the loop.
        writeBytes(connection, piece, false);
    }
}

void FakeHttpServer::writeBytes(Connection* connection, const QByteArray& bytes, bool flush) {
    if (!connection->socket || connection->responseEnded)
        return;
    if (connection->response.framing == FakeResponse::Framing::Chunked) {
        if (!bytes.isEmpty())
            connection->socket->write(QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n");
    } else {
        connection->socket->write(bytes);
    }
    if (flush)
        connection->socket->flush();
}

void FakeHttpServer::writeToOpenResponse(const QByteArray& bytes) {
    if (m_open)
        writeBytes(m_open, bytes);
}

void FakeHttpServer::endOpenResponse() {
    if (m_open && m_open->socket && !m_open->responseEnded)
        endResponse(m_open);
}

void FakeHttpServer::endResponse(Connection* connection) {
    if (connection->response.breakOff) {
        connection->responseEnded = true;
        connection->socket->abort();
        return;
    }
    if (connection->response.framing == FakeResponse::Framing::Chunked)
        connection->socket->write("0\r\n\r\n");
    connection->responseEnded = true;
    connection->socket->disconnectFromHost();
}

} // namespace tolvane::testing

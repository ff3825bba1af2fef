#include "app/single_instance.h"

#include "core/logging.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace tolvane {

SingleInstance::SingleInstance(QString socketName, QObject* parent)
    : QObject(parent), m_socketName(std::move(socketName)) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

QString SingleInstance::defaultSocketName() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath();
    return QDir(directory).filePath(QStringLiteral("tolvane.sock"));
}

bool SingleInstance::handOverToRunningInstance(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(reopenMessage);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        qCWarning(lcAppDelegate) << "The running instance did not take the reopen request:"
                                 << socket.errorString();
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_socketName))
        return true;
    if (m_server.serverError() == QAbstractSocket::AddressInUseError) {
        // Nobody answered the handover, so the socket file is left over from an instance that died.
        QLocalServer::removeServer(m_socketName);
        if (m_server.listen(m_socketName))
            return true;
    }
    qCWarning(lcAppDelegate).noquote() << "Single-instance socket unavailable:" << m_server.errorString();
    return false;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == reopenMessage)
                    Q_EMIT reopenRequested();
            }
            // A client that never sends a line cannot grow our buffer without bound.
            if (socket->bytesAvailable() > 256)
                socket->abort();
        });
    }
}

} // namespace tolvane

#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tolvane {

// Keeps one running instance per user: a later launch connects to the running one, asks it to show its main
// window ("reopen") and exits. The socket lives in the user's runtime directory.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    static inline const QByteArray reopenMessage = QByteArrayLiteral("reopen\n");

    explicit SingleInstance(QString socketName = defaultSocketName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/tolvane.sock (the runtime location Qt resolves).
    static QString defaultSocketName();

    // When an instance answers on the socket, sends it "reopen" and returns true: this process should
    // exit. Returns false when nobody listens (no socket, or a stale one).
    bool handOverToRunningInstance(int timeoutMs = 1000);
    // Starts listening, replacing a stale socket left by a crashed instance. False (logged) when listening
    // fails anyway; the application still runs, only without handover.
    bool listen();

    const QString& socketName() const { return m_socketName; }

Q_SIGNALS:
    // A later launch asked this instance to show its main window.
    void reopenRequested();

private:
    void acceptConnections();

    QString m_socketName;
    QLocalServer m_server;
};

} // namespace tolvane

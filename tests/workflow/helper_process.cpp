#include "helper_process.h"

#include <QRegularExpression>
#include <QTest>

namespace tolvane::testing {

HelperProcess::HelperProcess(const QString& program, const QStringList& arguments, bool accessible) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    if (accessible)
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    else
        environment.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
    m_process.start(program, arguments);
    const std::optional<QString> ready = waitForLine(QStringLiteral("READY"), 10000);
    if (!ready)
        return;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("pid=(\\d+) win=0x([0-9a-f]+)")).match(*ready);
    if (match.hasMatch()) {
        m_pid = match.captured(1).toLongLong();
        m_window = match.captured(2).toUInt(nullptr, 16);
    }
}

HelperProcess::~HelperProcess() {
    quit();
}

void HelperProcess::quit() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    send("quit");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void HelperProcess::send(const QByteArray& command) {
    m_process.write(command + '\n');
    m_process.waitForBytesWritten(1000);
}

void HelperProcess::readOutput() {
    while (m_process.canReadLine())
        m_lines.append(QString::fromUtf8(m_process.readLine()).trimmed());
}

std::optional<QString> HelperProcess::waitForLine(const QString& prefix, int timeoutMs) {
    std::optional<QString> found;
    QTest::qWaitFor(
        [&] {
            readOutput();
            for (; m_consumed < m_lines.size(); ++m_consumed)
                if (m_lines.at(m_consumed).startsWith(prefix)) {
                    found = m_lines.at(m_consumed++);
                    return true;
                }
            return m_process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
}

} // namespace tolvane::testing

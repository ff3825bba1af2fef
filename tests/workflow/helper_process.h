#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <optional>

namespace tolvane::testing {

// A test helper program in its own process, speaking the READY / command-line protocol of
// tests/support/apps.
class HelperProcess {
public:
    HelperProcess(const QString& program, const QStringList& arguments, bool accessible = false);
    ~HelperProcess();

    bool isReady() const { return m_pid != 0; }
    qint64 pid() const { return m_pid; }
    quint32 window() const { return m_window; }

    void send(const QByteArray& command);
    // The next output line starting with `prefix` (earlier ones are kept), waiting up to `timeoutMs`.
    std::optional<QString> waitForLine(const QString& prefix, int timeoutMs = 5000);
    void quit();

private:
    void readOutput();

    QProcess m_process;
    QStringList m_lines;
    qsizetype m_consumed = 0;
    qint64 m_pid = 0;
    quint32 m_window = 0;
};

} // namespace tolvane::testing

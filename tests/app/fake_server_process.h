#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace tolvane::testing {

// tolvane-fake-server as its own process, with the options given; it prints its addresses and then one
// line for each request.
class FakeServerProcess {
public:
    explicit FakeServerProcess(const QStringList& arguments) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TOLVANE_FAKE_SERVER), arguments);
        m_started = QTest::qWaitFor([&] { return !openaiURL().isEmpty(); }, 60000);
    }
    ~FakeServerProcess() {
        m_process.terminate();
        if (!m_process.waitForFinished(30000))
            m_process.kill();
        m_process.waitForFinished(30000);
    }

    bool isStarted() const { return m_started; }
    QString openaiURL() { return lineAfter("openai "); }
    QString hostedURL() { return lineAfter("hosted "); }
    qsizetype chatRequests() {
        read();
        return m_output.count("request POST /v1/chat/completions");
    }

private:
    void read() { m_output += m_process.readAllStandardOutput(); }
    QString lineAfter(const QByteArray& prefix) {
        read();
        const qsizetype at = m_output.indexOf("\n" + prefix) >= 0 ? m_output.indexOf("\n" + prefix) + 1
                             : m_output.startsWith(prefix)        ? 0
                                                                  : -1;
        const qsizetype end = at < 0 ? -1 : m_output.indexOf('\n', at);
        return end < 0 ? QString()
                       : QString::fromUtf8(m_output.mid(at + prefix.size(), end - at - prefix.size()));
    }

    QProcess m_process;
    QByteArray m_output;
    bool m_started = false;
};

} // namespace tolvane::testing

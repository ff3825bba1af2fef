#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <map>
#include <memory>

namespace tolvane::testing {

// The limit for what the application process does on its own (starting, showing a window, exiting). Each
// step takes many round trips to the X server and the session bus; on a busy 2-core machine each one waits
// for a turn on the CPU, and a start that takes a quarter second alone has taken over 20 seconds.
constexpr int kProcessLimitMs = 90000;

// A private profile for the real application binary run as its own process on the test session, so it
// never meets the user's settings, database, proxy or running instance.
class AppProfile {
public:
    AppProfile() {
        for (const char* folder : {"config/Tolvane", "data", "cache", "runtime"})
            QDir().mkpath(dir.filePath(QLatin1String(folder)));
        QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeSettings({});
    }

    bool isValid() const { return dir.isValid(); }
    QString path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }

    // The settings file as the application reads it, with the guide already seen.
    bool writeSettings(const QByteArray& extraLines) {
        QFile ini(path("config/Tolvane/Tolvane.ini"));
        return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               ini.write("[General]\nfirstRun.hasSeenGuide=true\n" + extraLines) > 0;
    }

    std::unique_ptr<QProcess> launch(const QStringList& arguments = {},
                                     const std::map<QString, QString>& extra = {}) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XCTestConfigurationFilePath"));
        for (const char* proxy :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            environment.remove(QLatin1String(proxy));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tolvane.*=true"));
        for (const auto& [name, value] : extra)
            environment.insert(name, value);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(TOLVANE_BINARY), arguments);
        return process;
    }

private:
    QTemporaryDir dir;
};

// Collects the process's output into `seen` until it holds `text` `times` times in all.
inline bool waitForOutput(QProcess& process, QByteArray& seen, const QByteArray& text, int times = 1) {
    return QTest::qWaitFor(
        [&] {
            seen += process.readAll();
            return seen.count(text) >= times;
        },
        kProcessLimitMs);
}

// Asks the process to stop as the session would (SIGTERM); true when it then exits normally with status 0.
inline bool terminatesCleanly(QProcess& process) {
    ::kill(pid_t(process.processId()), SIGTERM);
    return process.waitForFinished(kProcessLimitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace tolvane::testing

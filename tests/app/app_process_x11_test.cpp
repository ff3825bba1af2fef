#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The real application binary run as its own process on the test session's X server, with a private
// profile so it never meets the user's settings, database or running instance.
class AppProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(profile.isValid());
        for (const char* folder : {"config/Tolvane", "data", "cache", "runtime"})
            QDir().mkpath(profile.filePath(QLatin1String(folder)));
        QFile::setPermissions(profile.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile ini(profile.filePath(QStringLiteral("config/Tolvane/Tolvane.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[firstRun]\nhasSeenGuide=true\n");
    }

    std::unique_ptr<QProcess> launch() {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XCTestConfigurationFilePath"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profile.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), profile.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), profile.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), profile.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tolvane.*=true"));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(TOLVANE_BINARY), {});
        return process;
    }

    // Waits until the process has written `text` `times` times in all.
    static bool waitForOutput(QProcess& process, QByteArray& seen, const QByteArray& text, int times = 1) {
        return QTest::qWaitFor(
            [&] {
                seen += process.readAll();
                return seen.count(text) >= times;
            },
            20000);
    }

    QTemporaryDir profile;
};

TEST_F(AppProcess, SecondLaunchHandsOverAndSigtermExitsCleanly) {
    auto first = launch();
    QByteArray firstOutput;
    ASSERT_TRUE(waitForOutput(*first, firstOutput, "Main window shown")) << firstOutput.toStdString();
    EXPECT_TRUE(firstOutput.contains("Registered openTranslationWindow shortcut"))
        << firstOutput.toStdString();

    auto second = launch();
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    const QByteArray secondOutput = second->readAll();
    EXPECT_TRUE(secondOutput.contains("Handed over")) << secondOutput.toStdString();
    EXPECT_FALSE(secondOutput.contains("Registered")) << "the second process grabs nothing";
    // The running instance shows its window again.
    EXPECT_TRUE(waitForOutput(*first, firstOutput, "Main window shown", 2)) << firstOutput.toStdString();

    ::kill(pid_t(first->processId()), SIGTERM);
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(AppProcess, SocketLeftByAKilledInstanceDoesNotBlockTheNextStart) {
    auto crashed = launch();
    QByteArray output;
    ASSERT_TRUE(waitForOutput(*crashed, output, "Main window shown")) << output.toStdString();
    crashed->kill();
    ASSERT_TRUE(crashed->waitForFinished(20000));
    ASSERT_TRUE(QFile::exists(profile.filePath(QStringLiteral("runtime/tolvane.sock"))));

    auto next = launch();
    QByteArray nextOutput;
    EXPECT_TRUE(waitForOutput(*next, nextOutput, "Main window shown")) << nextOutput.toStdString();
    EXPECT_FALSE(nextOutput.contains("Handed over"));
    ::kill(pid_t(next->processId()), SIGTERM);
    ASSERT_TRUE(next->waitForFinished(20000));
    EXPECT_EQ(next->exitCode(), 0);
}

} // namespace

#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "workflow/helper_process.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

// The whole application as the user meets it: a provider configured, text selected in another X11
// application, Ctrl+Alt+T pressed on the keyboard (XTest), and the translation streamed into the panel.
class MainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(profile.isValid());
        for (const char* folder : {"config/Tolvane", "data", "cache", "runtime"})
            QDir().mkpath(profile.filePath(QLatin1String(folder)));
        QFile::setPermissions(profile.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile ini(profile.filePath(QStringLiteral("config/Tolvane/Tolvane.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nfirstRun.hasSeenGuide=true\nprovider.translationEngine=openAICompatible\n"
                  "provider.model=test-model\ntranslation.sourceLanguage=en\n"
                  "translation.targetLanguage=zh-Hans\nprovider.baseURL=" +
                  openai.url(QStringLiteral("/v1")).toString().toUtf8() + "\n");
    }

    // The API key goes into the session's Secret Service the way any client would put it there.
    static bool storeApiKey(const QByteArray& key) {
        QProcess tool;
        tool.start(QStringLiteral("secret-tool"),
                   {QStringLiteral("store"), QStringLiteral("--label=Tolvane"), QStringLiteral("service"),
                    QStringLiteral("Tolvane"), QStringLiteral("account"),
                    QStringLiteral("openai-compatible-api-key")});
        tool.write(key);
        tool.closeWriteChannel();
        return tool.waitForFinished(20000) && tool.exitCode() == 0;
    }

    static bool xdotool(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        return tool.waitForFinished(20000) && tool.exitCode() == 0;
    }

    std::unique_ptr<QProcess> launch() {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XCTestConfigurationFilePath"));
        for (const char* proxy :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            environment.remove(QLatin1String(proxy));
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

    bool waitForOutput(QProcess& process, const QByteArray& text, int timeoutMs = 20000) {
        return QTest::qWaitFor(
            [&] {
                output += process.readAll();
                return output.contains(text);
            },
            timeoutMs);
    }

    FakeHttpServer openai;
    QTemporaryDir profile;
    QByteArray output;
};

TEST_F(MainRoad, SelectedTextTranslatesIntoThePanelOnTheHotKey) {
    ASSERT_TRUE(storeApiKey("sk-main-road")) << "needs the test session's Secret Service";
    openai.enqueue(openai::stream({QStringLiteral("你好"), QStringLiteral("，世界")}, 20));

    auto app = launch();
    ASSERT_TRUE(waitForOutput(*app, "Registered translateSelection shortcut: Ctrl+Alt+T"))
        << output.toStdString();
    ASSERT_TRUE(waitForOutput(*app, "Main window shown")) << output.toStdString();

    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP),
                         {QStringLiteral("edit"), QStringLiteral("Hello world")}, true);
    ASSERT_TRUE(editor.isReady());
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor.window())}));
    ASSERT_TRUE(
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+t")}));

    ASSERT_TRUE(waitForOutput(*app, "Translation completed provider=openai-compatible"))
        << output.toStdString();
    ASSERT_EQ(openai.requests().size(), 1);
    const CapturedRequest& request = openai.requests().first();
    EXPECT_EQ(request.header("authorization"), QByteArray("Bearer sk-main-road"));
    EXPECT_TRUE(request.body.contains("Hello world")) << request.body.toStdString();
    // The source's 11 characters were translated.
    EXPECT_TRUE(output.contains("characters=11")) << output.toStdString();

    // The panel is up beside the editor, next to the main window.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess tool;
            tool.start(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                        QString::number(app->processId())});
            tool.waitForFinished(20000);
            return tool.readAllStandardOutput().trimmed().split('\n').size() >= 2;
        },
        10000));
    // For eyeballing: the whole screen with the panel up, when asked for.
    if (const QString folder = qEnvironmentVariable("TOLVANE_SCREENSHOT_DIR"); !folder.isEmpty())
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     QDir(folder).filePath(QStringLiteral("main-road.png"))});
    // The editor still has its text: nothing was pasted or cut.
    editor.send("print");
    EXPECT_EQ(editor.waitForLine(QStringLiteral("TEXT ")),
              QStringLiteral("TEXT ") + QString::fromLatin1(QByteArray("Hello world").toHex()));

    ::kill(pid_t(app->processId()), SIGTERM);
    ASSERT_TRUE(app->waitForFinished(20000));
    EXPECT_EQ(app->exitCode(), 0);
}

} // namespace
} // namespace tolvane::testing

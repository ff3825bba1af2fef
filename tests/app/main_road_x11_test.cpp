#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "workflow/helper_process.h"

#include "app_process.h"
#include "support/x11_tools.h"

#include <QDir>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

// The whole application as the user meets it: a provider configured, text selected in another X11
// application, Ctrl+Alt+T pressed on the keyboard (XTest), and the translation streamed into the panel.
class MainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(profile.isValid());
        ASSERT_TRUE(
            profile.writeSettings("provider.translationEngine=openAICompatible\nprovider.model=test-model\n"
                                  "translation.sourceLanguage=en\ntranslation.targetLanguage=zh-Hans\n"
                                  "provider.baseURL=" +
                                  openai.url(QStringLiteral("/v1")).toString().toUtf8() + "\n"));
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

    FakeHttpServer openai;
    AppProfile profile;
    QByteArray output;
};

TEST_F(MainRoad, SelectedTextTranslatesIntoThePanelOnTheHotKey) {
    ASSERT_TRUE(storeApiKey("sk-main-road")) << "needs the test session's Secret Service";
    openai.enqueue(openai::stream({QStringLiteral("你好"), QStringLiteral("，世界")}, 20));

    auto app = profile.launch();
    ASSERT_TRUE(waitForOutput(*app, output, "Registered translateSelection shortcut: Ctrl+Alt+T"))
        << output.toStdString();
    ASSERT_TRUE(waitForOutput(*app, output, "Main window shown")) << output.toStdString();

    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP),
                         {QStringLiteral("edit"), QStringLiteral("Hello world")}, true);
    ASSERT_TRUE(editor.isReady());
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor.window())}));
    ASSERT_TRUE(
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+t")}));

    ASSERT_TRUE(waitForOutput(*app, output, "Translation completed provider=openai-compatible"))
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
            return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), QString::number(app->processId())})
                       .value_or(QString())
                       .count(QLatin1Char('\n')) >= 1;
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

    EXPECT_TRUE(terminatesCleanly(*app));
}

} // namespace
} // namespace tolvane::testing

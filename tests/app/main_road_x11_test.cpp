#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "workflow/helper_process.h"

#include "app_process.h"
#include "support/x11_tools.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

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

    // Starts the application and waits until its main window has taken the focus it takes once mapped and
    // its hot keys are registered; only then may another window take the focus back.
    void launchUntilFocused() {
        app = profile.launch();
        ASSERT_TRUE(waitForOutput(*app, output, "Start-up finished")) << output.toStdString();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowpid")}) ==
                       QString::number(app->processId());
            },
            20000));
    }

    // Starts the application, selects "Hello world" in another application, presses Ctrl+Alt+T on the
    // keyboard and waits for the translation to complete.
    void launchAndTranslateSelection() {
        output.clear();
        ASSERT_NO_FATAL_FAILURE(launchUntilFocused());
        ASSERT_NO_FATAL_FAILURE(translateSelection());
    }
    void translateSelection() {
        editor = std::make_unique<HelperProcess>(
            QStringLiteral(CLIPBOARD_TEST_APP),
            QStringList{QStringLiteral("edit"), QStringLiteral("Hello world")}, true);
        ASSERT_TRUE(editor->isReady());
        ASSERT_TRUE(xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor->window())}));
        ASSERT_TRUE(xdotool(
            {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+t")}));
        ASSERT_TRUE(waitForOutput(*app, output, "Translation completed provider=openai-compatible"))
            << output.toStdString();
    }

    FakeHttpServer openai;
    AppProfile profile;
    QByteArray output;
    std::unique_ptr<QProcess> app;
    std::unique_ptr<HelperProcess> editor;
};

TEST_F(MainRoad, SelectedTextTranslatesIntoThePanelOnTheHotKey) {
    ASSERT_TRUE(storeApiKey("sk-main-road")) << "needs the test session's Secret Service";
    openai.enqueue(openai::stream({QStringLiteral("你好"), QStringLiteral("，世界")}, 20));

    ASSERT_NO_FATAL_FAILURE(launchAndTranslateSelection());
    EXPECT_TRUE(output.contains("Registered translateSelection shortcut: Ctrl+Alt+T"))
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
    editor->send("print");
    EXPECT_EQ(editor->waitForLine(QStringLiteral("TEXT ")),
              QStringLiteral("TEXT ") + QString::fromLatin1(QByteArray("Hello world").toHex()));

    EXPECT_TRUE(terminatesCleanly(*app));
}

// The permission bits of a path, or -1 when it is absent.
int modeOf(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

// Runs SQL on a file through a connection of the test's own; the first column of the last row returned.
int64_t runSql(const QString& path, const char* statements) {
    sqlite3* db = nullptr;
    int64_t value = -1;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(
        db, statements,
        [](void* out, int, char** row, char**) { return *static_cast<int64_t*>(out) = atoll(row[0]), 0; },
        &value, nullptr);
    sqlite3_close(db);
    return value;
}

// A damaged history database stops nothing: the next translation reaches the provider and is recorded in a
// new database, the damaged one is kept beside it, and the files are the user's alone under umask 022.
TEST_F(MainRoad, EachDamagedHistoryDatabaseIsSetAsideAndTheNextTranslationRecorded) {
    ASSERT_TRUE(storeApiKey("sk-main-road")) << "needs the test session's Secret Service";
    const mode_t previousMask = ::umask(022);
    const QString folder = profile.path("data/Tolvane");
    const QString database = folder + QStringLiteral("/History.sqlite3");
    const std::vector<std::pair<const char*, std::function<bool()>>> cases{
        {"truncated",
         [&] {
             runSql(database, "CREATE TABLE t (x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                              "FROM n WHERE i < 400) INSERT INTO t SELECT printf('%.500c', 'x') FROM n;");
             QFile file(database);
             return file.resize(file.size() / 2);
         }},
        {"random bytes",
         [&] {
             QFile file(database);
             return file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'Z')) == 8192;
         }},
        {"directory", [&] { return QDir().mkpath(database + QStringLiteral("/inside")); }},
        {"foreign schema",
         [&] { return runSql(database, "CREATE TABLE history (id INTEGER PRIMARY KEY, note TEXT);") == -1; }},
    };
    for (const auto& [name, damage] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
        ASSERT_TRUE(damage());
        QByteArray original;
        if (QFile file(database); QFileInfo(database).isFile() && file.open(QIODevice::ReadOnly))
            original = file.readAll();
        openai.enqueue(openai::stream({QStringLiteral("你好")}));
        const qsizetype requestsBefore = openai.requests().size();

        ASSERT_NO_FATAL_FAILURE(launchAndTranslateSelection());
        EXPECT_EQ(openai.requests().size(), requestsBefore + 1) << "the translation reached the provider";
        EXPECT_TRUE(output.contains("The history database was damaged")) << output.toStdString();
        EXPECT_EQ(modeOf(folder), 0700);
        for (const char* suffix : {"", "-wal", "-shm"})
            EXPECT_EQ(modeOf(database + QLatin1String(suffix)), 0600) << suffix;
        EXPECT_TRUE(terminatesCleanly(*app));

        EXPECT_EQ(runSql(database, "SELECT count(*) FROM history WHERE source_text = 'Hello world';"), 1)
            << "the translation is recorded in the new database";
        const QStringList aside = QDir(folder).entryList({QStringLiteral("History.sqlite3.corrupt-*Z")},
                                                         QDir::AllEntries | QDir::NoDotAndDotDot);
        ASSERT_EQ(aside.size(), 1) << QDir(folder).entryList().join(' ').toStdString();
        QFile kept(QDir(folder).filePath(aside.first()));
        if (original.isNull())
            EXPECT_TRUE(QFileInfo::exists(kept.fileName() + QStringLiteral("/inside")));
        else
            EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == original) << "kept as it was";
    }
    ::umask(previousMask);
}

// A translation that has to wait because another program holds the history's write lock is kept on disk at
// once, so however the application then ends (killed outright, its terminal closed, a SIGTERM followed at
// once by a SIGHUP) the next start writes it to the history, once, and removes what kept it.
TEST_F(MainRoad, ATranslationWaitingForTheHistorySurvivesEveryWayTheApplicationEnds) {
    ASSERT_TRUE(storeApiKey("sk-main-road")) << "needs the test session's Secret Service";
    const QString folder = profile.path("data/Tolvane");
    const QString database = folder + QStringLiteral("/History.sqlite3");
    const QString kept = database + QStringLiteral(".unwritten");
    const std::pair<const char*, std::function<bool(QProcess&)>> endings[] = {
        {"SIGKILL",
         [](QProcess& process) {
             process.kill();
             return process.waitForFinished(kProcessLimitMs);
         }},
        {"SIGHUP",
         [](QProcess& process) {
             ::kill(pid_t(process.processId()), SIGHUP);
             return process.waitForFinished(kProcessLimitMs) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
         }},
        {"SIGTERM then SIGHUP",
         [](QProcess& process) {
             ::kill(pid_t(process.processId()), SIGTERM);
             ::kill(pid_t(process.processId()), SIGHUP);
             return process.waitForFinished(kProcessLimitMs) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
         }},
    };
    for (const auto& [name, end] : endings) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
        output.clear();
        ASSERT_NO_FATAL_FAILURE(launchUntilFocused());
        // The application opens its history at start; then another program begins a write and holds it.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QFileInfo::exists(database) && runSql(database, "SELECT count(*) FROM history;") == 0;
            },
            kProcessLimitMs));
        sqlite3* foreign = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(database).constData(), &foreign), SQLITE_OK);
        sqlite3_busy_timeout(foreign, 60000);
        ASSERT_EQ(
            sqlite3_exec(foreign, "BEGIN IMMEDIATE; DELETE FROM history WHERE 0;", nullptr, nullptr, nullptr),
            SQLITE_OK);
        openai.enqueue(openai::stream({QStringLiteral("你好")}));
        ASSERT_NO_FATAL_FAILURE(translateSelection());
        ASSERT_TRUE(waitForOutput(*app, output, "Could not record the translation")) << output.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(kept); }, kProcessLimitMs))
            << "nothing keeps the translation while it waits";
        EXPECT_EQ(modeOf(kept), 0600);

        EXPECT_TRUE(end(*app));
        sqlite3_exec(foreign, "ROLLBACK;", nullptr, nullptr, nullptr);
        sqlite3_close(foreign);
        ASSERT_TRUE(QFileInfo::exists(kept)) << "nothing kept the translation";

        output.clear();
        app = profile.launch();
        ASSERT_TRUE(waitForOutput(*app, output, "1 translation(s) kept from the last run were written"))
            << output.toStdString();
        EXPECT_TRUE(terminatesCleanly(*app));
        EXPECT_EQ(runSql(database, "SELECT count(*) FROM history WHERE source_text = 'Hello world';"), 1);
        EXPECT_EQ(runSql(database, "SELECT count(*) FROM history;"), 1);
        EXPECT_FALSE(QFileInfo::exists(kept));
    }
}

// A terminal the class list does not know, running a program, with nothing selected: the hot key must not
// reach the program as Ctrl+C. The terminal is told by the pseudo-terminal its process holds; it gets the
// accessibility and PRIMARY reads only, and with nothing selected the translation ends without text.
TEST_F(MainRoad, HotKeyOverAnUnknownTerminalNeverInterruptsItsProgram) {
    ASSERT_NO_FATAL_FAILURE(launchUntilFocused());
    QProcess terminal;
    terminal.start(QStringLiteral("xterm"),
                   {QStringLiteral("-name"), QStringLiteral("unknownterm"), QStringLiteral("-class"),
                    QStringLiteral("Unknownterm"), QStringLiteral("-e"), QStringLiteral("sleep"),
                    QStringLiteral("30")});
    ASSERT_TRUE(terminal.waitForStarted());
    // xterm runs `sleep` as its only child.
    qint64 sleepPid = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(terminal.processId()));
            sleepPid = children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toLongLong() : 0;
            return sleepPid > 0;
        },
        10000));
    const std::optional<QString> window =
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--classname"),
                 QStringLiteral("^unknownterm$")});
    ASSERT_TRUE(window && !window->isEmpty());
    ASSERT_TRUE(
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window->section('\n', 0, 0)}));
    ASSERT_TRUE(
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+t")}));

    ASSERT_TRUE(
        waitForOutput(*app, output, "Skipped synthetic copy because the frontmost window is a terminal"))
        << output.toStdString();
    ASSERT_TRUE(waitForOutput(*app, output, "Selection capture completed without selected text"))
        << output.toStdString();
    // Give a stray Ctrl+C time to arrive before looking.
    QTest::qWait(500);
    EXPECT_TRUE(QFile::exists(QStringLiteral("/proc/%1").arg(sleepPid))) << "sleep was interrupted";
    EXPECT_EQ(terminal.state(), QProcess::Running);
    terminal.kill();
    terminal.waitForFinished(5000);
    EXPECT_TRUE(terminatesCleanly(*app));
}

} // namespace
} // namespace tolvane::testing

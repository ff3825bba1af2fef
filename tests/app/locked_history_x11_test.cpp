// A history database another program keeps locked for writing, with the delegate in process on the test
// session's desktop: translations still complete (a remembered one included), the user is told once which
// translation waits and why, and every row lands, in order, once the lock ends or at the next start after a
// quit. A clear from either window covers every translation made before it, or says why it cannot run.
#include "app/app_delegate.h"
#include "app/history_window_controller.h"
#include "desktop_delegate.h"
#include "history/history_list_model.h"
#include "history/history_view.h"
#include "model/history_events.h"
#include "scoped_environment.h"
#include "settings/settings_view.h"
#include "support/fake_http_server.h"
#include "support/fake_translation_replies.h"
#include "support/history_rows.h"
#include "workflow/workflow_coordinator.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace tolvane::testing {
namespace {

class LockedHistory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        folders.redirectUserFolders(home.path());
        start();
    }
    void TearDown() override {
        sqlite3_close(foreign);
        delegate.reset();
    }

    // Starts the application (again, after a quit) on the same folders.
    void start() {
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11),
                                       AppFactories{.settingsContent = SettingsView::factory(),
                                                    .historyContent = HistoryView::factory()});
        useFakeChatService(*delegate, openai, QStringLiteral("sk-locked"));
        path = delegate->storage().historyDatabasePath();
        ASSERT_TRUE(startUntilFinished(*delegate));
        QObject::connect(&delegate->workflow(), &WorkflowCoordinator::statusChanged, [this] {
            statuses.append({delegate->workflow().status(), delegate->workflow().sourceText()});
        });
    }
    // The history window's content once it has listed the history.
    HistoryView* showHistoryWindow() {
        delegate->presentHistoryWindow();
        auto* view = qobject_cast<HistoryView*>(delegate->historyWindowController()->content());
        if (!view)
            return nullptr;
        QSignalSpy loaded(view, &HistoryView::loaded);
        const bool shown = QTest::qWaitForWindowExposed(delegate->historyWindowController()->window(), 60000);
        return shown && (loaded.count() > 0 || loaded.wait(60000)) ? view : nullptr;
    }

    // Translates `text` as the hot key does and waits for the result; false (and a test failure) unless it
    // completed.
    bool translate(const QString& text) {
        const qsizetype before = statuses.size();
        delegate->workflow().translateText(text, false);
        std::optional<WorkflowStatus> ended;
        const bool finished = QTest::qWaitFor(
            [&] {
                // A notice added to the previous result may arrive first.
                for (qsizetype i = before; i < statuses.size() && !ended; ++i) {
                    const auto& [status, source] = statuses[i];
                    if (source == text && (status.kind() == WorkflowStatus::Kind::completed ||
                                           status.kind() == WorkflowStatus::Kind::failed))
                        ended = status;
                }
                return ended.has_value();
            },
            60000);
        const bool completed = finished && ended->kind() == WorkflowStatus::Kind::completed;
        EXPECT_TRUE(completed) << text.toStdString() << ": "
                               << ended.value_or(WorkflowStatus()).debugName().toStdString();
        return completed;
    }

    qsizetype noticesFrom(qsizetype first) const {
        return std::count_if(statuses.begin() + first, statuses.end(), [](const auto& entry) {
            const WorkflowStatus& status = entry.first;
            return status.kind() == WorkflowStatus::Kind::completed &&
                   status.message().contains(QStringLiteral("暂时无法写入历史记录"));
        });
    }
    // The messages of completed statuses since `first` that tell about the history.
    QStringList historyNoticesFrom(qsizetype first) const {
        QStringList notices;
        for (qsizetype i = first; i < statuses.size(); ++i) {
            const WorkflowStatus& status = statuses[i].first;
            if (status.kind() == WorkflowStatus::Kind::completed && status.message().contains("历史记录"))
                notices << status.message();
        }
        return notices;
    }
    // The history's sources, oldest first, read through a connection of the test's own.
    QStringList storedSources() const {
        QStringList sources;
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT source_text FROM history ORDER BY created_at;", -1, &statement,
                           nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            sources << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return sources;
    }
    void lockForWriting() {
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &foreign), SQLITE_OK);
        // A write of the application's own (the memory row after the history row) may still hold the lock.
        sqlite3_busy_timeout(foreign, 60000);
        ASSERT_EQ(
            sqlite3_exec(foreign, "BEGIN IMMEDIATE; DELETE FROM history WHERE 0;", nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    void unlock() {
        ASSERT_EQ(sqlite3_exec(foreign, "ROLLBACK;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(std::exchange(foreign, nullptr));
    }

    QTemporaryDir home;
    ScopedEnvironment folders;
    FakeHttpServer openai;
    std::unique_ptr<AppDelegate> delegate;
    QString path;
    QList<std::pair<WorkflowStatus, QString>> statuses; // each status with the source text it was for
    sqlite3* foreign = nullptr;                         // another program's connection to the same file
};

TEST_F(LockedHistory, TranslationsCompleteUnderAForeignWriteLockAndTheUserIsToldOnce) {
    const QString remembered = QStringLiteral("hello there");
    ASSERT_TRUE(translate(remembered));
    const QString rememberedResult = delegate->workflow().resultText();
    // The memory row is written after the history row.
    ASSERT_TRUE(QTest::qWaitFor([&] { return storedRowCount(path, "memory", remembered) == 1; }, 30000));

    // Another program begins a write and keeps its transaction open.
    lockForWriting();
    const qsizetype firstLocked = statuses.size();
    const qsizetype requestsBefore = openai.requests().size();
    // From memory (its hit cannot be counted), then from the provider, twice.
    EXPECT_TRUE(translate(remembered)) << "a remembered translation must not fail on the lock";
    EXPECT_EQ(delegate->workflow().resultText().toStdString(), rememberedResult.toStdString());
    EXPECT_EQ(openai.requests().size(), requestsBefore);
    for (const QString& text : {QStringLiteral("good morning"), QStringLiteral("a third text")}) {
        EXPECT_TRUE(translate(text));
        EXPECT_EQ(delegate->workflow().resultText().toStdString(),
                  fake_replies::translationOf(text).toStdString());
    }
    // A failure not told beside its own result is told beside the next one at the latest.
    EXPECT_TRUE(translate(QStringLiteral("a fourth text")));
    EXPECT_EQ(noticesFrom(firstLocked), 1);

    // The lock ends: every translation made under it is written, in order, and nothing more is told.
    ASSERT_EQ(sqlite3_exec(foreign, "ROLLBACK;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(translate(QStringLiteral("after the lock")));
    const QStringList expected{remembered,
                               remembered,
                               QStringLiteral("good morning"),
                               QStringLiteral("a third text"),
                               QStringLiteral("a fourth text"),
                               QStringLiteral("after the lock")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedSources() == expected; }, 30000))
        << storedSources().join(" | ").toStdString();
    EXPECT_EQ(noticesFrom(firstLocked), 1);
}

TEST_F(LockedHistory, TwoTranslationsUnderALockNameTheOneThatWaitsAndBothLandInOrder) {
    ASSERT_TRUE(translate(QStringLiteral("before the lock")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return storedRowCount(path, "history", QStringLiteral("before the lock")) == 1; }, 30000));

    lockForWriting();
    const qsizetype firstLocked = statuses.size();
    // The second starts at once: the first's write is still waiting for the lock.
    ASSERT_TRUE(translate(QStringLiteral("first locked")));
    ASSERT_TRUE(translate(QStringLiteral("second locked")));
    // The first is named with its cause, beside whichever result is shown when its write fails.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !historyNoticesFrom(firstLocked).isEmpty(); }, 30000));
    const QStringList notices = historyNoticesFrom(firstLocked);
    EXPECT_EQ(notices.first().toStdString(),
              "「first locked」的翻译暂时无法写入历史记录（历史记录文件正被其他程序占用），"
              "可以写入后会自动保存。");
    for (const QString& notice : notices)
        EXPECT_FALSE(notice.contains(QStringLiteral("second locked"))) << "told once";

    ASSERT_EQ(sqlite3_exec(foreign, "ROLLBACK;", nullptr, nullptr, nullptr), SQLITE_OK);
    const QStringList expected{QStringLiteral("before the lock"), QStringLiteral("first locked"),
                               QStringLiteral("second locked")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedSources() == expected; }, 30000))
        << storedSources().join(" | ").toStdString();
}

TEST_F(LockedHistory, ATranslationWaitingWhenTheHistoryIsClearedDoesNotComeBackAfterTheClear) {
    ASSERT_TRUE(translate(QStringLiteral("before the lock")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return storedRowCount(path, "history", QStringLiteral("before the lock")) == 1; }, 30000));
    lockForWriting();
    const qsizetype firstLocked = statuses.size();
    ASSERT_TRUE(translate(QStringLiteral("made before the clear")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !historyNoticesFrom(firstLocked).isEmpty(); }, 30000));

    // The lock ends and the history is cleared from the settings page.
    unlock();
    delegate->presentSettings();
    auto* settings = delegate->hostedWindow(QStringLiteral("settings"))->findChild<SettingsView*>();
    ASSERT_NE(settings, nullptr);
    settings->clearTranslationHistory();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return settings->statusMessage() == QStringLiteral("本地翻译历史已清空。"); }, 60000));

    // The next translation writes whatever still waits before its own row.
    ASSERT_TRUE(translate(QStringLiteral("made after the clear")));
    const QStringList expected{QStringLiteral("made after the clear")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedSources() == expected; }, 30000))
        << storedSources().join(" | ").toStdString();
}

// The record of a translation is written while a clear is asked for (its write waits for the lock, the clear
// queues behind it): the clear still removes its history row and its memory row, from either window.
TEST_F(LockedHistory, AClearFromEitherWindowRemovesATranslationWhoseWriteWaitedForIt) {
    ASSERT_TRUE(translate(QStringLiteral("before the lock")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return storedRowCount(path, "history", QStringLiteral("before the lock")) == 1; }, 30000));

    delegate->presentSettings();
    auto* settings = delegate->hostedWindow(QStringLiteral("settings"))->findChild<SettingsView*>();
    ASSERT_NE(settings, nullptr);
    HistoryView* history = showHistoryWindow();
    ASSERT_NE(history, nullptr);
    QSignalSpy historyChanged(history, &HistoryView::changeFinished);
    struct Clear {
        const char* window;
        QString text;
        std::function<void()> start;
        std::function<bool()> finished;
    };
    const Clear clears[] = {
        {"settings", QStringLiteral("cleared from the settings"),
         [&] { settings->clearTranslationHistory(); },
         [&] { return settings->statusMessage() == QStringLiteral("本地翻译历史已清空。"); }},
        {"history", QStringLiteral("cleared from the history window"), [&] { history->clearAll(); },
         [&] { return !historyChanged.isEmpty(); }},
    };
    for (const Clear& clear : clears) {
        lockForWriting();
        // Its write starts at once and waits for the lock; the clear asked for now comes after it.
        ASSERT_TRUE(translate(clear.text)) << clear.window;
        clear.start();
        unlock();
        ASSERT_TRUE(QTest::qWaitFor(clear.finished, 60000)) << clear.window;

        const qsizetype requests = openai.requests().size();
        ASSERT_TRUE(translate(clear.text)) << clear.window;
        EXPECT_EQ(openai.requests().size(), requests + 1)
            << clear.window << ": answered from a memory row the clear should have removed";
        EXPECT_TRUE(QTest::qWaitFor([&] { return storedSources() == QStringList{clear.text}; }, 30000))
            << clear.window << ": " << storedSources().join(" | ").toStdString();
    }
}

TEST_F(LockedHistory, AClearThatCannotRunSaysWhyInEitherWindowAndKeepsEveryRow) {
    ASSERT_TRUE(translate(QStringLiteral("listed row")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return storedRowCount(path, "history", QStringLiteral("listed row")) == 1; }, 30000));
    HistoryView* view = showHistoryWindow();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model().rowCount(), 1);

    lockForWriting();
    const qsizetype firstLocked = statuses.size();
    ASSERT_TRUE(translate(QStringLiteral("made before the failed clear")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !historyNoticesFrom(firstLocked).isEmpty(); }, 30000));
    QSignalSpy changed(view, &HistoryView::changeFinished);
    view->clearAll();
    EXPECT_FALSE(view->clearButton()->isEnabled()) << "no second clear while this one waits";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changed.isEmpty(); }, 60000));
    EXPECT_EQ(view->model().rowCount(), 1);
    auto* notice = view->findChild<QLabel*>(QStringLiteral("historyNotice"));
    ASSERT_NE(notice, nullptr) << "nothing tells why the rows are still listed";
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text().toStdString(), "未能清空翻译历史（历史记录文件正被其他程序占用），记录都还在。");
    EXPECT_TRUE(view->clearButton()->isEnabled());
    // The settings page's clear says the same.
    delegate->presentSettings();
    auto* settings = delegate->hostedWindow(QStringLiteral("settings"))->findChild<SettingsView*>();
    ASSERT_NE(settings, nullptr);
    settings->clearTranslationHistory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !settings->isClearingHistory(); }, 60000));
    EXPECT_EQ(settings->statusMessage().toStdString(), notice->text().toStdString());

    // No clear ran, so the translation that waited is kept as well.
    unlock();
    const QStringList expected{QStringLiteral("listed row"), QStringLiteral("made before the failed clear")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedSources() == expected; }, 30000))
        << storedSources().join(" | ").toStdString();
}

TEST_F(LockedHistory, TranslationsWaitingAtQuitAreWrittenAtTheNextStartInOrderAndOnce) {
    ASSERT_TRUE(translate(QStringLiteral("before the lock")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return storedRowCount(path, "history", QStringLiteral("before the lock")) == 1; }, 30000));
    lockForWriting();
    const qsizetype firstLocked = statuses.size();
    ASSERT_TRUE(translate(QStringLiteral("waiting at quit")));
    ASSERT_TRUE(translate(QStringLiteral("also waiting at quit")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !historyNoticesFrom(firstLocked).isEmpty(); }, 30000));
    EXPECT_TRUE(historyNoticesFrom(firstLocked).first().contains(QStringLiteral("可以写入后会自动保存")));

    // Quit as a logout does (SIGTERM ends the event loop, then the delegate cleans up), the lock still held.
    delegate.reset();
    const QString kept = path + QStringLiteral(".unwritten");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &status), 0)
        << "nothing was kept for the next start";
    EXPECT_EQ(status.st_mode & 0077, 0u) << "the kept texts are the owner's alone";
    unlock();

    const QStringList expected{QStringLiteral("before the lock"), QStringLiteral("waiting at quit"),
                               QStringLiteral("also waiting at quit")};
    for (int run = 1; run <= 2; ++run) {
        start();
        HistoryView* view = showHistoryWindow();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->model().rowCount(), 3) << "start " << run;
        EXPECT_EQ(storedSources(), expected)
            << "start " << run << ": " << storedSources().join(" | ").toStdString();
        EXPECT_FALSE(QFileInfo::exists(kept)) << "start " << run;
        delegate.reset();
    }
}

} // namespace
} // namespace tolvane::testing

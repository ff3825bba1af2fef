// The history write queue over the real store and a real database file: rows that cannot be written while
// another program holds the write lock or the disk is full wait and land in order once the database takes
// writes again; only a record arriving at a full queue is given up; waiting records are kept on disk from
// the moment they wait and the next start writes each once; one a clear covers is dropped.
#include "log_capture.h"
#include "model/history_store.h"
#include "model/unwritten_translations.h"
#include "support/full_disk.h"
#include "support/task_outcome.h"
#include "support/translation_request.h"
#include "support/virtual_clock.h"
#include "workflow/history_store_recorder.h"
#include "workflow/history_write_notice.h"
#include "workflow/history_write_queue.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tolvane::testing {
namespace {

using Kind = HistoryWriteOutcome::Kind;
using Cause = HistoryWriteCause;

class HistoryWriteQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        clock.setNow(QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC));
        // The file exists before the disk fills.
        await(store.fetchHistory());
    }
    void TearDown() override { sqlite3_close(other); }

    TranslationRecord recordOf(const QString& source) {
        clock.setNow(clock.now().addSecs(1));
        return {source.toUpper(),
                translationRequest(source),
                source + QStringLiteral(" 译"),
                QStringLiteral("p"),
                true,
                clock.now()};
    }
    // Starts the write and runs the loop until its outcome is known.
    HistoryWriteOutcome write(HistoryWriteQueue& queue, const QString& source) {
        return await(queue.write(recordOf(source)));
    }
    // The history's sources, oldest first, read through a connection of the test's own.
    QStringList storedSources() {
        QStringList sources;
        for (const HistoryEntry& entry : await(store.fetchHistory()))
            sources.prepend(entry.sourceText);
        return sources;
    }
    void lock() {
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM history WHERE 0;", nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    void unlock() {
        sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
        sqlite3_close(std::exchange(other, nullptr));
    }
    // Lets the queue's next retry come due and waits until nothing is pending.
    bool drained(HistoryWriteQueue& queue) {
        return QTest::qWaitFor(
            [&] {
                clock.advance(HistoryWriteQueue::kRetryInterval);
                return queue.pendingCount() == 0;
            },
            60000);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("History.sqlite3"));
    // In place before the store opens its file.
    FullDisk disk{dir.path()};
    VirtualClock clock;
    HistoryStore store{clock, path};
    HistoryStoreRecorder recorder{store};
    sqlite3* other = nullptr;
};

TEST_F(HistoryWriteQueueTest, ALongLockOrAFullDiskLosesNoRowAndTheRowsLandInOrder) {
    HistoryWriteQueue queue(recorder, clock, HistoryWriteQueue::kCapacity);
    EXPECT_EQ(write(queue, "first"), (HistoryWriteOutcome{Kind::written}));

    lock();
    EXPECT_EQ(write(queue, "a"), (HistoryWriteOutcome{Kind::waiting, Cause::locked}));
    EXPECT_EQ(write(queue, "b"), (HistoryWriteOutcome{Kind::waiting, Cause::locked}));
    EXPECT_EQ(queue.pendingCount(), 2);
    unlock();
    ASSERT_TRUE(drained(queue));
    EXPECT_EQ(storedSources(), QStringList({"first", "a", "b"}));
    const AIRequest b = translationRequest("b");
    EXPECT_TRUE(await(store.lookupMemory(
        HistoryStore::memoryCacheKey(b.sourceText, b.targetLanguage, b.style, b.glossaryTerms))))
        << "the memory row follows its history row";

    disk.setFull(true);
    EXPECT_EQ(write(queue, "c"), (HistoryWriteOutcome{Kind::waiting, Cause::diskFull}));
    EXPECT_EQ(write(queue, "d"), (HistoryWriteOutcome{Kind::waiting, Cause::diskFull}));
    disk.setFull(false);
    // Nothing waits for the retry once the disk has room: the next record writes every one before it.
    EXPECT_EQ(write(queue, "e"), (HistoryWriteOutcome{Kind::written}));
    EXPECT_EQ(queue.pendingCount(), 0);
    EXPECT_EQ(storedSources(), QStringList({"first", "a", "b", "c", "d", "e"}));
}

TEST_F(HistoryWriteQueueTest, OnlyARecordArrivingAtAFullQueueIsGivenUpAndOneWaitingAtQuitIsKept) {
    disk.setFull(true);
    auto queue = std::make_unique<HistoryWriteQueue>(recorder, clock, 2);
    EXPECT_EQ(write(*queue, "a").kind, Kind::waiting);
    EXPECT_EQ(write(*queue, "b").kind, Kind::waiting);
    EXPECT_EQ(write(*queue, "c"), (HistoryWriteOutcome{Kind::lost, Cause::queueFull}));
    disk.setFull(false);
    ASSERT_TRUE(drained(*queue));
    EXPECT_EQ(storedSources(), QStringList({"a", "b"}));

    disk.setFull(true);
    EXPECT_EQ(write(*queue, "d").kind, Kind::waiting);
    LogCapture log("com.tolvane.app.Workflow");
    queue.reset(); // as at quit
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().last().startsWith(QStringLiteral("1 translation(s) still waiting")))
        << log.lines().last().toStdString();
}

// The sources in the file that keeps the waiting translations, oldest first.
QStringList keptSources(const QString& databasePath) {
    QStringList sources;
    for (const TranslationRecord& record : UnwrittenTranslations(databasePath).load())
        sources << record.request.sourceText;
    return sources;
}

// A translation is on disk from the moment it waits, not only at quit, and the file follows the waiting
// list: a record written while others still wait comes off it, and it is gone once none waits.
TEST_F(HistoryWriteQueueTest, WaitingTranslationsAreKeptOnDiskAsSoonAsTheyWaitUntilEachIsWritten) {
    HistoryWriteQueue queue(recorder, clock, HistoryWriteQueue::kCapacity);
    EXPECT_EQ(write(queue, "first"), (HistoryWriteOutcome{Kind::written}));
    EXPECT_FALSE(UnwrittenTranslations(path).exists());

    lock();
    EXPECT_EQ(write(queue, "a"), (HistoryWriteOutcome{Kind::waiting, Cause::locked}));
    EXPECT_EQ(keptSources(path), QStringList({"a"}));
    EXPECT_EQ(QFile::permissions(path + ".unwritten") & 0x0FFF,
              QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(write(queue, "b"), (HistoryWriteOutcome{Kind::waiting, Cause::locked}));
    EXPECT_EQ(keptSources(path), QStringList({"a", "b"}));
    unlock();

    ASSERT_TRUE(drained(queue));
    EXPECT_EQ(storedSources(), QStringList({"first", "a", "b"}));
    EXPECT_FALSE(UnwrittenTranslations(path).exists());

    // A record written while others still wait comes off the file with its write; one a clear covers goes
    // with the clear.
    const TranslationRecord c = recordOf("c"), d = recordOf("d"), e = recordOf("e");
    EXPECT_TRUE(await(store.keepWaiting({c, d, e})));
    EXPECT_EQ(keptSources(path), QStringList({"c", "d", "e"}));
    EXPECT_TRUE(await(store.recordTranslation(c)));
    EXPECT_EQ(keptSources(path), QStringList({"d", "e"}));
    await(store.clearAll());
    EXPECT_FALSE(UnwrittenTranslations(path).exists());
}

// The next start writes each kept record once: one whose row is already there at its time or later (the
// process wrote it but could not rewrite the file, then wrote a newer text of the same row) leaves that row
// as it is; the others are written, oldest first.
TEST_F(HistoryWriteQueueTest, KeptRecordsAlreadyWrittenAreNotWrittenAgainAtTheNextStart) {
    TranslationRecord older = recordOf("typed");
    TranslationRecord newer = older;
    newer.request.sourceText = QStringLiteral("typed on");
    newer.timestamp = older.timestamp.addMSecs(500);
    const TranslationRecord other = recordOf("other");
    EXPECT_TRUE(await(store.recordTranslation(newer)));
    ASSERT_TRUE(UnwrittenTranslations(path).save({older, other}));

    HistoryStore next(clock, path);
    const QList<HistoryEntry> entries = await(next.fetchHistory());
    QStringList sources;
    for (const HistoryEntry& entry : entries)
        sources.prepend(entry.sourceText);
    EXPECT_EQ(sources, QStringList({"typed on", "other"}));
    EXPECT_FALSE(UnwrittenTranslations(path).exists());
}

// Where the file cannot be written either, the words do not promise more than holds.
TEST_F(HistoryWriteQueueTest, ATranslationThatCannotBeKeptOnDiskIsSaidToWaitOnlyWhileTheProgramRuns) {
    HistoryWriteQueue queue(recorder, clock, HistoryWriteQueue::kCapacity);
    disk.setFull(true);
    HistoryWriteOutcome outcome;
    {
        FileSizeLimit full(0);
        ASSERT_TRUE(full.isApplied());
        outcome = write(queue, "no room");
    }
    EXPECT_EQ(outcome, (HistoryWriteOutcome{Kind::waiting, Cause::diskFull, true}));
    EXPECT_EQ(historyWriteNotice("no room", outcome).toStdString(),
              "「no room」的翻译暂时无法写入历史记录（磁盘空间已满），"
              "也无法暂存到磁盘：程序退出前可以写入才会自动保存。");
    EXPECT_FALSE(UnwrittenTranslations(path).exists());
    // The next one, with room for the file, is kept, together with the one before it.
    EXPECT_EQ(write(queue, "kept"), (HistoryWriteOutcome{Kind::waiting, Cause::diskFull}));
    EXPECT_EQ(keptSources(path), QStringList({"no room", "kept"}));
    disk.setFull(false);
    ASSERT_TRUE(drained(queue));
    EXPECT_EQ(storedSources(), QStringList({"no room", "kept"}));
}

// A translation still waiting at quit that a clear made since covers does not come back at the next start.
TEST_F(HistoryWriteQueueTest, ATranslationTheHistoryWasClearedOfStaysGoneAfterAQuit) {
    auto queue = std::make_unique<HistoryWriteQueue>(recorder, clock, HistoryWriteQueue::kCapacity);
    lock();
    EXPECT_EQ(write(*queue, "made before the clear").kind, Kind::waiting);
    unlock();
    await(store.clearAll());
    ASSERT_EQ(queue->pendingCount(), 1) << "no retry came due: it still waits";
    queue.reset();
    await(store.fetchHistory());
    EXPECT_FALSE(UnwrittenTranslations(path).exists());

    HistoryStore next(clock, path);
    EXPECT_TRUE(await(next.fetchHistory()).isEmpty());
}

// Quitting while the disk that holds the kept translations is full too: nothing says they were kept, the
// file an earlier run kept is not replaced, and the next start writes what that file holds.
TEST_F(HistoryWriteQueueTest, AQuitOnAFullDiskLeavesWhatAnEarlierQuitKept) {
    const UnwrittenTranslations kept(path);
    disk.setFull(true);
    {
        HistoryStore first(clock, path);
        HistoryStoreRecorder firstRecorder(first);
        HistoryWriteQueue queue(firstRecorder, clock, HistoryWriteQueue::kCapacity);
        EXPECT_EQ(write(queue, "kept by the first run").kind, Kind::waiting);
    }
    ASSERT_EQ(kept.load().size(), 1);
    {
        HistoryStore second(clock, path);
        HistoryStoreRecorder secondRecorder(second);
        auto queue = std::make_unique<HistoryWriteQueue>(secondRecorder, clock, HistoryWriteQueue::kCapacity);
        FileSizeLimit full(0);
        ASSERT_TRUE(full.isApplied());
        EXPECT_EQ(write(*queue, "lost at the second quit").kind, Kind::waiting);
        LogCapture log("com.tolvane.app.History");
        queue.reset();
        await(second.fetchHistory()); // the store has done what the quit handed to it
        EXPECT_TRUE(log.lines().filter(QStringLiteral("kept")).isEmpty())
            << log.lines().join('\n').toStdString();
        EXPECT_FALSE(log.lines().filter(QStringLiteral("Could not keep")).isEmpty());
    }
    const QList<TranslationRecord> records = kept.load();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().request.sourceText, "kept by the first run");

    // The next start writes it.
    disk.setFull(false);
    HistoryStore next(clock, path);
    const QList<HistoryEntry> entries = await(next.fetchHistory());
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().sourceText, "kept by the first run");
    EXPECT_FALSE(kept.exists());
}

TEST_F(HistoryWriteQueueTest, RowsWaitingWhenTheHistoryIsClearedAreNotWrittenAfterTheClear) {
    HistoryWriteQueue queue(recorder, clock, HistoryWriteQueue::kCapacity);
    disk.setFull(true);
    EXPECT_EQ(write(queue, "before clear").kind, Kind::waiting);
    disk.setFull(false);
    await(store.clearAll());
    // The queue goes on writing what comes after the clear.
    EXPECT_EQ(write(queue, "after clear"), (HistoryWriteOutcome{Kind::written}));
    ASSERT_TRUE(drained(queue));
    EXPECT_EQ(storedSources(), QStringList({"after clear"}));
}

// A clear asked for while a record waits covers it, but not one made after it was asked for; one that could
// not run covers nothing. Whether written first and removed by the clear or dropped after it, a covered
// record leaves neither a history row nor a memory row.
TEST_F(HistoryWriteQueueTest, AClearCoversTheRecordsMadeBeforeItWasAskedForAndNoOthers) {
    HistoryWriteQueue queue(recorder, clock, HistoryWriteQueue::kCapacity);
    lock();
    EXPECT_EQ(write(queue, "before").kind, Kind::waiting);
    // While the lock lasts the clear cannot run: it covers nothing, and the record stays queued.
    EXPECT_NE(runToEnd(store.clearAll()), nullptr);
    EXPECT_EQ(queue.pendingCount(), 1);
    unlock();
    auto cleared = store.clearAll();
    // Made after the clear was asked for, written after it ran: it stays.
    EXPECT_EQ(write(queue, "after"), (HistoryWriteOutcome{Kind::written}));
    EXPECT_EQ(runToEnd(std::move(cleared)), nullptr);
    EXPECT_EQ(storedSources(), QStringList({"after"}));
    const AIRequest before = translationRequest("before");
    EXPECT_FALSE(await(store.lookupMemory(HistoryStore::memoryCacheKey(
        before.sourceText, before.targetLanguage, before.style, before.glossaryTerms))));
}

} // namespace
} // namespace tolvane::testing

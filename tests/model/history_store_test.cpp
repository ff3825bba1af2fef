#include "model/history_store.h"
#include "support/full_disk.h"
#include "support/task_outcome.h"
#include "support/translation_request.h"
#include "support/virtual_clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace tolvane {
namespace {

AIRequest request(QString source, QString target = QStringLiteral("zh-Hans")) {
    return testing::translationRequest(std::move(source), std::move(target));
}

QString keyOf(const AIRequest& r) {
    return HistoryStore::memoryCacheKey(r.sourceText, r.targetLanguage, r.style, r.glossaryTerms);
}

GlossaryTerm term(QString source, QString target) {
    return GlossaryTerm{QUuid::createUuid(), source, target};
}

using testing::await;

// The store error `task` ends with, in words.
template <typename T> QString errorOf(QCoro::Task<T>&& task) {
    const auto error = testing::errorAs<HistoryStoreError>(testing::runToEnd(std::move(task)));
    return error ? error->description() : QStringLiteral("<no error>");
}

// Why the store's `task` failed; nullopt when it did not fail with a store error.
template <typename T> std::optional<HistoryStoreError::Cause> causeOf(QCoro::Task<T>&& task) {
    const auto error = testing::errorAs<HistoryStoreError>(testing::runToEnd(std::move(task)));
    return error ? std::optional(error->cause()) : std::nullopt;
}

// Reads the file directly through a second connection.
struct RawDb {
    explicit RawDb(const QString& path) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~RawDb() { sqlite3_close(db); }
    // The first column of the first row, or `fallback` when there is none.
    template <typename T> T scalar(const char* sql, T fallback = T(-1)) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        T value = fallback;
        if (sqlite3_step(s) == SQLITE_ROW) {
            if constexpr (std::is_same_v<T, double>)
                value = sqlite3_column_double(s, 0);
            else if constexpr (std::is_same_v<T, QString>)
                value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            else
                value = sqlite3_column_int64(s, 0);
        }
        sqlite3_finalize(s);
        return value;
    }
    int64_t integer(const char* sql) { return scalar<int64_t>(sql); }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        clock.setNow(QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC));
    }
    QString path() const { return dir.filePath(QStringLiteral("nested/folder/History.sqlite3")); }

    QTemporaryDir dir;
    testing::VirtualClock clock;
};

TEST(MemoryCacheKey, KnownVectorsAndNormalisation) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::literal, {}),
              "a2b91c01051cf14f249d590263a3120b183d4efc82e93915550a8529d272b0ab");

    const auto nine = term("item9", "九");
    const auto ten = term("Item10", "十");
    const auto api = term("API", "接口");
    const QString expected = "3cf9c580d8eefc355af990fb30097ba70cf9591cd6b0b37eb168277027668222";
    for (const auto& order : {QList<GlossaryTerm>{nine, ten, api}, QList<GlossaryTerm>{ten, api, nine},
                              QList<GlossaryTerm>{api, nine, ten}}) {
        EXPECT_EQ(HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::literal, order),
                  expected);
    }
    // Terms with a blank side do not count; surrounding blanks of the source do not either, letter case does.
    EXPECT_EQ(HistoryStore::memoryCacheKey(" \n Hello\u3000", "zh-Hans", TranslationStyle::literal,
                                           {nine, term("blank", "  "), ten, term("", "x"), api}),
              expected);
    EXPECT_NE(HistoryStore::memoryCacheKey("hello", "zh-Hans", TranslationStyle::literal, {}),
              HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::literal, {}));
    EXPECT_NE(HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::email, {}),
              HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::literal, {}));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(HistoryStore::memoryCacheKey("Hello", "zh-Hans", TranslationStyle::literal, {ten, api, nine}),
              expected)
        << "digit runs still compare by value in the C locale";
}

TEST_F(HistoryStoreTest, LookupCountsHitsAndALaterUpsertKeepsTheCount) {
    HistoryStore store(clock, path());
    const AIRequest r = request("Hello");
    const QString key = keyOf(r);
    EXPECT_EQ(await(store.lookupMemory(key)), std::nullopt);

    await(store.upsertMemoryEntry(r, "你好", clock.now()));
    clock.setNow(clock.now().addSecs(60));
    EXPECT_EQ(await(store.lookupMemory(key)), QStringLiteral("你好"));
    EXPECT_EQ(await(store.lookupMemory(key)), QStringLiteral("你好"));
    {
        RawDb raw(path());
        EXPECT_EQ(raw.integer("SELECT hit_count FROM memory"), 2);
        EXPECT_DOUBLE_EQ(raw.scalar<double>("SELECT updated_at FROM memory"), 1'700'000'060.123);
    }
    // Surrounding blanks share the row.
    await(store.upsertMemoryEntry(request("  Hello\n"), "您好", clock.now().addSecs(5)));
    RawDb raw(path());
    EXPECT_EQ(raw.integer("SELECT COUNT(*) FROM memory"), 1);
    EXPECT_EQ(raw.integer("SELECT hit_count FROM memory"), 2);
    EXPECT_EQ(await(store.lookupMemory(key)), QStringLiteral("您好"));
}

TEST_F(HistoryStoreTest, ListingUpsertLimitDeleteAndClear) {
    HistoryStore store(clock, path());
    const QDateTime t0 = clock.now();
    for (int i = 0; i < 3; ++i)
        await(store.upsertHistoryEntry(QString("ID-%1").arg(i), request(QString("s%1").arg(i)),
                                       QString("r%1").arg(i), "openai-compatible", t0.addSecs(i)));
    auto all = await(store.fetchHistory());
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].id, "ID-2");
    EXPECT_EQ(all[0].createdAt, t0.addSecs(2)) << "times read back exactly as written";
    EXPECT_EQ(all[0].sourceLanguage, "auto");
    EXPECT_EQ(all[0].provider, "openai-compatible");

    // Re-upserting replaces every column and moves the row to the top.
    await(store.upsertHistoryEntry("ID-0", request("changed", "ja"), "変更", "memory", t0.addSecs(10)));
    all = await(store.fetchHistory());
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].id, "ID-0");
    EXPECT_EQ(all[0].sourceText, "changed");
    EXPECT_EQ(all[0].targetLanguage, "ja");
    EXPECT_EQ(all[0].provider, "memory");

    EXPECT_TRUE(await(store.fetchHistory(0)).isEmpty());
    EXPECT_TRUE(await(store.fetchHistory(-5)).isEmpty());
    EXPECT_EQ(await(store.fetchHistory(2)).size(), 2);
    EXPECT_EQ(await(store.fetchHistory(int64_t(1) << 40)).size(), 3) << "a huge limit must not wrap negative";

    await(store.deleteHistoryEntry("ID-1"));
    await(store.deleteHistoryEntry("no-such-id"));
    all = await(store.fetchHistory());
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1].id, "ID-2");

    await(store.upsertMemoryEntry(request("x"), "y", t0));
    await(store.clearAll());
    EXPECT_TRUE(await(store.fetchHistory()).isEmpty());
    RawDb raw(path());
    EXPECT_EQ(raw.integer("SELECT COUNT(*) FROM memory"), 0);
    EXPECT_EQ(raw.integer("SELECT COUNT(*) FROM sqlite_master WHERE name IN "
                          "('history', 'memory', 'history_created_at_idx')"),
              3);
}

TEST_F(HistoryStoreTest, TextWithNulAndAstralCharactersRoundTrips) {
    HistoryStore store(clock, path());
    const QString source = QStringLiteral("before") + QChar(u'\0') + QStringLiteral("after 😀𝄞");
    const QString result = QStringLiteral("结果") + QChar(u'\0') + QStringLiteral("尾 👩‍👩‍👧");
    await(store.upsertHistoryEntry("A", request(source), result, "p", clock.now()));
    const auto entries = await(store.fetchHistory());
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].sourceText, source);
    EXPECT_EQ(entries[0].resultText, result);

    const AIRequest r = request(source);
    await(store.upsertMemoryEntry(r, result, clock.now()));
    EXPECT_EQ(await(store.lookupMemory(keyOf(r))), result);
    // The cut-off prefix is a different source and must not share the row.
    EXPECT_EQ(await(store.lookupMemory(HistoryStore::memoryCacheKey("before", "zh-Hans", r.style, {}))),
              std::nullopt);
}

TEST_F(HistoryStoreTest, UnopenableLocationsFailEveryOperationWithWords) {
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList paths{dir.filePath("blocker/History.sqlite3"),
                      QStringLiteral("/proc/tolvane/History.sqlite3")};
    // Permissions do not bind root.
    const QString locked = dir.filePath("locked");
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (geteuid() != 0)
        paths << locked + "/History.sqlite3";
    for (const QString& path : paths) {
        HistoryStore store(clock, path);
        const QString unknown = "Unknown SQLite error.";
        EXPECT_EQ(errorOf(store.upsertHistoryEntry("A", request("a"), "b", "p", clock.now())), unknown)
            << path.toStdString();
        EXPECT_EQ(errorOf(store.upsertMemoryEntry(request("a"), "b", clock.now())), unknown);
        EXPECT_EQ(errorOf(store.lookupMemory("k")), unknown);
        EXPECT_EQ(errorOf(store.fetchHistory(10)), unknown);
        EXPECT_EQ(errorOf(store.deleteHistoryEntry("A")), unknown);
        EXPECT_EQ(errorOf(store.clearAll()), unknown);
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(HistoryStoreTest, AFileThatIsNotADatabaseIsSetAsideWithItsLogAndANewOneStarts) {
    const QString file = dir.filePath("History.sqlite3");
    const QByteArray content(4096, 'x');
    for (const QString& name : {file, file + "-wal"}) {
        QFile garbage(name);
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(content);
    }
    HistoryStore store(clock, file);
    await(store.upsertHistoryEntry("A", request("a"), "b", "p", clock.now()));
    EXPECT_EQ(await(store.fetchHistory()).size(), 1);
    const QString aside = file + ".corrupt-20231114T221320Z";
    EXPECT_EQ(store.takeSetAsidePath(), aside);
    EXPECT_EQ(store.takeSetAsidePath(), std::nullopt) << "told once";
    for (const QString& name : {aside, aside + "-wal"}) {
        QFile kept(name);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), content) << "the user's file is kept as it was";
    }
}

TEST_F(HistoryStoreTest, ALockedDatabaseFailsTheListInsteadOfShorteningIt) {
    {
        HistoryStore writer(clock, path());
        await(writer.upsertHistoryEntry("A", request("a"), "b", "p", clock.now()));
        await(writer.close());
    }
    // A connection in exclusive locking mode keeps every other one out, readers included.
    auto other = std::make_unique<RawDb>(path());
    ASSERT_EQ(other->exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;"), SQLITE_OK);
    HistoryStore store(clock, path());
    EXPECT_EQ(errorOf(store.fetchHistory()), "database is locked");
    EXPECT_EQ(errorOf(store.fetchHistory(50)), "database is locked");
    EXPECT_EQ(errorOf(store.upsertHistoryEntry("B", request("a"), "b", "p", clock.now())),
              "database is locked");
    other->exec("ROLLBACK;");
    other.reset();
    EXPECT_EQ(await(store.fetchHistory()).size(), 1);
}

TEST_F(HistoryStoreTest, AShortLockCostsNothingAndALongLockOrAFullDiskFailsWithItsCause) {
    // In place before the store opens its file.
    testing::FullDisk disk(dir.path());
    HistoryStore store(clock, path());
    await(store.upsertHistoryEntry("A", request("a"), "b", "p", clock.now()));
    RawDb other(path());
    // Another program holds the write lock for a moment: the write waits for it instead of failing.
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE; DELETE FROM history WHERE 0;"), SQLITE_OK);
    auto write = store.upsertHistoryEntry("B", request("b"), "c", "p", clock.now());
    std::thread holder([&other] {
        std::this_thread::sleep_for(300ms); // far below the store's busy wait
        other.exec("COMMIT;");
    });
    const std::exception_ptr failure = testing::runToEnd(std::move(write));
    holder.join();
    EXPECT_FALSE(failure) << "a lock shorter than the busy wait must not fail the write";
    EXPECT_EQ(other.integer("SELECT COUNT(*) FROM history;"), 2);

    // A lock held past the wait fails as a lock; the row is not half written.
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE; DELETE FROM history WHERE 0;"), SQLITE_OK);
    EXPECT_EQ(causeOf(store.upsertHistoryEntry("C", request("c"), "d", "p", clock.now())),
              HistoryStoreError::Cause::locked);
    ASSERT_EQ(other.exec("ROLLBACK;"), SQLITE_OK);

    // A full disk fails as one, and the next write once there is room again succeeds.
    disk.setFull(true);
    EXPECT_EQ(causeOf(store.upsertHistoryEntry("C", request("c"), "d", "p", clock.now())),
              HistoryStoreError::Cause::diskFull);
    disk.setFull(false);
    await(store.upsertHistoryEntry("C", request("c"), "d", "p", clock.now()));
    EXPECT_EQ(other.integer("SELECT COUNT(*) FROM history;"), 3);
    await(store.close());
}

TEST_F(HistoryStoreTest, AnExistingDatabaseOthersCanReadIsMadeOwnerOnlyWithItsLogFiles) {
    QDir().mkpath(QFileInfo(path()).absolutePath());
    // Left by an older build or restored from a backup: readable by everyone, its log files in use.
    sqlite3* created = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &created), SQLITE_OK);
    sqlite3_close(created);
    RawDb old(path());
    ASSERT_EQ(old.exec("PRAGMA journal_mode=WAL; CREATE TABLE t(x); INSERT INTO t VALUES (1);"), SQLITE_OK);
    const QStringList files{path(), path() + "-wal", path() + "-shm"};
    for (const QString& file : files)
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0) << file.toStdString();

    HistoryStore store(clock, path());
    await(store.upsertHistoryEntry("A", request("a"), "b", "p", clock.now()));
    for (const QString& file : files) {
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &status), 0) << file.toStdString();
        EXPECT_EQ(status.st_mode & 07777, 0600u) << file.toStdString();
    }
}

TEST_F(HistoryStoreTest, AKillDuringWritesLosesNothingCommitted) {
    QProcess writer;
    writer.start(QStringLiteral(HISTORY_WRITER_HELPER), {path()});
    ASSERT_TRUE(writer.waitForStarted());
    QStringList done;
    while (done.size() < 200 && writer.waitForReadyRead(10000)) {
        while (writer.canReadLine())
            done << QString::fromLatin1(writer.readLine()).trimmed();
    }
    writer.kill(); // SIGKILL, most likely in the middle of a write
    writer.waitForFinished();
    done += QString::fromLatin1(writer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(done.size(), 200);

    HistoryStore store(clock, path());
    QSet<QString> ids;
    for (const HistoryEntry& entry : await(store.fetchHistory()))
        ids.insert(entry.id);
    for (const QString& n : done)
        EXPECT_TRUE(ids.contains("ID-" + n.trimmed())) << n.toStdString();
    const AIRequest last = request("source " + done.last().trimmed());
    EXPECT_TRUE(await(store.lookupMemory(keyOf(last))));
    await(store.close());
    EXPECT_EQ(RawDb(path()).scalar<QString>("PRAGMA integrity_check;", QString()), "ok");
}

TEST_F(HistoryStoreTest, CloseEndsTheConnection) {
    HistoryStore store(clock, path());
    await(store.upsertHistoryEntry("A", request("a"), "b", "p", clock.now()));
    await(store.close());
    EXPECT_EQ(errorOf(store.fetchHistory()), "Unknown SQLite error.");
    EXPECT_TRUE(QDir(dir.path()).removeRecursively());
}

} // namespace
} // namespace tolvane

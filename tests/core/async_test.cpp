#include "core/app_error.h"
#include "core/async/async_mutex.h"
#include "core/async/one_shot.h"
#include "core/async/serial_worker.h"
#include "core/async/sleep.h"
#include "core/async/task.h"
#include "core/logging.h"
#include "support/virtual_clock.h"

#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using tolvane::testing::drainEventLoop;
using tolvane::testing::VirtualClock;

namespace tolvane {
namespace {

QCoro::Task<> record(std::vector<int>* log, int value) {
    log->push_back(value);
    co_return;
}

TEST(Spawn, BodyStartsOnALaterTurnAndTasksStartInOrder) {
    std::vector<int> log;
    QObject context;
    spawn(&context, lcAsync(), [&log](CancellationToken) { return record(&log, 1); });
    spawn(&context, lcAsync(), [&log](CancellationToken) { return record(&log, 2); });
    EXPECT_TRUE(log.empty()) << "a spawned body must not run inside the caller";
    drainEventLoop();
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST(Spawn, CancelledBeforeStartOrContextGoneNeverRuns) {
    std::vector<int> log;
    QObject context;
    TaskHandle cancelled = spawn(&context, lcAsync(), [&log](CancellationToken) { return record(&log, 1); });
    cancelled.cancel();
    auto* doomed = new QObject;
    TaskHandle orphan = spawn(doomed, lcAsync(), [&log](CancellationToken) { return record(&log, 2); });
    delete doomed;
    EXPECT_TRUE(orphan.token().isCancelled());
    drainEventLoop();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(cancelled.isRunning());
    EXPECT_FALSE(orphan.isRunning());
}

QCoro::Task<> sleepThenThrow(Clock* clock, CancellationToken token) {
    co_await sleep(*clock, 10ms, token);
    throw DecodingError(QStringLiteral("boom after a suspension"));
}

TEST(Spawn, ExceptionNobodyAwaitsIsLoggedAndContained) {
    static QStringList messages;
    messages.clear();
    auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages << text; });
    VirtualClock clock;
    QObject context;
    TaskHandle task = spawn(&context, lcAsync(), [&clock](CancellationToken t) { return sleepThenThrow(&clock, t); });
    clock.advance(20ms);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(task.isRunning());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("boom after a suspension")));
}

QCoro::Task<> sleepAndReport(Clock* clock, CancellationToken token, std::shared_ptr<int> stage,
                             std::shared_ptr<bool> flag, std::shared_ptr<bool> flagSeenInCatch) {
    *stage = 1;
    try {
        co_await sleep(*clock, 1000ms, token);
        *stage = 2;
    } catch (const CancelledError&) {
        *stage = 3;
        *flagSeenInCatch = *flag;
    }
}

TEST(Sleep, CancelWhileSleepingResumesLaterWithCancelledError) {
    VirtualClock clock;
    QObject context;
    auto stage = std::make_shared<int>(0);
    auto flag = std::make_shared<bool>(false);
    auto seen = std::make_shared<bool>(false);
    TaskHandle task = spawn(&context, lcAsync(), [&clock, stage, flag, seen](CancellationToken t) {
        return sleepAndReport(&clock, t, stage, flag, seen);
    });
    clock.advance(500ms);
    ASSERT_EQ(*stage, 1);
    task.cancel();
    *flag = true; // set after cancel() returned: the body must not have resumed inside cancel()
    EXPECT_EQ(*stage, 1);
    drainEventLoop();
    EXPECT_EQ(*stage, 3);
    EXPECT_TRUE(*seen);
    EXPECT_EQ(clock.pendingCalls(), 0u) << "the cancelled sleep must remove its timer";
}

TEST(Sleep, VirtualTimeRunsChainedSleepsWithoutRealWaiting) {
    VirtualClock clock;
    QObject context;
    auto stage = std::make_shared<int>(0);
    auto flag = std::make_shared<bool>(false);
    auto seen = std::make_shared<bool>(false);
    const auto startUptime = clock.uptime();
    const auto startWall = clock.now();
    spawn(&context, lcAsync(), [&clock, stage, flag, seen](CancellationToken t) {
        return sleepAndReport(&clock, t, stage, flag, seen);
    });
    clock.advance(999ms);
    EXPECT_EQ(*stage, 1);
    clock.advance(1ms);
    EXPECT_EQ(*stage, 2);
    EXPECT_EQ(clock.uptime() - startUptime, 1000ms);
    EXPECT_EQ(startWall.msecsTo(clock.now()), 1000);
}

QCoro::Task<> waitFor(OneShot<int> shot, std::shared_ptr<int> out) { *out = co_await shot.wait(); }

TEST(OneShot, FirstSettlementWinsAndWaiterNeverResumesInsideResolve) {
    OneShot<int> shot;
    auto out = std::make_shared<int>(0);
    QObject context;
    spawn(&context, lcAsync(), [shot, out](CancellationToken) { return waitFor(shot, out); });
    drainEventLoop();
    EXPECT_TRUE(shot.isAwaited());
    EXPECT_TRUE(shot.resolve(7));
    EXPECT_EQ(*out, 0);
    EXPECT_FALSE(shot.resolve(8));
    EXPECT_FALSE(shot.fail(std::make_exception_ptr(CancelledError())));
    drainEventLoop();
    EXPECT_EQ(*out, 7);
}

class WorkerFailure final : public AppError {
public:
    QString description() const override { return QStringLiteral("worker failed"); }
};

QCoro::Task<> useWorker(SerialWorker* worker, std::shared_ptr<QStringList> log) {
    const Qt::HANDLE mainThread = QThread::currentThreadId();
    Qt::HANDLE jobThread = nullptr;
    int value = co_await worker->run([&jobThread] {
        jobThread = QThread::currentThreadId();
        return 41 + 1;
    });
    log->append(QString::number(value));
    log->append(jobThread != mainThread ? QStringLiteral("off-main") : QStringLiteral("on-main"));
    try {
        co_await worker->run([]() -> void { throw WorkerFailure(); });
    } catch (const WorkerFailure& failure) {
        log->append(failure.description());
    }
}

TEST(SerialWorker, RunsJobsOffTheMainThreadAndCarriesTypedExceptions) {
    SerialWorker worker(QStringLiteral("test-worker"));
    auto log = std::make_shared<QStringList>();
    QObject context;
    TaskHandle task = spawn(&context, lcAsync(), [&worker, log](CancellationToken) { return useWorker(&worker, log); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task.isRunning(); }, 5000));
    EXPECT_EQ(*log, (QStringList{"42", "off-main", "worker failed"}));
}

TEST(SerialWorker, DestructorRunsQueuedJobsFirst) {
    std::atomic<int> done = 0;
    {
        SerialWorker worker(QStringLiteral("drain"));
        for (int i = 0; i < 5; ++i) {
            QCoro::Task<> dropped = worker.run([&done] {
                QThread::msleep(5);
                ++done;
            });
        }
    }
    EXPECT_EQ(done.load(), 5);
    drainEventLoop();
}

QCoro::Task<> holdLock(AsyncMutex* mutex, Clock* clock, std::vector<int>* log, int id, CancellationToken token) {
    auto guard = co_await mutex->lock(token);
    log->push_back(id);
    co_await sleep(*clock, 10ms, {});
    log->push_back(-id);
}

TEST(AsyncMutex, GrantsInArrivalOrderAndSkipsCancelledWaiters) {
    AsyncMutex mutex;
    VirtualClock clock;
    std::vector<int> log;
    QObject context;
    auto start = [&](int id) {
        return spawn(&context, lcAsync(),
                     [&mutex, &clock, &log, id](CancellationToken t) { return holdLock(&mutex, &clock, &log, id, t); });
    };
    start(1);
    TaskHandle second = start(2);
    start(3);
    drainEventLoop();
    second.cancel();
    clock.advance(100ms);
    EXPECT_EQ(log, (std::vector<int>{1, -1, 3, -3}));
    EXPECT_FALSE(mutex.isLocked());
}

} // namespace
} // namespace tolvane

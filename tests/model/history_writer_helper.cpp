// Writes history and memory rows to the database named on the command line until it is killed, printing the
// number of each row once its write has completed. Used to check that a kill loses nothing committed.
#include "core/async/task.h"
#include "core/clock.h"
#include "core/logging.h"
#include "model/history_store.h"

#include <QCoreApplication>
#include <cstdio>

using namespace tolvane;

namespace {

QCoro::Task<> writeForever(HistoryStore* store) {
    for (int i = 0;; ++i) {
        AIRequest request;
        request.sourceText = QStringLiteral("source %1").arg(i);
        request.sourceLanguage = QStringLiteral("en");
        request.targetLanguage = QStringLiteral("zh-Hans");
        co_await store->upsertHistoryEntry(QStringLiteral("ID-%1").arg(i), request,
                                           QStringLiteral("结果 %1").arg(i), QStringLiteral("helper"),
                                           QDateTime::currentDateTimeUtc());
        co_await store->upsertMemoryEntry(request, QStringLiteral("结果 %1").arg(i),
                                          QDateTime::currentDateTimeUtc());
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    HistoryStore store(systemClock(), QString::fromLocal8Bit(argv[1]));
    spawn(&app, lcHistory(), [&store](CancellationToken) { return writeForever(&store); });
    return app.exec();
}

#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace tolvane::benchmarks {

// One second of real time with the event loop running as in the application: a chunk is due every 5 ms
// (200 a second), and every chunk due by now arrives at once, one call of `show` with the whole text each,
// as a network reply delivers what queued up while the loop was busy. A 1 ms heartbeat timer records the
// longest event-loop stall. Returns that stall in nanoseconds; `chunks` counts the chunks across calls.
inline qint64 streamOneSecondAt200PerSecond(QString& text, int& chunks,
                                            const std::function<void(const QString&)>& show) {
    qint64 worstStallNs = 0;
    QEventLoop loop;
    QTimer producer;
    producer.setTimerType(Qt::PreciseTimer);
    producer.setInterval(5);
    QElapsedTimer streamed;
    const int chunksBefore = chunks;
    QObject::connect(&producer, &QTimer::timeout, [&] {
        const qint64 due = chunksBefore + streamed.elapsed() / 5;
        while (chunks < due) {
            text += QStringLiteral("块%1 ").arg(chunks++);
            show(text);
        }
    });
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QElapsedTimer sinceBeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        worstStallNs = std::max(worstStallNs, sinceBeat.nsecsElapsed() - 1'000'000);
        sinceBeat.restart();
    });
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    producer.start();
    streamed.start();
    heartbeat.start();
    sinceBeat.start();
    loop.exec();
    return worstStallNs;
}

// Lets the event loop run for `ms` milliseconds (first layouts and paints).
inline void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tolvane::benchmarks

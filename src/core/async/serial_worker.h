#pragma once

#include "core/async/one_shot.h"

#include <QCoroTask>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>

class QThread;
class QObject;

namespace tolvane {

// One background thread that runs blocking jobs (SQLite, OCR, image filtering) in submission order.
// Results and exceptions come back to the awaiting coroutine on the main thread.
class SerialWorker {
public:
    explicit SerialWorker(QString name);
    // Runs the jobs already queued, then joins the thread.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // A token that fires releases the waiter with CancelledError at once; the job itself still runs.
    template <typename F> QCoro::Task<std::invoke_result_t<F>> run(F job, CancellationToken token = {}) {
        using R = std::invoke_result_t<F>;
        using Stored = std::conditional_t<std::is_void_v<R>, Unit, R>;
        OneShot<Stored> result;
        auto shared = std::make_shared<F>(std::move(job));
        post([result, shared] {
            try {
                if constexpr (std::is_void_v<R>) {
                    (*shared)();
                    result.resolve({});
                } else {
                    result.resolve((*shared)());
                }
            } catch (...) {
                result.fail(std::current_exception());
            }
        });
        return awaitResult<R>(result, std::move(token));
    }

    // Queues a job nobody awaits (work handed over at quit); it still runs before the worker ends. No
    // exception may leave it.
    void post(std::function<void()> job);

private:
    template <typename R, typename Stored>
    static QCoro::Task<R> awaitResult(OneShot<Stored> result, CancellationToken token) {
        if constexpr (std::is_void_v<R>) {
            co_await result.wait(std::move(token));
        } else {
            co_return co_await result.wait(std::move(token));
        }
    }

    QThread* m_thread;
    QObject* m_context;
};

} // namespace tolvane

#pragma once

#include <QCoreApplication>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <exception>
#include <optional>
#include <stdexcept>

namespace tolvane::testing {

// A task's outcome, observed without blocking the event loop.
template <typename T> struct TaskProbe {
    bool done = false;
    std::optional<T> value;
    std::exception_ptr error;
};

template <typename T> QCoro::Task<> observeTask(QCoro::Task<T> task, std::shared_ptr<TaskProbe<T>> probe) {
    try {
        probe->value = co_await std::move(task);
    } catch (...) {
        probe->error = std::current_exception();
    }
    probe->done = true;
}

// Starts watching `task`; the probe fills in as the event loop runs.
template <typename T> std::shared_ptr<TaskProbe<T>> watch(QCoro::Task<T> task) {
    auto probe = std::make_shared<TaskProbe<T>>();
    observeTask(std::move(task), probe);
    return probe;
}

// Runs the event loop until the task ends (at most `limit`); returns its value or rethrows its error.
// QCoro::waitFor in QCoro 0.8 never returns when the task throws, hence this helper.
template <typename T>
T awaitTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::minutes(2)) {
    auto probe = watch(std::move(task));
    QDeadlineTimer deadline(limit);
    while (!probe->done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!probe->done)
        throw std::runtime_error("task did not finish in time");
    if (probe->error)
        std::rethrow_exception(probe->error);
    return std::move(*probe->value);
}

// Runs the task to its end; returns the error it ended with, or null when it succeeded.
template <typename T> std::exception_ptr awaitFailure(QCoro::Task<T> task) {
    try {
        awaitTask(std::move(task));
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// The kind of the `Error` in `error`; nullopt when there is no error or it is of another type.
template <typename Error> std::optional<typename Error::Kind> errorKind(std::exception_ptr error) {
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.kind();
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace tolvane::testing

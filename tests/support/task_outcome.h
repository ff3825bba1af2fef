#pragma once

#include <QCoroTask>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace tolvane::testing {

// Runs a task to its end in a nested event loop and returns what it threw, if anything. (QCoro::waitFor
// never returns when the awaited task throws, so the task is wrapped in one that cannot.)
template <typename Task> std::exception_ptr runToEnd(Task task) {
    std::exception_ptr failure;
    QCoro::waitFor([](Task t, std::exception_ptr* out) -> QCoro::Task<> {
        try {
            co_await std::move(t);
        } catch (...) {
            *out = std::current_exception();
        }
    }(std::move(task), &failure));
    return failure;
}

// Runs `task` to its end and returns its value or rethrows its exception.
template <typename T> T await(QCoro::Task<T>&& task) {
    if constexpr (std::is_void_v<T>) {
        if (auto failure = runToEnd(std::move(task)))
            std::rethrow_exception(failure);
    } else {
        std::optional<T> value;
        auto failure = runToEnd([](QCoro::Task<T> t, std::optional<T>* out) -> QCoro::Task<> {
            *out = co_await std::move(t);
        }(std::move(task), &value));
        if (failure)
            std::rethrow_exception(failure);
        return std::move(*value);
    }
}

// The failure as the exact `Error` type, or nullopt when there is none or it is of another type.
template <typename Error> std::optional<Error> errorAs(std::exception_ptr failure) {
    if (!failure)
        return std::nullopt;
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        return error;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace tolvane::testing

#pragma once

#include "core/async/one_shot.h"

#include <QCoroTask>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace tolvane::testing {

// Runs the main loop until `task` ends and returns its value or rethrows its exception. (QCoro::waitFor
// never returns when the awaited task throws.)
template <typename T> struct Settled {
    std::optional<std::conditional_t<std::is_void_v<T>, Unit, T>> value;
    std::exception_ptr error;
};

template <typename T> QCoro::Task<Settled<T>> settle(QCoro::Task<T> task) {
    Settled<T> settled;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            settled.value = Unit{};
        } else {
            settled.value = co_await std::move(task);
        }
    } catch (...) {
        settled.error = std::current_exception();
    }
    co_return settled;
}

template <typename T> T await(QCoro::Task<T>&& task) {
    Settled<T> settled = QCoro::waitFor(settle(std::move(task)));
    if (settled.error)
        std::rethrow_exception(settled.error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*settled.value);
}

} // namespace tolvane::testing

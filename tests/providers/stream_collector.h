#pragma once

#include "core/async/async_channel.h"
#include "providers/network_test_support.h"

#include <QList>
#include <functional>

namespace tolvane::testing {

// Everything one stream delivered, in order, and how it ended.
template <typename T> struct Collected {
    QList<T> values;
    std::exception_ptr failure;
};

// Reads `reader` to its end in a nested event loop. `afterEach` runs after each value and returns false to
// stop reading (the reader is then closed, as a consumer that goes away would).
template <typename T>
Collected<T> collect(typename AsyncChannel<T>::Reader reader,
                     std::function<bool(const QList<T>&)> afterEach = {}) {
    Collected<T> out;
    runToEnd([](typename AsyncChannel<T>::Reader r, Collected<T>* o,
                std::function<bool(const QList<T>&)> after) -> QCoro::Task<> {
        try {
            while (auto value = co_await r.next()) {
                o->values.append(*value);
                if (after && !after(o->values)) {
                    r.close();
                    co_return;
                }
            }
        } catch (...) {
            o->failure = std::current_exception();
        }
    }(std::move(reader), &out, std::move(afterEach)));
    return out;
}

} // namespace tolvane::testing

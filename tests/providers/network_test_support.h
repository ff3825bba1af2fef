#pragma once

#include "core/app_error.h"
#include "providers/provider_errors.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTest>
#include <exception>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable gtest output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace tolvane::testing {

// A manager that never goes through a proxy, so a CI http_proxy cannot intercept 127.0.0.1.
inline std::unique_ptr<QNetworkAccessManager> makeLoopbackManager() {
    auto manager = std::make_unique<QNetworkAccessManager>();
    manager->setProxy(QNetworkProxy::NoProxy);
    return manager;
}

// Runs a task to its end in a nested event loop and returns what it threw, if anything.
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

// The failure's exact type, or null.
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

// Asserts that `failure` is an AIProviderError worded `message`.
inline void expectProviderMessage(std::exception_ptr failure, const QString& message) {
    auto error = errorAs<AIProviderError>(failure);
    ASSERT_TRUE(error) << describeError(failure).toStdString();
    EXPECT_EQ(error->description(), message);
}

} // namespace tolvane::testing

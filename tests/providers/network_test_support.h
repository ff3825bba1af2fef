#pragma once

#include "core/app_error.h"
#include "providers/provider_errors.h"
#include "support/task_outcome.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTest>
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

// Asserts that `failure` is an AIProviderError worded `message`.
inline void expectProviderMessage(std::exception_ptr failure, const QString& message) {
    auto error = errorAs<AIProviderError>(failure);
    ASSERT_TRUE(error) << describeError(failure).toStdString();
    EXPECT_EQ(error->description(), message);
}

} // namespace tolvane::testing

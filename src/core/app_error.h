#pragma once

#include <QString>
#include <exception>
#include <string>

namespace tolvane {

// Base of every failure that can reach the user: description() is the sentence shown or logged.
class AppError : public std::exception {
public:
    virtual QString description() const = 0;
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

// The one cancellation error. It ends work silently and is never shown to the user.
class CancelledError final : public AppError {
public:
    QString description() const override { return QStringLiteral("Cancelled."); }
};

// A stored or received JSON value that does not have the expected shape.
class DecodingError final : public AppError {
public:
    explicit DecodingError(QString message) : m_message(std::move(message)) {}
    QString description() const override { return m_message; }

private:
    QString m_message;
};

// The description of any error: AppError::description(), else what(), else "Unknown error.".
QString describeError(const std::exception& error);
QString describeError(std::exception_ptr error);
bool isCancellation(std::exception_ptr error);

} // namespace tolvane

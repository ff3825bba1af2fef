#pragma once

#include "core/app_error.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Strict readers for keyed JSON objects. Each throws DecodingError naming the type and the key that is
// missing or has the wrong shape, so a stored value that does not decode is reported, never half-read.
namespace tolvane::json {

// A value that cannot be written as JSON without losing information (for example a non-finite number,
// which Qt would silently write as null).
class EncodingError final : public AppError {
public:
    explicit EncodingError(QString message) : m_message(std::move(message)) {}
    QString description() const override { return m_message; }

private:
    QString m_message;
};

QJsonObject requireObject(const QJsonValue& value, const char* typeName);
QJsonValue requireMember(const QJsonObject& object, const char* typeName, const QString& key);
QString requireString(const QJsonObject& object, const char* typeName, const QString& key);

// The error every reader throws: "<typeName>: key \"<key>\" <problem>".
[[noreturn]] void failKey(const char* typeName, const QString& key, const QString& problem);

} // namespace tolvane::json

#include "model/json_codec.h"

namespace tolvane::json {

void failKey(const char* typeName, const QString& key, const QString& problem) {
    throw DecodingError(
        QStringLiteral("%1: key \"%2\" %3.").arg(QString::fromLatin1(typeName), key, problem));
}

QJsonObject requireObject(const QJsonValue& value, const char* typeName) {
    if (!value.isObject())
        throw DecodingError(QStringLiteral("%1: expected a JSON object.").arg(QString::fromLatin1(typeName)));
    return value.toObject();
}

QJsonValue requireMember(const QJsonObject& object, const char* typeName, const QString& key) {
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        failKey(typeName, key, QStringLiteral("is missing"));
    return *it;
}

QString requireString(const QJsonObject& object, const char* typeName, const QString& key) {
    const QJsonValue value = requireMember(object, typeName, key);
    if (!value.isString())
        failKey(typeName, key, QStringLiteral("is not a string"));
    return value.toString();
}

} // namespace tolvane::json

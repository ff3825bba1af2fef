#include "providers/error_body.h"

#include "core/text.h"
#include "providers/server_text.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace tolvane::error_body {

namespace {

std::optional<QJsonObject> parseObject(QByteArrayView body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QString> stringMember(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString();
    return std::nullopt;
}

} // namespace

std::optional<QString> utf8Text(QByteArrayView body) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool carriesError(const QJsonObject& object) {
    return object.contains(QStringLiteral("error")) && !object.value(QStringLiteral("error")).isNull();
}

bool carriesError(QByteArrayView json) {
    const std::optional<QJsonObject> object = parseObject(json);
    return object && carriesError(*object);
}

std::optional<QString> providerMessage(QByteArrayView body) {
    if (auto object = parseObject(body)) {
        const QJsonValue error = object->value(QStringLiteral("error"));
        if (error.isObject()) {
            if (auto message = stringMember(error.toObject(), QStringLiteral("message")))
                return message;
        }
        if (auto message = stringMember(*object, QStringLiteral("message")))
            return message;
        if (error.isString())
            return error.toString();
    }
    return utf8Text(body);
}

std::optional<QString> registrationMessage(QByteArrayView body) {
    auto object = parseObject(body);
    if (!object)
        return utf8Text(body);
    if (auto message = stringMember(*object, QStringLiteral("message")))
        return message;
    return stringMember(*object, QStringLiteral("error"));
}

std::optional<QString> translateMessage(QByteArrayView body) {
    if (auto object = parseObject(body)) {
        if (auto message = stringMember(*object, QStringLiteral("message")))
            return message;
        if (auto error = stringMember(*object, QStringLiteral("error")))
            return error;
    }
    return utf8Text(body);
}

bool isDeviceTokenError(QByteArrayView body) {
    auto object = parseObject(body);
    if (!object)
        return false;
    const auto error = stringMember(*object, QStringLiteral("error"));
    return error == QLatin1String("device_token_invalid") || error == QLatin1String("device_token_expired") ||
           error == QLatin1String("missing_device_token");
}

QString shownOrFallback(const std::optional<QString>& message, const QString& fallback,
                        const QStringList& secrets) {
    if (!message)
        return fallback;
    const QString shown = server_text::shown(*message, secrets);
    if (text::trimmed(shown).isEmpty())
        return fallback;
    return shown;
}

} // namespace tolvane::error_body

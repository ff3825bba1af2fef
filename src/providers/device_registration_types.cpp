#include "providers/device_registration_types.h"

#include "providers/json_reader.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <cmath>

namespace tolvane {

QJsonObject DeviceRegistrationRequest::toJson() const {
    QJsonObject object{{QStringLiteral("installation_id"), installationID},
                       {QStringLiteral("platform"), platform}};
    if (appVersion)
        object.insert(QStringLiteral("app_version"), *appVersion);
    return object;
}

DeviceRegistrationResponse DeviceRegistrationResponse::decode(QByteArrayView bytes) {
    const JsonReader reader = JsonReader::parse(bytes);
    DeviceRegistrationResponse response;
    response.deviceToken = reader.requireString(QStringLiteral("device_token"));
    const QString key = QStringLiteral("expires_at");
    const QString text = reader.requireString(key);
    // Qt::ISODate alone would also take fractional seconds or a missing zone.
    static const QRegularExpression internetDateTime(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    QDateTime date;
    if (internetDateTime.match(text).hasMatch())
        date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        reader.failCorrupted(key, QStringLiteral("Expected date string to be ISO8601-formatted."));
    response.expiresAt = date.toUTC();
    return response;
}

QByteArray HostedDeviceCredential::encode() const {
    QJsonObject object{{QStringLiteral("installationID"), installationID}};
    if (deviceToken)
        object.insert(QStringLiteral("deviceToken"), *deviceToken);
    if (expiresAt) {
        const double seconds = expiresAt->toMSecsSinceEpoch() / 1000.0 - kReferenceDateOffsetSeconds;
        object.insert(QStringLiteral("expiresAt"), seconds);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

HostedDeviceCredential HostedDeviceCredential::decode(QByteArrayView bytes) {
    const JsonReader reader = JsonReader::parse(bytes);
    HostedDeviceCredential credential;
    credential.installationID = reader.requireString(QStringLiteral("installationID"));
    credential.deviceToken = reader.optionalString(QStringLiteral("deviceToken"));
    const QString dateKey = QStringLiteral("expiresAt");
    if (reader.has(dateKey)) {
        const QJsonValue value = reader.object().value(dateKey);
        if (!value.isDouble())
            throw JsonDecodingError(JsonDecodingError::Kind::TypeMismatch, {dateKey}, {},
                                    QStringLiteral("Expected to decode a number."));
        const double seconds = value.toDouble();
        if (!std::isfinite(seconds))
            reader.failCorrupted(dateKey, QStringLiteral("The date is not a finite number."));
        const auto msecs =
            static_cast<qint64>(std::llround((seconds + kReferenceDateOffsetSeconds) * 1000.0));
        credential.expiresAt = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    }
    return credential;
}

} // namespace tolvane

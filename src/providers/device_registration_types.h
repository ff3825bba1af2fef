#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace tolvane {

// Body of POST v1/device/register.
struct DeviceRegistrationRequest {
    QString installationID;
    QString platform;
    std::optional<QString> appVersion; // left out of the JSON when absent

    QJsonObject toJson() const;
};

// A successful registration answer. "expires_at" must be an internet date-time to the second with Z or an
// offset; fractional seconds and numbers are refused (JsonDecodingError).
struct DeviceRegistrationResponse {
    QString deviceToken;
    QDateTime expiresAt;

    static DeviceRegistrationResponse decode(QByteArrayView bytes);
};

// The device's identity and current token as kept in the secret store:
// {"installationID": ..., "deviceToken": ..., "expiresAt": seconds since 2001-01-01T00:00:00Z}.
struct HostedDeviceCredential {
    QString installationID;
    std::optional<QString> deviceToken;
    std::optional<QDateTime> expiresAt;

    QByteArray encode() const;
    // Throws JsonDecodingError; "installationID" is required.
    static HostedDeviceCredential decode(QByteArrayView bytes);

    friend bool operator==(const HostedDeviceCredential&, const HostedDeviceCredential&) = default;
};

// Seconds between 1970-01-01 and 2001-01-01, the epoch of the stored date form.
inline constexpr qint64 kReferenceDateOffsetSeconds = 978307200;

} // namespace tolvane

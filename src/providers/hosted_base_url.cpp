#include "providers/hosted_base_url.h"

#include "core/text.h"
#include "providers/endpoint_url.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {

namespace {

std::optional<QUrl> usable(const std::optional<QString>& candidate) {
    if (!candidate)
        return std::nullopt;
    const QString text = text::trimmed(*candidate);
    if (text.isEmpty() || text.contains(QLatin1String("$(")))
        return std::nullopt;
    return endpoint::parseBaseURL(text);
}

std::optional<QString> infoEntry() {
    QFile file(QString::fromLatin1(kApplicationInfoResource));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonValue value =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String(kHostedBaseURLInfoKey));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

QUrl resolveHostedBaseURL(const std::optional<QString>& environmentValue,
                          const std::optional<QString>& infoValue) {
    if (auto url = usable(environmentValue))
        return *url;
    if (auto url = usable(infoValue))
        return *url;
    return QUrl(QString::fromLatin1(kDefaultHostedBaseURL));
}

QUrl resolveHostedBaseURL() {
    std::optional<QString> environment;
    if (qEnvironmentVariableIsSet(kHostedBaseURLEnvironmentVariable))
        environment = qEnvironmentVariable(kHostedBaseURLEnvironmentVariable);
    return resolveHostedBaseURL(environment, infoEntry());
}

} // namespace tolvane

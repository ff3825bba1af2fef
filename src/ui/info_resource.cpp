#include "ui/info_resource.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {

QString infoResourceValue(const QString& key) {
    QFile file(QStringLiteral(":/Info.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(key).toString();
}

} // namespace tolvane

#include "core/uuid_text.h"

#include <QRegularExpression>

namespace tolvane::uuid {

QString upper(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper(); }
QString lower(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toLower(); }
QString newUpper() { return upper(QUuid::createUuid()); }
QString newLower() { return lower(QUuid::createUuid()); }

std::optional<QUuid> parseStrict(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "\\A[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

} // namespace tolvane::uuid

#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace tolvane::uuid {

// 36-character forms without braces: upper case for history and glossary ids, lower case for wire ids.
QString upper(const QUuid& id);
QString lower(const QUuid& id);
QString newUpper();
QString newLower();

// Accepts only the 8-4-4-4-12 hexadecimal form (either letter case); no braces, no bare 32 digits.
std::optional<QUuid> parseStrict(const QString& text);

} // namespace tolvane::uuid

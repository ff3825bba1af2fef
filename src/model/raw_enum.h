#pragma once

#include "core/app_error.h"

#include <QCoreApplication>
#include <QJsonValue>
#include <QString>
#include <array>
#include <cstddef>
#include <optional>

namespace tolvane {

// One row of an enumeration's table: the case, its raw value (the case name) and the Chinese source text of
// its display name (nullptr when the case has none).
template <typename E> struct RawEnumRow {
    E value;
    const char* raw;
    const char* display;
};

// Specialised next to each enumeration with:
//   static constexpr const char* typeName;       // names the type in decoding errors and is the
//                                                // translation context of the display names
//   static constexpr std::array<RawEnumRow<E>, N> rows;   // declaration order = allCases order
template <typename E> struct RawEnumTable;

template <typename E>
concept RawEnum = requires {
    RawEnumTable<E>::rows;
    RawEnumTable<E>::typeName;
};

// Every case in declaration order.
template <RawEnum E> constexpr auto allCases() {
    constexpr auto& rows = RawEnumTable<E>::rows;
    std::array<E, rows.size()> cases{};
    for (std::size_t i = 0; i < rows.size(); ++i)
        cases[i] = rows[i].value;
    return cases;
}

template <RawEnum E> QString rawValue(E value) {
    for (const auto& row : RawEnumTable<E>::rows) {
        if (row.value == value)
            return QString::fromLatin1(row.raw);
    }
    return {};
}

// The case whose raw value equals `raw` exactly: no trimming, no case folding.
template <RawEnum E> std::optional<E> fromRawValue(const QString& raw) {
    for (const auto& row : RawEnumTable<E>::rows) {
        if (raw == QLatin1String(row.raw))
            return row.value;
    }
    return std::nullopt;
}

// The localized display name, looked up anew on every call so that it follows the current translator.
template <RawEnum E> QString displayName(E value) {
    for (const auto& row : RawEnumTable<E>::rows) {
        if (row.value == value && row.display)
            return QCoreApplication::translate(RawEnumTable<E>::typeName, row.display);
    }
    return {};
}

// JSON form of an enumeration: its raw value as a single string.
template <RawEnum E> QJsonValue enumToJson(E value) {
    return QJsonValue(rawValue(value));
}

// Decodes a raw value string; anything else throws DecodingError naming `key` when given.
template <RawEnum E> E enumFromJson(const QJsonValue& json, const QString& key = {}) {
    const QString typeName = QString::fromLatin1(RawEnumTable<E>::typeName);
    const QString prefix = key.isEmpty() ? QString() : QStringLiteral("Key \"%1\": ").arg(key);
    if (!json.isString())
        throw DecodingError(QStringLiteral("%1expected a %2 string.").arg(prefix, typeName));
    if (auto value = fromRawValue<E>(json.toString()))
        return *value;
    throw DecodingError(
        QStringLiteral("%1\"%2\" is not a valid %3 value.").arg(prefix, json.toString(), typeName));
}

} // namespace tolvane

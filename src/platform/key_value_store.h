#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

namespace tolvane {

// A persistent store of flat keys ("provider.baseURL") to values, standing in for the user defaults.
// Used on the main thread only. A value that cannot be read comes back as it is; the typed readers below
// decide what it means, so every backend is read the same way.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    // An invalid QVariant when the key is absent.
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual bool contains(const QString& key) const = 0;
    // Writes pending changes to permanent storage; false when they could not be written.
    virtual bool sync() = 0;
    // True when the stored content could not all be read when the store was opened: a value missing from it
    // may have been lost rather than never set.
    virtual bool isDamaged() const = 0;
};

// Typed readings of a stored value. A text-only backend (INI) returns every scalar as a string, so each
// reader accepts the native type and its exact text form; anything else reads as none.

// A bool, or exactly the text "true" / "false". (QVariant::toBool() would call any text but "false" true.)
std::optional<bool> readBool(const KeyValueStore& store, const QString& key);
// An integral number, or text that parses completely as a 64-bit integer.
std::optional<int64_t> readInteger(const KeyValueStore& store, const QString& key);
// A QByteArray, or a string taken as UTF-8.
std::optional<QByteArray> readData(const KeyValueStore& store, const QString& key);
// A string.
std::optional<QString> readString(const KeyValueStore& store, const QString& key);

} // namespace tolvane

#pragma once

#include "core/app_error.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <QStringList>
#include <optional>

namespace tolvane {

// A JSON value that does not have the shape a wire type expects, with where and why: the four kinds a
// strict decoder distinguishes, the path of keys to the failing value and, for a missing key, its name.
class JsonDecodingError final : public AppError {
public:
    enum class Kind { KeyNotFound, ValueNotFound, TypeMismatch, DataCorrupted };

    JsonDecodingError(Kind kind, QStringList codingPath, QString key, QString debugText)
        : m_kind(kind), m_codingPath(std::move(codingPath)), m_key(std::move(key)),
          m_debugText(std::move(debugText)) {}

    Kind kind() const { return m_kind; }
    const QStringList& codingPath() const { return m_codingPath; }
    const QString& key() const { return m_key; } // the missing key (KeyNotFound only)
    const QString& debugText() const { return m_debugText; }
    QString description() const override;

private:
    Kind m_kind;
    QStringList m_codingPath;
    QString m_key;
    QString m_debugText;
};

// The keys of a coding path joined with "."; an empty path gives the empty text.
QString codingPathDescription(const QStringList& codingPath);

// Reads the members of one JSON object strictly. A present member of the wrong JSON type is a type
// mismatch; null for a required member is "value not found", for an optional one it means absent; an
// integer member must be a whole number that fits in 64 bits.
class JsonReader {
public:
    // The top level of `bytes` as an object: text that is not JSON (invalid UTF-8, a bare scalar) is data
    // corrupted, any other top level a type mismatch, both with an empty path.
    static JsonReader parse(QByteArrayView bytes);

    JsonReader(QJsonObject object, QStringList codingPath)
        : m_object(std::move(object)), m_codingPath(std::move(codingPath)) {}

    const QJsonObject& object() const { return m_object; }
    const QStringList& codingPath() const { return m_codingPath; }
    // Present and not null.
    bool has(const QString& key) const;

    QString requireString(const QString& key) const;
    std::optional<QString> optionalString(const QString& key) const;
    qint64 requireInteger(const QString& key) const;
    std::optional<qint64> optionalInteger(const QString& key) const;
    JsonReader requireObject(const QString& key) const;
    std::optional<JsonReader> optionalObject(const QString& key) const;

    [[noreturn]] void failCorrupted(const QString& key, const QString& debugText) const;

private:
    QJsonValue require(const QString& key) const;
    QStringList pathTo(const QString& key) const;
    QString stringAt(const QString& key, const QJsonValue& value) const;
    qint64 integerAt(const QString& key, const QJsonValue& value) const;

    QJsonObject m_object;
    QStringList m_codingPath;
};

} // namespace tolvane

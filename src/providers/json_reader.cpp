#include "providers/json_reader.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace tolvane {

QString JsonDecodingError::description() const {
    // Shown in the interface: the cause in words, the path of keys as it is; the decoder's own note stays in
    // debugText().
    const QString where = m_codingPath.isEmpty()
                              ? QString()
                              : QStringLiteral("（位于 %1）").arg(codingPathDescription(m_codingPath));
    switch (m_kind) {
    case Kind::KeyNotFound:
        return QStringLiteral("数据无法读取：缺少“%1”%2。").arg(m_key, where);
    case Kind::ValueNotFound:
        return QStringLiteral("数据无法读取：缺少一个值%1。").arg(where);
    case Kind::TypeMismatch:
        return QStringLiteral("数据无法读取：有一个值的类型不对%1。").arg(where);
    case Kind::DataCorrupted:
        return QStringLiteral("数据无法读取：格式不正确%1。").arg(where);
    }
    return m_debugText;
}

QString codingPathDescription(const QStringList& codingPath) {
    return codingPath.join(QLatin1Char('.'));
}

JsonReader JsonReader::parse(QByteArrayView bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonDecodingError(
            JsonDecodingError::Kind::DataCorrupted, {}, {},
            QStringLiteral("The given data was not valid JSON: %1.").arg(error.errorString()));
    if (!document.isObject())
        throw JsonDecodingError(
            JsonDecodingError::Kind::TypeMismatch, {}, {},
            QStringLiteral("Expected to decode a dictionary but found an array instead."));
    return JsonReader(document.object(), {});
}

bool JsonReader::has(const QString& key) const {
    const auto it = m_object.constFind(key);
    return it != m_object.constEnd() && !it->isNull() && !it->isUndefined();
}

QStringList JsonReader::pathTo(const QString& key) const {
    return m_codingPath + QStringList{key};
}

QJsonValue JsonReader::require(const QString& key) const {
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd())
        throw JsonDecodingError(JsonDecodingError::Kind::KeyNotFound, m_codingPath, key,
                                QStringLiteral("No value associated with key \"%1\".").arg(key));
    if (it->isNull())
        throw JsonDecodingError(JsonDecodingError::Kind::ValueNotFound, pathTo(key), {},
                                QStringLiteral("Expected a value but found null instead."));
    return *it;
}

void JsonReader::failCorrupted(const QString& key, const QString& debugText) const {
    throw JsonDecodingError(JsonDecodingError::Kind::DataCorrupted, pathTo(key), {}, debugText);
}

QString JsonReader::stringAt(const QString& key, const QJsonValue& value) const {
    if (!value.isString())
        throw JsonDecodingError(JsonDecodingError::Kind::TypeMismatch, pathTo(key), {},
                                QStringLiteral("Expected to decode a string."));
    return value.toString();
}

qint64 JsonReader::integerAt(const QString& key, const QJsonValue& value) const {
    if (!value.isDouble())
        throw JsonDecodingError(JsonDecodingError::Kind::TypeMismatch, pathTo(key), {},
                                QStringLiteral("Expected to decode an integer."));
    // toInteger() answers its default for a number that is not a whole 64-bit value; two different
    // defaults tell that case apart from a real 0 or 1.
    const qint64 asZero = value.toInteger(0);
    if (asZero != value.toInteger(1))
        failCorrupted(key,
                      QStringLiteral("Parsed JSON number <%1> does not fit in Int.").arg(value.toDouble()));
    return asZero;
}

QString JsonReader::requireString(const QString& key) const {
    return stringAt(key, require(key));
}

std::optional<QString> JsonReader::optionalString(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    return stringAt(key, m_object.value(key));
}

qint64 JsonReader::requireInteger(const QString& key) const {
    return integerAt(key, require(key));
}

std::optional<qint64> JsonReader::optionalInteger(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    return integerAt(key, m_object.value(key));
}

JsonReader JsonReader::requireObject(const QString& key) const {
    const QJsonValue value = require(key);
    if (!value.isObject())
        throw JsonDecodingError(JsonDecodingError::Kind::TypeMismatch, pathTo(key), {},
                                QStringLiteral("Expected to decode a dictionary."));
    return JsonReader(value.toObject(), pathTo(key));
}

std::optional<JsonReader> JsonReader::optionalObject(const QString& key) const {
    if (!has(key))
        return std::nullopt;
    return requireObject(key);
}

} // namespace tolvane

#include "platform/key_value_store.h"

#include <cmath>
#include <limits>

namespace tolvane {

std::optional<bool> readBool(const KeyValueStore& store, const QString& key) {
    const QVariant value = store.value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<int64_t> readInteger(const KeyValueStore& store, const QString& key) {
    const QVariant value = store.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::UShort:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        if (n > static_cast<qulonglong>(std::numeric_limits<int64_t>::max()))
            return std::nullopt;
        return static_cast<int64_t>(n);
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        // 2^63 itself is out of range; every double below it converts exactly.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 ||
            d >= 9223372036854775808.0)
            return std::nullopt;
        return static_cast<int64_t>(d);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qlonglong n = value.toString().toLongLong(&ok);
        return ok ? std::optional<int64_t>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QByteArray> readData(const KeyValueStore& store, const QString& key) {
    const QVariant value = store.value(key);
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        return value.toByteArray();
    case QMetaType::QString:
        return value.toString().toUtf8();
    default:
        return std::nullopt;
    }
}

std::optional<QString> readString(const KeyValueStore& store, const QString& key) {
    const QVariant value = store.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace tolvane

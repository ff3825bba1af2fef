#include "model/screenshot_region_memory.h"

#include "model/json_codec.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace tolvane {

namespace {

constexpr const char* kTypeName = "ScreenshotRegionMemory";

bool sameRect(const QRectF& a, const QRectF& b) {
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

QJsonArray encodeRect(const QRectF& rect, const QString& key) {
    for (double component : {rect.x(), rect.y(), rect.width(), rect.height()}) {
        if (!std::isfinite(component))
            throw json::EncodingError(
                QStringLiteral("%1: \"%2\" has a non-finite component.").arg(QLatin1String(kTypeName), key));
    }
    return QJsonArray{QJsonArray{rect.x(), rect.y()}, QJsonArray{rect.width(), rect.height()}};
}

// A pair of two numbers, [a, b].
std::pair<double, double> decodePair(const QJsonValue& value, const QString& key) {
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble())
        json::failKey(kTypeName, key, QStringLiteral("is not of the form [[x, y], [width, height]]"));
    return {pair[0].toDouble(), pair[1].toDouble()};
}

QRectF decodeRect(const QJsonObject& object, const QString& key) {
    const QJsonValue value = json::requireMember(object, kTypeName, key);
    const QJsonArray parts = value.toArray();
    if (!value.isArray() || parts.size() != 2)
        json::failKey(kTypeName, key, QStringLiteral("is not of the form [[x, y], [width, height]]"));
    const auto [x, y] = decodePair(parts[0], key);
    const auto [width, height] = decodePair(parts[1], key);
    return QRectF(x, y, width, height);
}

std::optional<quint32> decodeDisplayID(const QJsonObject& object) {
    const QString key = QStringLiteral("displayID");
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const double number = value.toDouble(-1.0);
    if (!value.isDouble() || !(number >= 0.0 && number <= 4294967295.0) || std::trunc(number) != number)
        json::failKey(kTypeName, key, QStringLiteral("is not an integer in 0...4294967295"));
    return static_cast<quint32>(number);
}

} // namespace

QJsonValue ScreenshotRegionMemory::toJson() const {
    QJsonObject object{
        {QStringLiteral("normalizedRect"), encodeRect(normalizedRect, QStringLiteral("normalizedRect"))},
        {QStringLiteral("sourceScreenFrame"),
         encodeRect(sourceScreenFrame, QStringLiteral("sourceScreenFrame"))},
    };
    if (displayID)
        object.insert(QStringLiteral("displayID"), static_cast<qint64>(*displayID));
    return object;
}

ScreenshotRegionMemory ScreenshotRegionMemory::fromJson(const QJsonValue& json) {
    const QJsonObject object = json::requireObject(json, kTypeName);
    ScreenshotRegionMemory memory;
    memory.normalizedRect = decodeRect(object, QStringLiteral("normalizedRect"));
    memory.sourceScreenFrame = decodeRect(object, QStringLiteral("sourceScreenFrame"));
    memory.displayID = decodeDisplayID(object);
    return memory;
}

bool operator==(const ScreenshotRegionMemory& a, const ScreenshotRegionMemory& b) {
    return sameRect(a.normalizedRect, b.normalizedRect) &&
           sameRect(a.sourceScreenFrame, b.sourceScreenFrame) && a.displayID == b.displayID;
}

quint32 displayIDForScreenName(const QString& screenName) {
    quint32 hash = 2166136261u;
    for (const char byte : screenName.toUtf8()) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace tolvane

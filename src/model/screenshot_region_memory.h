#pragma once

#include <QJsonValue>
#include <QRectF>
#include <QString>
#include <optional>

namespace tolvane {

// The remembered screenshot region. Rectangles are in Qt global logical coordinates (origin top left);
// `normalizedRect` is measured from its screen's top left, each component in the 0..1 space of that screen.
struct ScreenshotRegionMemory {
    QRectF normalizedRect;
    QRectF sourceScreenFrame;
    std::optional<quint32> displayID; // displayIDForScreenName() of the screen, when known

    // {"normalizedRect": [[x, y], [w, h]], "sourceScreenFrame": [[x, y], [w, h]], "displayID": n}, the last
    // key only when an identifier is present. Throws json::EncodingError for a non-finite component.
    QJsonValue toJson() const;
    // Both rectangles are required; "displayID", when present, must be an integer in 0..2^32-1.
    // Throws DecodingError naming the offending key.
    static ScreenshotRegionMemory fromJson(const QJsonValue& json);

    // Exact component-wise comparison (QRectF's own == is fuzzy); an absent id never equals a present one.
    friend bool operator==(const ScreenshotRegionMemory& a, const ScreenshotRegionMemory& b);
};

// A stable identifier for a screen: the 32-bit FNV-1a hash of the UTF-8 of its name (QScreen::name()).
quint32 displayIDForScreenName(const QString& screenName);

} // namespace tolvane

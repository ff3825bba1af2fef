#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace tolvane {

// One screen in Qt global logical coordinates (origin top-left of the virtual desktop, y down).
struct ScreenInfo {
    // QScreen::name(): the output's name, stable across restarts ("DP-1").
    QString name;
    QRectF frame;
    QRectF availableFrame;
    qreal devicePixelRatio = 1.0;

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// The screens of the desktop, primary first.
class ScreenProvider {
public:
    virtual ~ScreenProvider() = default;
    virtual QList<ScreenInfo> screens() const = 0;
    // The main screen; absent when there are no screens.
    virtual std::optional<ScreenInfo> primaryScreen() const = 0;
};

// Half-open containment (left <= x < right, top <= y < bottom), so a point on the border between two
// adjacent screens belongs to exactly one of them. QRectF::contains would include both edges.
bool frameContains(const QRectF& frame, const QPointF& point);

// The first screen whose frame holds `point` (half-open); absent when none does.
std::optional<ScreenInfo> screenContaining(const QList<ScreenInfo>& screens, const QPointF& point);

} // namespace tolvane

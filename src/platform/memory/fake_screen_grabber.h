#pragma once

#include "platform/screen_grabber.h"

#include <functional>

namespace tolvane {

// Grabs from a desktop picture held in memory: pixel (x, y) of `desktop` is the global logical point
// (x, y) + desktopOrigin. Records each grab; can be told to fail.
class FakeScreenGrabber final : public ScreenGrabber {
public:
    explicit FakeScreenGrabber(QImage desktop = {}, QPointF desktopOrigin = {});

    QImage grab(const ScreenInfo& screen, const QRectF& region) override;

    void setDesktop(QImage desktop, QPointF origin = {});
    void setFailing(bool failing) { m_failing = failing; }
    // Runs at the moment of each grab (tests check what is on screen then).
    void setOnGrab(std::function<void(const QRectF&)> hook) { m_onGrab = std::move(hook); }
    const QList<QRectF>& grabbedRegions() const { return m_regions; }

private:
    QImage m_desktop;
    QPointF m_origin;
    bool m_failing = false;
    std::function<void(const QRectF&)> m_onGrab;
    QList<QRectF> m_regions;
};

} // namespace tolvane

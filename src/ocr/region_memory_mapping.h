#pragma once

#include "model/screenshot_region_memory.h"
#include "platform/screen_provider.h"

#include <optional>

namespace tolvane {

// Conversions between a selected region (global logical coordinates) and the remembered region, which is
// stored relative to its screen so it survives screens being moved or re-arranged.

// The memory of `region` on the screen holding its midpoint (else the first screen it touches); absent when
// no screen qualifies or less than 8 x 8 of it lies on that screen.
std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region,
                                                       const QList<ScreenInfo>& screens);

// The region a memory stands for: on the screen with its display id, else a screen of the same size (within
// 1 unit per side), else the primary screen; clipped to that screen. Absent below 8 x 8 after clipping.
std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory,
                                     const QList<ScreenInfo>& screens);

} // namespace tolvane

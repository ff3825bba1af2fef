#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// How the screenshot workflow proceeds after one region.
enum class ScreenshotCaptureMode { single, continuous, batch };

template <> struct RawEnumTable<ScreenshotCaptureMode> {
    static constexpr const char* typeName = "ScreenshotCaptureMode";
    static constexpr std::array<RawEnumRow<ScreenshotCaptureMode>, 3> rows{{
        {ScreenshotCaptureMode::single, "single", QT_TRANSLATE_NOOP("ScreenshotCaptureMode", "单次")},
        {ScreenshotCaptureMode::continuous, "continuous", QT_TRANSLATE_NOOP("ScreenshotCaptureMode", "连续")},
        {ScreenshotCaptureMode::batch, "batch", QT_TRANSLATE_NOOP("ScreenshotCaptureMode", "批量")},
    }};
};

} // namespace tolvane

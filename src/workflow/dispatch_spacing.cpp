#include "workflow/dispatch_spacing.h"

namespace tolvane {

std::chrono::nanoseconds remainingDispatchWait(std::optional<uint64_t> lastDispatchNs, uint64_t nowNs) {
    if (!lastDispatchNs)
        return std::chrono::nanoseconds::zero();
    const uint64_t spacing = static_cast<uint64_t>(kAutomaticDispatchSpacing.count());
    if (nowNs < *lastDispatchNs)
        return kAutomaticDispatchSpacing;
    const uint64_t elapsed = nowNs - *lastDispatchNs;
    if (elapsed >= spacing)
        return std::chrono::nanoseconds::zero();
    return std::chrono::nanoseconds(static_cast<int64_t>(spacing - elapsed));
}

} // namespace tolvane

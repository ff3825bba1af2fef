#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tolvane {

// Automatic (typing) translations are let through at least this far apart on the monotonic clock.
inline constexpr std::chrono::nanoseconds kAutomaticDispatchSpacing{1'500'000'000};
// An edit is translated automatically only after this long without a further edit.
inline constexpr std::chrono::nanoseconds kTypingDebounce{800'000'000};

// How long an automatic dispatch must still wait at monotonic time `nowNs`, given the time of the last
// dispatch (none yet: no wait). A reading earlier than the last one (a clock that went backwards) waits the
// full spacing instead of computing a wrapped-around difference.
std::chrono::nanoseconds remainingDispatchWait(std::optional<uint64_t> lastDispatchNs, uint64_t nowNs);

} // namespace tolvane

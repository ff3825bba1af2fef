#pragma once

#include "core/async/cancellation.h"
#include "core/clock.h"

#include <QCoroTask>
#include <chrono>

namespace tolvane {

// Waits d on `clock` (which must outlive the wait); throws CancelledError when the token fires first.
// Resumes through the event loop.
QCoro::Task<> sleep(Clock& clock, std::chrono::milliseconds d, CancellationToken token);

} // namespace tolvane

#include "core/async/sleep.h"

#include "core/async/one_shot.h"

namespace tolvane {

QCoro::Task<> sleep(Clock& clock, std::chrono::milliseconds d, CancellationToken token) {
    token.throwIfCancelled();
    Signal elapsed;
    ScheduledCall call = clock.callAfter(d, [elapsed] { elapsed.resolve({}); });
    co_await elapsed.wait(token);
}

} // namespace tolvane

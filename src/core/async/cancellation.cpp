#include "core/async/cancellation.h"

#include "core/app_error.h"

namespace tolvane {

void CancellationToken::throwIfCancelled() const {
    if (isCancelled())
        throw CancelledError();
}

CancelRegistration CancellationToken::onCancel(std::function<void()> fn) const {
    if (!m_token.stop_possible())
        return {};
    return CancelRegistration(
        std::make_unique<std::stop_callback<std::function<void()>>>(m_token, std::move(fn)));
}

} // namespace tolvane

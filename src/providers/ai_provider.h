#pragma once

#include "core/async/async_channel.h"
#include "model/ai_request.h"

#include <QString>

namespace tolvane {

// A translation back end: turns one request into an ordered, unbounded stream of text pieces.
// stream() never throws; every failure ends the stream (AIProviderError, NetworkError, CancelledError).
// Closing or dropping the reader cancels the provider's work: the transfer stops and nothing more arrives.
// Each call is independent, so one provider may serve several streams at once.
class AIProvider {
public:
    virtual ~AIProvider() = default;
    virtual QString id() const = 0;
    virtual AsyncChannel<AIChunk>::Reader stream(AIRequest request) const = 0;
};

} // namespace tolvane

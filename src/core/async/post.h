#pragma once

#include <functional>

namespace tolvane {

// Queues fn for a later turn of the main thread's event loop. Thread-safe; FIFO.
// Every coroutine resumption goes through here, so nothing resumes inside the caller.
void postToMainLoop(std::function<void()> fn);

} // namespace tolvane

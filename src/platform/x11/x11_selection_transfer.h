#pragma once

#include "core/async/cancellation.h"
#include "core/clock.h"

#include <QByteArray>
#include <QCoroTask>
#include <QPointer>
#include <chrono>
#include <optional>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Reads a selection from its owner over the service connection: ConvertSelection into a property of the
// service window, then the property itself, following INCR transfers chunk by chunk. Absent when the owner
// refuses, the data exceeds `maxBytes`, or the whole read takes longer than `timeout`. Never blocks the
// event loop. Throws CancelledError when the token fires.
QCoro::Task<std::optional<QByteArray>> convertSelection(QPointer<X11InputService> service, Clock* clock,
                                                        xcb_atom_t selection, xcb_atom_t target,
                                                        std::chrono::milliseconds timeout, qsizetype maxBytes,
                                                        CancellationToken token);

} // namespace tolvane

#include "platform/x11/x11_selection_transfer.h"

#include "core/app_error.h"
#include "core/async/one_shot.h"
#include "platform/x11/x11_input_service.h"

#include <cstdlib>
#include <deque>
#include <string>

namespace tolvane {
namespace {

struct TransferEvent {
    uint8_t type = 0;
    xcb_atom_t property = XCB_NONE;
};

struct TransferState {
    std::deque<TransferEvent> events;
    Signal wake;
};

// Removes the subscription when the read ends, however it ends.
struct Subscription {
    QPointer<X11InputService> service;
    int id = 0;
    ~Subscription() {
        if (service)
            service->unsubscribe(id);
    }
};

// Concurrent reads use distinct properties so their notices cannot mix.
xcb_atom_t nextTransferProperty(X11InputService& service) {
    static unsigned counter = 0;
    return service.atom("_TOLVANE_TRANSFER_" + std::to_string(counter++ % 16));
}

QCoro::Task<TransferEvent> nextEvent(std::shared_ptr<TransferState> state, CancellationToken token) {
    while (state->events.empty()) {
        state->wake = Signal();
        if (!state->events.empty())
            break;
        co_await state->wake.wait(token);
    }
    TransferEvent event = state->events.front();
    state->events.pop_front();
    co_return event;
}

struct PropertyChunk {
    bool ok = false;
    bool incr = false;
    QByteArray data;
};

// Reads and deletes the property; `ok` is false when it is larger than maxBytes.
PropertyChunk takeProperty(X11InputService& service, xcb_atom_t property, qsizetype maxBytes) {
    xcb_connection_t* c = service.connection();
    const uint32_t longs = static_cast<uint32_t>(maxBytes / 4 + 1);
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 1, service.serviceWindow(), property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
        nullptr);
    service.drainQueued();
    PropertyChunk chunk;
    if (!reply)
        return chunk;
    if (reply->type == service.atom("INCR")) {
        chunk.ok = true;
        chunk.incr = true;
    } else if (reply->bytes_after == 0) {
        const int length = xcb_get_property_value_length(reply);
        chunk.data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
        chunk.ok = chunk.data.size() <= maxBytes;
    }
    std::free(reply);
    xcb_flush(c);
    return chunk;
}

} // namespace

QCoro::Task<std::optional<QByteArray>> convertSelection(QPointer<X11InputService> service, Clock* clock,
                                                        xcb_atom_t selection, xcb_atom_t target,
                                                        std::chrono::milliseconds timeout, qsizetype maxBytes,
                                                        CancellationToken token) {
    token.throwIfCancelled();
    if (!service || !service->isConnected() || selection == XCB_NONE || target == XCB_NONE)
        co_return std::nullopt;

    auto state = std::make_shared<TransferState>();
    const xcb_window_t window = service->serviceWindow();
    const xcb_atom_t property = nextTransferProperty(*service);
    Subscription subscription{
        service, service->subscribe([state, window, property, selection](const xcb_generic_event_t* event) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_SELECTION_NOTIFY) {
                auto* e = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
                if (e->requestor != window || e->selection != selection)
                    return;
                state->events.push_back({type, e->property});
            } else if (type == XCB_PROPERTY_NOTIFY) {
                auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                if (e->window != window || e->atom != property || e->state != XCB_PROPERTY_NEW_VALUE)
                    return;
                state->events.push_back({type, e->atom});
            } else {
                return;
            }
            state->wake.resolve({});
        })};

    // One deadline for the whole read; the caller's cancellation is told apart from it afterwards.
    CancellationSource deadline;
    ScheduledCall timer = clock->callAfter(timeout, [&deadline] { deadline.cancel(); });
    CancelRegistration forward = token.onCancel([&deadline] { deadline.cancel(); });

    xcb_connection_t* c = service->connection();
    xcb_delete_property(c, window, property);
    xcb_convert_selection(c, window, selection, target, property, XCB_CURRENT_TIME);
    xcb_flush(c);

    std::optional<QByteArray> result;
    try {
        // The owner writes the property before it sends SelectionNotify: skip property notices until then.
        TransferEvent event;
        do {
            event = co_await nextEvent(state, deadline.token());
            if (!service)
                co_return std::nullopt;
        } while (event.type != XCB_SELECTION_NOTIFY);
        if (event.property == XCB_NONE)
            co_return std::nullopt; // refused

        PropertyChunk first = takeProperty(*service, property, maxBytes);
        if (!first.ok)
            co_return std::nullopt;
        if (!first.incr) {
            result = first.data;
        } else {
            // INCR: each new value is the next chunk; a zero-length one ends the transfer.
            QByteArray data;
            while (true) {
                event = co_await nextEvent(state, deadline.token());
                if (!service)
                    co_return std::nullopt;
                if (event.type != XCB_PROPERTY_NOTIFY)
                    continue;
                PropertyChunk chunk = takeProperty(*service, property, maxBytes - data.size());
                if (!chunk.ok || chunk.incr)
                    co_return std::nullopt;
                if (chunk.data.isEmpty())
                    break;
                data += chunk.data;
            }
            result = data;
        }
    } catch (const CancelledError&) {
        if (token.isCancelled())
            throw;
        result = std::nullopt; // the owner did not answer in time
    }
    if (service && service->isConnected()) {
        xcb_delete_property(service->connection(), window, property);
        xcb_flush(service->connection());
    }
    co_return result;
}

} // namespace tolvane

#include "platform/x11/selection_owner_watch.h"

#include "platform/x11/x11_client_pid.h"
#include "platform/x11/x11_input_service.h"

#include <QCoreApplication>
#include <cstdlib>
#include <xcb/xfixes.h>

namespace tolvane {

SelectionOwnerWatch::SelectionOwnerWatch(X11InputService& service, xcb_atom_t selection, QObject* parent)
    : QObject(parent), m_service(&service), m_selection(selection) {
    if (!service.isConnected() || !service.extensions().xfixes)
        return;
    xcb_connection_t* c = service.connection();
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    service.drainQueued();
    if (owner) {
        m_owner = owner->owner;
        std::free(owner);
        m_ownerPid = clientPidOfWindow(service, m_owner);
    }
    m_subscription = service.subscribe([this](const xcb_generic_event_t* event) { handle(event); });
    xcb_xfixes_select_selection_input(c, service.serviceWindow(), selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(c);
}

SelectionOwnerWatch::~SelectionOwnerWatch() {
    if (m_service && m_subscription)
        m_service->unsubscribe(m_subscription);
}

void SelectionOwnerWatch::handle(const xcb_generic_event_t* event) {
    const uint8_t base = m_service->xfixesEventBase();
    if ((event->response_type & 0x7f) != base + XCB_XFIXES_SELECTION_NOTIFY)
        return;
    auto* notice = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notice->selection != m_selection)
        return;
    m_owner = notice->owner;
    m_ownerPid = m_owner == XCB_NONE ? std::nullopt : clientPidOfWindow(*m_service, m_owner);
    ++m_allChanges;
    if (m_owner != XCB_NONE && m_ownerPid != QCoreApplication::applicationPid()) {
        ++m_foreignChanges;
        m_foreignOwners.emplace_back(m_foreignChanges, m_ownerPid);
        if (m_foreignOwners.size() > historyLength)
            m_foreignOwners.pop_front();
    }
    Q_EMIT ownerChanged();
}

std::vector<std::optional<qint64>> SelectionOwnerWatch::foreignOwnersSince(quint64 since) const {
    std::vector<std::optional<qint64>> owners;
    for (const auto& [change, pid] : m_foreignOwners)
        if (change > since)
            owners.push_back(pid);
    return owners;
}

} // namespace tolvane

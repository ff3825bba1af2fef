#include "platform/x11/x11_selection_owner.h"

#include "platform/x11/x11_input_service.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <vector>

namespace tolvane {
namespace {

// ChangeProperty's own header, with room to spare for the big-request length field.
constexpr qsizetype requestOverhead = 64;

} // namespace

X11SelectionOwner::X11SelectionOwner(X11InputService& service, xcb_atom_t selection, QObject* parent)
    : QObject(parent), m_service(&service), m_selection(selection) {
    if (service.isConnected())
        m_subscription = service.subscribe([this](const xcb_generic_event_t* event) { handle(event); });
}

X11SelectionOwner::~X11SelectionOwner() {
    if (m_service && m_subscription)
        m_service->unsubscribe(m_subscription);
}

qsizetype X11SelectionOwner::maxServableBytes() const {
    if (!m_service || !m_service->isConnected())
        return 0;
    return qsizetype(xcb_get_maximum_request_length(m_service->connection())) * 4 - requestOverhead;
}

xcb_window_t X11SelectionOwner::currentOwner() {
    xcb_connection_t* c = m_service->connection();
    auto* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    m_service->drainQueued();
    return owner;
}

bool X11SelectionOwner::take(const ClipboardContents& contents) {
    if (!m_service || !m_service->isConnected())
        return false;
    m_contents = contents;
    m_owned = true;
    xcb_set_selection_owner(m_service->connection(), m_service->serviceWindow(), m_selection,
                            XCB_CURRENT_TIME);
    m_takenAt = m_service->lastServerTime();
    if (currentOwner() != m_service->serviceWindow()) {
        m_owned = false;
        m_contents = {};
    }
    return m_owned;
}

bool X11SelectionOwner::clear() {
    m_owned = false;
    m_contents = {};
    if (!m_service || !m_service->isConnected())
        return false;
    xcb_set_selection_owner(m_service->connection(), XCB_NONE, m_selection, XCB_CURRENT_TIME);
    return currentOwner() == XCB_NONE;
}

void X11SelectionOwner::handOverToClipboardManager(std::chrono::milliseconds timeout) {
    if (!m_owned || !m_service || !m_service->isConnected())
        return;
    xcb_connection_t* c = m_service->connection();
    const xcb_atom_t manager = m_service->atom("CLIPBOARD_MANAGER");
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr);
    const bool running = owner && owner->owner != XCB_NONE;
    std::free(owner);
    m_service->drainQueued();
    if (!running)
        return;
    QEventLoop loop;
    const xcb_window_t window = m_service->serviceWindow();
    const int subscription = m_service->subscribe([&loop, window, manager](const xcb_generic_event_t* event) {
        auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY && notify->requestor == window &&
            notify->selection == manager)
            loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    xcb_convert_selection(c, window, manager, m_service->atom("SAVE_TARGETS"),
                          m_service->atom("_TOLVANE_SAVE_TARGETS"), XCB_CURRENT_TIME);
    xcb_flush(c);
    loop.exec();
    m_service->unsubscribe(subscription);
}

void X11SelectionOwner::handle(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_CLEAR) {
        auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        // A notice queued before we took the selection again is stale: ask the server who owns it now.
        if (clear->selection == m_selection && clear->owner == m_service->serviceWindow() && m_owned &&
            currentOwner() != m_service->serviceWindow()) {
            m_owned = false;
            m_contents = {};
        }
    } else if (type == XCB_SELECTION_REQUEST) {
        auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request->selection == m_selection && request->owner == m_service->serviceWindow())
            answer(*request);
    }
}

void X11SelectionOwner::answer(const xcb_selection_request_event_t& request) {
    // Clients from before ICCCM 2 name no property: the target doubles as the property.
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    bool ok = false;
    if (m_owned) {
        ok = request.target == m_service->atom("MULTIPLE")
                 ? convertMultiple(request.requestor, property)
                 : convert(request.requestor, request.target, property);
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = ok ? property : XCB_NONE;
    xcb_connection_t* c = m_service->connection();
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(c);
}

bool X11SelectionOwner::convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property) {
    xcb_connection_t* c = m_service->connection();
    const QString name = m_service->atomName(target);
    if (name == QLatin1String("TARGETS")) {
        std::vector<xcb_atom_t> atoms;
        for (const auto& format : m_contents.formats)
            atoms.push_back(m_service->atom(format.first.toStdString()));
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(atoms.size()), atoms.data());
        return true;
    }
    if (name == QLatin1String("TIMESTAMP")) {
        const uint32_t time = m_takenAt;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1, &time);
        return true;
    }
    if (name == QLatin1String("SAVE_TARGETS")) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, m_service->atom("NULL"), 32, 0,
                            nullptr);
        return true;
    }
    // Targets that ask the owner to act rather than answer are never carried out on content we only hold.
    if (name == QLatin1String("DELETE") || name == QLatin1String("INSERT_SELECTION") ||
        name == QLatin1String("INSERT_PROPERTY") || name == QLatin1String("INCR"))
        return false;
    for (const auto& [format, bytes] : m_contents.formats) {
        if (format != name)
            continue;
        if (bytes.size() > maxServableBytes())
            return false;
        const xcb_atom_t type = name == QLatin1String("TEXT") ? m_service->atom("UTF8_STRING") : target;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, type, 8, uint32_t(bytes.size()),
                            bytes.constData());
        ++m_servedRequests;
        return true;
    }
    return false;
}

bool X11SelectionOwner::convertMultiple(xcb_window_t requestor, xcb_atom_t property) {
    xcb_connection_t* c = m_service->connection();
    const xcb_atom_t pairType = m_service->atom("ATOM_PAIR");
    auto* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, requestor, property, pairType, 0, 1024), nullptr);
    m_service->drainQueued();
    if (!reply || reply->format != 32) {
        std::free(reply);
        return false;
    }
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    std::vector<xcb_atom_t> pairs(values, values + xcb_get_property_value_length(reply) / 4);
    std::free(reply);
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (pairs[i] == m_service->atom("MULTIPLE") || !convert(requestor, pairs[i], pairs[i + 1]))
            pairs[i + 1] = XCB_NONE;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, pairType, 32, uint32_t(pairs.size()),
                        pairs.data());
    return true;
}

} // namespace tolvane

#include "platform/x11/x11_input_service.h"

#include "core/logging.h"
#include "platform/x11/x11_session_probe.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <cstdlib>
#include <xcb/xfixes.h>

namespace tolvane {
namespace {

// The server time carried by the events that have one.
xcb_timestamp_t eventTime(const xcb_generic_event_t* event, uint8_t xfixesBase) {
    const uint8_t type = event->response_type & 0x7f;
    switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
        return reinterpret_cast<const xcb_key_press_event_t*>(event)->time;
    case XCB_PROPERTY_NOTIFY:
        return reinterpret_cast<const xcb_property_notify_event_t*>(event)->time;
    default:
        break;
    }
    if (xfixesBase != 0 && type == xfixesBase + XCB_XFIXES_SELECTION_NOTIFY)
        return reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event)->timestamp;
    return XCB_CURRENT_TIME;
}

} // namespace

X11InputService::X11InputService(QObject* parent) : QObject(parent) {
    m_connection = xcb_connect(nullptr, nullptr);
    if (!m_connection || xcb_connection_has_error(m_connection)) {
        m_errorCode = m_connection ? xcb_connection_has_error(m_connection) : -1;
        qCWarning(lcPlatform) << "No X11 connection for global input";
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    m_root = xcb_setup_roots_iterator(setup).data->root;
    m_extensions = probeX11Extensions(m_connection);
    if (m_extensions.xfixes)
        m_xfixesEventBase = xcb_get_extension_data(m_connection, &xcb_xfixes_id)->first_event;

    m_window = xcb_generate_id(m_connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(false); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        m_aboutToBlock =
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { readEvents(true); });
}

X11InputService::~X11InputService() {
    disconnect(m_aboutToBlock);
    delete m_notifier;
    if (m_connection) {
        if (m_window != XCB_NONE && m_errorCode == 0)
            xcb_destroy_window(m_connection, m_window);
        xcb_disconnect(m_connection);
    }
}

xcb_atom_t X11InputService::atom(const std::string& name) {
    if (auto found = m_atoms.find(name); found != m_atoms.end())
        return found->second;
    if (!isConnected())
        return XCB_NONE;
    auto* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    drainQueued();
    if (value != XCB_NONE) {
        m_atoms.emplace(name, value);
        m_atomNames.emplace(value, QString::fromStdString(name));
    }
    return value;
}

QString X11InputService::atomName(xcb_atom_t atom) {
    if (auto found = m_atomNames.find(atom); found != m_atomNames.end())
        return found->second;
    if (!isConnected() || atom == XCB_NONE)
        return {};
    auto* reply = xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr);
    QString name;
    if (reply)
        name = QString::fromLatin1(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    std::free(reply);
    drainQueued();
    if (!name.isEmpty()) {
        m_atomNames.emplace(atom, name);
        m_atoms.emplace(name.toStdString(), atom);
    }
    return name;
}

int X11InputService::subscribe(Subscriber subscriber) {
    const int id = m_nextSubscriberId++;
    m_subscribers.emplace(id, std::move(subscriber));
    return id;
}

void X11InputService::unsubscribe(int id) {
    m_subscribers.erase(id);
}

void X11InputService::drainQueued() {
    readEvents(true);
}

void X11InputService::announceInjection(const QList<uint>& keycodes) {
    Q_EMIT injectionAnnounced(keycodes);
}

void X11InputService::readEvents(bool queuedOnly) {
    // Subscribers may make round trips, which call back in here; the outer loop picks their events up.
    if (m_draining || !m_connection || m_errorCode != 0)
        return;
    m_draining = true;
    while (true) {
        xcb_generic_event_t* event =
            queuedOnly ? xcb_poll_for_queued_event(m_connection) : xcb_poll_for_event(m_connection);
        if (!event)
            break;
        dispatch(event);
        std::free(event);
    }
    m_draining = false;
    checkConnection();
}

void X11InputService::dispatch(const xcb_generic_event_t* event) {
    if (const xcb_timestamp_t time = eventTime(event, m_xfixesEventBase); time != XCB_CURRENT_TIME)
        m_lastServerTime = time;
    std::vector<int> ids;
    ids.reserve(m_subscribers.size());
    for (const auto& entry : m_subscribers)
        ids.push_back(entry.first);
    for (int id : ids) {
        auto found = m_subscribers.find(id);
        if (found == m_subscribers.end())
            continue;
        Subscriber subscriber = found->second; // a copy: the subscriber may unsubscribe itself
        subscriber(event);
    }
}

bool X11InputService::checkConnection() {
    if (m_errorCode != 0)
        return false;
    const int error = xcb_connection_has_error(m_connection);
    if (error == 0)
        return true;
    // Never poll a dead socket again: it stays readable forever.
    m_errorCode = error;
    if (m_notifier)
        m_notifier->setEnabled(false);
    qCWarning(lcPlatform) << "X11 input connection lost, error" << error;
    Q_EMIT connectionLost();
    return false;
}

} // namespace tolvane

#pragma once

#include "platform/session_info.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <xcb/xcb.h>

namespace tolvane {

// The application's own connection to the X server for global input: selection transfers and owner
// notices, key injection, window queries and (added by the hot-key code) grabs and raw input. Qt's connection
// is never used for these, so a slow or hung client can only delay our work, never Qt's event handling.
// Main thread only.
class X11InputService : public QObject {
    Q_OBJECT

public:
    using Subscriber = std::function<void(const xcb_generic_event_t* event)>;

    // Connects to $DISPLAY. isConnected() is false when that fails.
    explicit X11InputService(QObject* parent = nullptr);
    ~X11InputService() override;

    bool isConnected() const { return m_connection && m_errorCode == 0; }
    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    // An unmapped InputOnly window owned by the service: target of selection transfers.
    xcb_window_t serviceWindow() const { return m_window; }
    const X11Extensions& extensions() const { return m_extensions; }
    // The first event code of XFixes, 0 without it.
    uint8_t xfixesEventBase() const { return m_xfixesEventBase; }
    // The newest server time seen in an event, or XCB_CURRENT_TIME.
    xcb_timestamp_t lastServerTime() const { return m_lastServerTime; }

    // The atom for a name, interned once and cached.
    xcb_atom_t atom(const std::string& name);
    // The name of an atom, cached.
    QString atomName(xcb_atom_t atom);

    // Every event read from the connection goes to every subscriber, on the main thread. A subscriber may
    // make round trips and (un)subscribe.
    int subscribe(Subscriber subscriber);
    void unsubscribe(int id);

    // Delivers events that a reply wait moved into xcb's queue; call after each *_reply().
    void drainQueued();

    // Tells the raw-input observers that these key codes are about to be injected, so they are not
    // counted as the user's presses.
    void announceInjection(const QList<uint>& keycodes);

Q_SIGNALS:
    void injectionAnnounced(const QList<uint>& keycodes);
    // The connection broke; the service stops reading and stays disconnected.
    void connectionLost();

private:
    void readEvents(bool queuedOnly);
    void dispatch(const xcb_generic_event_t* event);
    bool checkConnection();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    xcb_window_t m_window = XCB_NONE;
    X11Extensions m_extensions;
    uint8_t m_xfixesEventBase = 0;
    xcb_timestamp_t m_lastServerTime = XCB_CURRENT_TIME;
    int m_errorCode = 0;
    bool m_draining = false;
    int m_nextSubscriberId = 1;
    std::map<int, Subscriber> m_subscribers;
    std::unordered_map<std::string, xcb_atom_t> m_atoms;
    std::unordered_map<xcb_atom_t, QString> m_atomNames;
    QPointer<QSocketNotifier> m_notifier;
    QMetaObject::Connection m_aboutToBlock;
};

} // namespace tolvane

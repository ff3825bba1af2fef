#pragma once

#include "platform/pasteboard_backend.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Owns one selection with the service window and offers exactly the given targets, in their order, each
// with its bytes: what another owner offered comes back the same, with no target added or lost. TARGETS
// answers the list as given, TIMESTAMP the time the selection was taken, MULTIPLE converts each pair,
// SAVE_TARGETS answers nothing; other listed targets answer their bytes (typed as the target itself, TEXT
// as UTF8_STRING). Data larger than one request is refused; maxServableBytes() tells the limit.
class X11SelectionOwner final : public QObject {
    Q_OBJECT

public:
    X11SelectionOwner(X11InputService& service, xcb_atom_t selection, QObject* parent = nullptr);
    ~X11SelectionOwner() override;

    // Takes the selection with these contents; false when the server did not make us the owner.
    bool take(const ClipboardContents& contents);
    // Leaves the selection without owner, whoever holds it; false when someone still owns it afterwards.
    bool clear();
    bool owns() const { return m_owned; }
    const ClipboardContents& contents() const { return m_contents; }
    qsizetype maxServableBytes() const;
    // Requests for content targets answered while we own the selection.
    quint64 servedRequests() const { return m_servedRequests; }
    // Asks a running clipboard manager to keep what we offer (SAVE_TARGETS) and answers its reads until it
    // is done or `timeout` passes, so the contents outlive this process. Runs a local event loop; does
    // nothing when we do not own the selection or no manager runs.
    void handOverToClipboardManager(std::chrono::milliseconds timeout);

private:
    void handle(const xcb_generic_event_t* event);
    void answer(const xcb_selection_request_event_t& request);
    bool convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property);
    bool convertMultiple(xcb_window_t requestor, xcb_atom_t property);
    xcb_window_t currentOwner();

    QPointer<X11InputService> m_service;
    xcb_atom_t m_selection;
    int m_subscription = 0;
    bool m_owned = false;
    ClipboardContents m_contents;
    xcb_timestamp_t m_takenAt = XCB_CURRENT_TIME;
    quint64 m_servedRequests = 0;
};

} // namespace tolvane

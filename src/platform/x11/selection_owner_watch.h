#pragma once

#include <QObject>
#include <QPointer>
#include <QtGlobal>
#include <deque>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Counts the owner changes of one selection (XFixes notices), telling apart the ones made by this process.
// Every new selection gives a notice, even from the same owner window.
class SelectionOwnerWatch : public QObject {
    Q_OBJECT

public:
    SelectionOwnerWatch(X11InputService& service, xcb_atom_t selection, QObject* parent = nullptr);
    ~SelectionOwnerWatch() override;

    // Notices whose new owner belongs to another process.
    quint64 foreignChanges() const { return m_foreignChanges; }
    // The processes of the foreign changes after the first `since`, oldest first (absent where unknown);
    // the newest historyLength are kept.
    std::vector<std::optional<qint64>> foreignOwnersSince(quint64 since) const;
    static constexpr size_t historyLength = 32;
    quint64 allChanges() const { return m_allChanges; }
    xcb_window_t owner() const { return m_owner; }
    // The process of the current owner; absent without owner or when it cannot be told.
    std::optional<qint64> ownerPid() const { return m_ownerPid; }

Q_SIGNALS:
    void ownerChanged();

private:
    void handle(const xcb_generic_event_t* event);

    QPointer<X11InputService> m_service;
    xcb_atom_t m_selection;
    int m_subscription = 0;
    quint64 m_foreignChanges = 0;
    quint64 m_allChanges = 0;
    xcb_window_t m_owner = XCB_NONE;
    std::optional<qint64> m_ownerPid;
    // (foreign change number, its owner's process)
    std::deque<std::pair<quint64, std::optional<qint64>>> m_foreignOwners;
};

} // namespace tolvane

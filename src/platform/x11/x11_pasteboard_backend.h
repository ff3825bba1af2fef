#pragma once

#include "core/clock.h"
#include "platform/pasteboard_backend.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <xcb/xcb.h>

namespace tolvane {

class SelectionOwnerWatch;
class X11InputService;
class X11SelectionOwner;

// CLIPBOARD and PRIMARY on X11. Plain text goes through QClipboard, which answers requestors, handles large
// transfers and hands CLIPBOARD to a clipboard manager at exit. Contents given back to the user are offered
// by our own owner on the service connection, target for target as their first owner offered them
// (QClipboard would add and drop text targets). Foreign owners are read over the input service's own
// connection, asynchronously and with a deadline, never through QClipboard (which blocks the GUI thread for
// seconds on an owner that does not answer). While no clipboard manager runs, contents we put back end with
// this process; that is inherent to X11 selections.
class X11PasteboardBackend final : public QObject,
                                   public PasteboardBackend,
                                   private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds clipboardManagerTimeout{3000};

    explicit X11PasteboardBackend(X11InputService& service, Clock& clock = systemClock(),
                                  QObject* parent = nullptr);
    ~X11PasteboardBackend() override;

    quint64 changeCount() const override;
    std::vector<std::optional<qint64>> clipboardOwnersSince(quint64 since) const override;
    quint64 servedTextRequests() const override { return m_servedTextRequests; }
    std::optional<qint64> ownerPid(DesktopSelection selection) override;
    QCoro::Task<std::optional<QStringList>>
    targets(DesktopSelection selection, std::chrono::milliseconds timeout, CancellationToken token) override;
    QCoro::Task<std::optional<QByteArray>> read(DesktopSelection selection, QString target,
                                                std::chrono::milliseconds timeout,
                                                CancellationToken token) override;
    qsizetype maxWritableBytes() const override;
    bool write(const ClipboardContents& contents) override;
    void writeText(const QString& text) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    xcb_atom_t selectionAtom(DesktopSelection selection) const;
    bool ownedByUs(DesktopSelection selection) const;
    bool hasOwner(DesktopSelection selection);
    static QCoro::Task<std::optional<QStringList>> readTargets(QPointer<X11PasteboardBackend> self,
                                                               xcb_atom_t selection,
                                                               std::chrono::milliseconds timeout,
                                                               CancellationToken token);

    QPointer<X11InputService> m_service;
    Clock& m_clock;
    xcb_atom_t m_clipboardAtom = XCB_NONE;
    xcb_atom_t m_primaryAtom = XCB_NONE;
    xcb_atom_t m_targetsAtom = XCB_NONE;
    SelectionOwnerWatch* m_clipboardWatch = nullptr;
    SelectionOwnerWatch* m_primaryWatch = nullptr;
    X11SelectionOwner* m_clipboardOwner = nullptr;
    quint64 m_servedTextRequests = 0;
};

} // namespace tolvane

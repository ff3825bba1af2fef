#include "platform/x11/x11_pasteboard_backend.h"

#include "platform/x11/selection_owner_watch.h"
#include "platform/x11/x11_client_pid.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_selection_owner.h"
#include "platform/x11/x11_selection_transfer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdlib>

namespace tolvane {
namespace {

constexpr qsizetype maxTransferBytes = 64 * 1024 * 1024;

// X11 names of plain text; Qt offers all of them for the "text/plain" format.
bool isTextAlias(const QString& name) {
    return name == QLatin1String("UTF8_STRING") || name == QLatin1String("STRING") ||
           name == QLatin1String("TEXT") || name == QLatin1String("COMPOUND_TEXT") ||
           name == QLatin1String("text/plain") || name == QLatin1String("text/plain;charset=utf-8");
}

QClipboard::Mode qtMode(DesktopSelection selection) {
    return selection == DesktopSelection::clipboard ? QClipboard::Clipboard : QClipboard::Selection;
}

} // namespace

X11PasteboardBackend::X11PasteboardBackend(X11InputService& service, Clock& clock, QObject* parent)
    : QObject(parent), m_service(&service), m_clock(clock) {
    if (!service.isConnected())
        return;
    m_clipboardAtom = service.atom("CLIPBOARD");
    m_primaryAtom = XCB_ATOM_PRIMARY;
    m_targetsAtom = service.atom("TARGETS");
    m_clipboardWatch = new SelectionOwnerWatch(service, m_clipboardAtom, this);
    m_primaryWatch = new SelectionOwnerWatch(service, m_primaryAtom, this);
    m_clipboardOwner = new X11SelectionOwner(service, m_clipboardAtom, this);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11PasteboardBackend::~X11PasteboardBackend() {
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    // As QClipboard does for its own contents: what we gave back outlives us where a manager runs.
    if (m_clipboardOwner)
        m_clipboardOwner->handOverToClipboardManager(clipboardManagerTimeout);
}

quint64 X11PasteboardBackend::changeCount() const {
    return m_clipboardWatch ? m_clipboardWatch->foreignChanges() : 0;
}

std::vector<std::optional<qint64>> X11PasteboardBackend::clipboardOwnersSince(quint64 since) const {
    return m_clipboardWatch ? m_clipboardWatch->foreignOwnersSince(since)
                            : std::vector<std::optional<qint64>>{};
}

qsizetype X11PasteboardBackend::maxWritableBytes() const {
    return m_clipboardOwner ? m_clipboardOwner->maxServableBytes() : 0;
}

xcb_atom_t X11PasteboardBackend::selectionAtom(DesktopSelection selection) const {
    return selection == DesktopSelection::clipboard ? m_clipboardAtom : m_primaryAtom;
}

bool X11PasteboardBackend::ownedByUs(DesktopSelection selection) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (selection == DesktopSelection::primary)
        return clipboard->ownsSelection();
    return (m_clipboardOwner && m_clipboardOwner->owns()) || clipboard->ownsClipboard();
}

bool X11PasteboardBackend::hasOwner(DesktopSelection selection) {
    if (!m_service || !m_service->isConnected())
        return false;
    xcb_connection_t* c = m_service->connection();
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selectionAtom(selection)), nullptr);
    m_service->drainQueued();
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

std::optional<qint64> X11PasteboardBackend::ownerPid(DesktopSelection selection) {
    if (ownedByUs(selection))
        return QCoreApplication::applicationPid();
    if (!m_service || !m_service->isConnected())
        return std::nullopt;
    SelectionOwnerWatch* watch = selection == DesktopSelection::clipboard ? m_clipboardWatch : m_primaryWatch;
    if (watch && m_service->extensions().xfixes)
        return watch->ownerPid();
    xcb_connection_t* c = m_service->connection();
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selectionAtom(selection)), nullptr);
    m_service->drainQueued();
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    return owner == XCB_NONE ? std::nullopt : clientPidOfWindow(*m_service, owner);
}

QCoro::Task<std::optional<QStringList>> X11PasteboardBackend::targets(DesktopSelection selection,
                                                                      std::chrono::milliseconds timeout,
                                                                      CancellationToken token) {
    auto ready = [](std::optional<QStringList> n) -> QCoro::Task<std::optional<QStringList>> { co_return n; };
    if (selection == DesktopSelection::clipboard && m_clipboardOwner && m_clipboardOwner->owns()) {
        QStringList names;
        for (const auto& format : m_clipboardOwner->contents().formats)
            names.append(format.first);
        return ready(names);
    }
    if (ownedByUs(selection)) {
        QStringList names;
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(qtMode(selection))) {
            names = data->formats();
            if (data->hasText() && !names.contains(QLatin1String("UTF8_STRING")))
                names.prepend(QStringLiteral("UTF8_STRING"));
        }
        return ready(names);
    }
    if (!hasOwner(selection))
        return ready(QStringList{});
    return readTargets(QPointer<X11PasteboardBackend>(this), selectionAtom(selection), timeout,
                       std::move(token));
}

QCoro::Task<std::optional<QStringList>> X11PasteboardBackend::readTargets(QPointer<X11PasteboardBackend> self,
                                                                          xcb_atom_t selection,
                                                                          std::chrono::milliseconds timeout,
                                                                          CancellationToken token) {
    if (!self || !self->m_service)
        co_return std::nullopt;
    std::optional<QByteArray> raw = co_await convertSelection(self->m_service, &self->m_clock, selection,
                                                              self->m_targetsAtom, timeout, 1 << 16, token);
    if (!self || !self->m_service || !raw)
        co_return std::nullopt;
    QStringList names;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(raw->constData());
    const qsizetype count = raw->size() / qsizetype(sizeof(xcb_atom_t));
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = self->m_service->atomName(atoms[i]);
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    co_return names;
}

QCoro::Task<std::optional<QByteArray>> X11PasteboardBackend::read(DesktopSelection selection, QString target,
                                                                  std::chrono::milliseconds timeout,
                                                                  CancellationToken token) {
    using Ready = QCoro::Task<std::optional<QByteArray>>;
    if (selection == DesktopSelection::clipboard && m_clipboardOwner && m_clipboardOwner->owns()) {
        std::optional<QByteArray> value;
        for (const auto& [format, bytes] : m_clipboardOwner->contents().formats)
            if (format == target && !isTransferTarget(format))
                value = bytes;
        return [](std::optional<QByteArray> v) -> Ready { co_return v; }(value);
    }
    if (ownedByUs(selection)) {
        std::optional<QByteArray> value;
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(qtMode(selection))) {
            if (data->hasFormat(target))
                value = data->data(target);
            else if (isTextAlias(target) && data->hasText())
                value = target == QLatin1String("STRING") ? data->text().toLatin1() : data->text().toUtf8();
        }
        return
            [](std::optional<QByteArray> v) -> QCoro::Task<std::optional<QByteArray>> { co_return v; }(value);
    }
    if (!m_service || !m_service->isConnected())
        return [](std::optional<QByteArray> v) -> QCoro::Task<std::optional<QByteArray>> { co_return v; }({});
    return convertSelection(m_service, &m_clock, selectionAtom(selection),
                            m_service->atom(target.toStdString()), timeout, maxTransferBytes,
                            std::move(token));
}

bool X11PasteboardBackend::write(const ClipboardContents& contents) {
    if (!m_clipboardOwner)
        return false;
    if (contents.isEmpty())
        return m_clipboardOwner->clear();
    return m_clipboardOwner->take(contents);
}

void X11PasteboardBackend::writeText(const QString& text) {
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

bool X11PasteboardBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    // Observes Qt's own connection: a paste target asking us for the text we put on CLIPBOARD.
    if (eventType != "xcb_generic_event_t" || !m_service)
        return false;
    auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
        return false;
    auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
    if (request->selection != m_clipboardAtom)
        return false;
    const QString target = m_service->atomName(request->target);
    if (!isTransferTarget(target))
        ++m_servedTextRequests;
    return false;
}

} // namespace tolvane

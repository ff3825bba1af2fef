#include "platform/x11/x11_pasteboard_backend.h"

#include "platform/x11/selection_owner_watch.h"
#include "platform/x11/x11_client_pid.h"
#include "platform/x11/x11_input_service.h"
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

// Targets that describe the transfer itself rather than content.
bool isMetaTarget(const QString& name) {
    return name == QLatin1String("TARGETS") || name == QLatin1String("MULTIPLE") ||
           name == QLatin1String("TIMESTAMP") || name == QLatin1String("SAVE_TARGETS") ||
           name == QLatin1String("DELETE") || name == QLatin1String("INCR");
}

QClipboard::Mode qtMode(DesktopSelection selection) {
    return selection == DesktopSelection::clipboard ? QClipboard::Clipboard : QClipboard::Selection;
}

// The plain text of a set of formats, UTF-8 forms first, Latin-1 STRING last.
std::optional<QString> plainTextOf(const ClipboardContents& contents) {
    for (const char* name : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"})
        for (const auto& [format, data] : contents.formats)
            if (format == QLatin1String(name))
                return QString::fromUtf8(data);
    for (const auto& [format, data] : contents.formats)
        if (format == QLatin1String("STRING"))
            return QString::fromLatin1(data);
    return std::nullopt;
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
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11PasteboardBackend::~X11PasteboardBackend() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

quint64 X11PasteboardBackend::changeCount() const {
    return m_clipboardWatch ? m_clipboardWatch->foreignChanges() : 0;
}

xcb_atom_t X11PasteboardBackend::selectionAtom(DesktopSelection selection) const {
    return selection == DesktopSelection::clipboard ? m_clipboardAtom : m_primaryAtom;
}

bool X11PasteboardBackend::ownedByUs(DesktopSelection selection) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return selection == DesktopSelection::clipboard ? clipboard->ownsClipboard() : clipboard->ownsSelection();
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

QCoro::Task<QStringList> X11PasteboardBackend::targets(DesktopSelection selection,
                                                       std::chrono::milliseconds timeout,
                                                       CancellationToken token) {
    if (ownedByUs(selection)) {
        QStringList names;
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(qtMode(selection))) {
            names = data->formats();
            if (data->hasText() && !names.contains(QLatin1String("UTF8_STRING")))
                names.prepend(QStringLiteral("UTF8_STRING"));
        }
        return [](QStringList n) -> QCoro::Task<QStringList> { co_return n; }(names);
    }
    return readTargets(QPointer<X11PasteboardBackend>(this), selectionAtom(selection), timeout,
                       std::move(token));
}

QCoro::Task<QStringList> X11PasteboardBackend::readTargets(QPointer<X11PasteboardBackend> self,
                                                           xcb_atom_t selection,
                                                           std::chrono::milliseconds timeout,
                                                           CancellationToken token) {
    if (!self || !self->m_service)
        co_return QStringList{};
    std::optional<QByteArray> raw = co_await convertSelection(self->m_service, &self->m_clock, selection,
                                                              self->m_targetsAtom, timeout, 1 << 16, token);
    if (!self || !self->m_service || !raw)
        co_return QStringList{};
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

void X11PasteboardBackend::write(const ClipboardContents& contents) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (contents.isEmpty()) {
        clipboard->clear(QClipboard::Clipboard);
        return;
    }
    auto* data = new QMimeData;
    if (const std::optional<QString> text = plainTextOf(contents))
        data->setText(*text);
    for (const auto& [format, bytes] : contents.formats) {
        if (isTextAlias(format) || isMetaTarget(format))
            continue;
        data->setData(format, bytes);
    }
    clipboard->setMimeData(data, QClipboard::Clipboard);
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
    if (!isMetaTarget(target))
        ++m_servedTextRequests;
    return false;
}

} // namespace tolvane

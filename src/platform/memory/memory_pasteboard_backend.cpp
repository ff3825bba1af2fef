#include "platform/memory/memory_pasteboard_backend.h"

#include "core/async/sleep.h"

namespace tolvane {
namespace {

QCoro::Task<> waitOut(Clock* clock, std::chrono::milliseconds timeout, CancellationToken token) {
    co_await sleep(*clock, timeout, token);
}

QCoro::Task<std::optional<QStringList>> targetsAfter(Clock* clock, bool unresponsive, QStringList names,
                                                     std::chrono::milliseconds timeout,
                                                     CancellationToken token) {
    token.throwIfCancelled();
    if (unresponsive) {
        co_await waitOut(clock, timeout, token);
        co_return std::nullopt;
    }
    co_return names;
}

QCoro::Task<std::optional<QByteArray>> dataAfter(Clock* clock, bool unresponsive,
                                                 std::optional<QByteArray> data,
                                                 std::chrono::milliseconds timeout, CancellationToken token) {
    token.throwIfCancelled();
    if (unresponsive) {
        co_await waitOut(clock, timeout, token);
        co_return std::nullopt;
    }
    co_return data;
}

} // namespace

const ClipboardContents& MemoryPasteboardBackend::contentsOf(DesktopSelection selection) const {
    return selection == DesktopSelection::clipboard ? m_clipboard : m_primary;
}

std::optional<qint64> MemoryPasteboardBackend::ownerPid(DesktopSelection selection) {
    return selection == DesktopSelection::clipboard ? m_clipboardOwner : m_primaryOwner;
}

std::vector<std::optional<qint64>> MemoryPasteboardBackend::clipboardOwnersSince(quint64 since) const {
    return {m_foreignOwners.begin() + qsizetype(std::min<quint64>(since, m_foreignOwners.size())),
            m_foreignOwners.end()};
}

QCoro::Task<std::optional<QStringList>> MemoryPasteboardBackend::targets(DesktopSelection selection,
                                                                         std::chrono::milliseconds timeout,
                                                                         CancellationToken token) {
    QStringList names;
    for (const auto& format : contentsOf(selection).formats)
        names.append(format.first);
    const bool unresponsive = m_unresponsive && ownerPid(selection) && ownerPid(selection) != selfPid;
    return targetsAfter(&m_clock, unresponsive, names, timeout, std::move(token));
}

QCoro::Task<std::optional<QByteArray>> MemoryPasteboardBackend::read(DesktopSelection selection,
                                                                     QString target,
                                                                     std::chrono::milliseconds timeout,
                                                                     CancellationToken token) {
    std::optional<QByteArray> data;
    for (const auto& [format, bytes] : contentsOf(selection).formats)
        if (format == target) {
            data = bytes;
            break;
        }
    const bool unresponsive = m_unresponsive && ownerPid(selection) != selfPid;
    return dataAfter(&m_clock, unresponsive, data, timeout, std::move(token));
}

bool MemoryPasteboardBackend::write(const ClipboardContents& contents) {
    ++m_writes;
    if (m_writesFail)
        return false;
    m_clipboard = contents;
    m_clipboardOwner = contents.isEmpty() ? std::nullopt : std::optional<qint64>(selfPid);
    return true;
}

void MemoryPasteboardBackend::writeText(const QString& text) {
    ++m_writes;
    m_clipboard = {{{QStringLiteral("UTF8_STRING"), text.toUtf8()}}};
    m_clipboardOwner = selfPid;
}

void MemoryPasteboardBackend::setForeignClipboard(ClipboardContents contents, qint64 pid) {
    m_clipboard = std::move(contents);
    m_clipboardOwner = pid;
    ++m_changeCount;
    m_foreignOwners.push_back(pid);
}

void MemoryPasteboardBackend::setPrimary(ClipboardContents contents, std::optional<qint64> pid) {
    m_primary = std::move(contents);
    m_primaryOwner = pid;
}

std::optional<QString> MemoryPasteboardBackend::pullText() {
    if (m_clipboardOwner == selfPid)
        ++m_servedTextRequests;
    for (const auto& [format, bytes] : m_clipboard.formats)
        if (format == QLatin1String("UTF8_STRING"))
            return QString::fromUtf8(bytes);
    return std::nullopt;
}

} // namespace tolvane

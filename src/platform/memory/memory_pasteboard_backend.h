#pragma once

#include "core/clock.h"
#include "platform/pasteboard_backend.h"

namespace tolvane {

// An in-memory clipboard and primary selection for tests. Foreign owners are simulated by the test; an
// unresponsive owner makes reads wait their whole timeout on the given clock.
class MemoryPasteboardBackend final : public PasteboardBackend {
public:
    static constexpr qint64 selfPid = 1000;

    explicit MemoryPasteboardBackend(Clock& clock) : m_clock(clock) {}

    quint64 changeCount() const override { return m_changeCount; }
    std::vector<std::optional<qint64>> clipboardOwnersSince(quint64 since) const override;
    quint64 servedTextRequests() const override { return m_servedTextRequests; }
    std::optional<qint64> ownerPid(DesktopSelection selection) override;
    QCoro::Task<std::optional<QStringList>>
    targets(DesktopSelection selection, std::chrono::milliseconds timeout, CancellationToken token) override;
    QCoro::Task<std::optional<QByteArray>> read(DesktopSelection selection, QString target,
                                                std::chrono::milliseconds timeout,
                                                CancellationToken token) override;
    qsizetype maxWritableBytes() const override { return m_maxWritableBytes; }
    bool write(const ClipboardContents& contents) override;
    void writeText(const QString& text) override;

    // Another process takes CLIPBOARD (a copy in another application).
    void setForeignClipboard(ClipboardContents contents, qint64 pid);
    void setPrimary(ClipboardContents contents, std::optional<qint64> pid);
    // A paste target fetching the clipboard's text: counts as a served request while we own it.
    std::optional<QString> pullText();
    void setUnresponsive(bool unresponsive) { m_unresponsive = unresponsive; }
    // Our writes are refused by the "server": the clipboard stays as it is.
    void setWritesFail(bool fail) { m_writesFail = fail; }
    void setMaxWritableBytes(qsizetype bytes) { m_maxWritableBytes = bytes; }

    const ClipboardContents& clipboard() const { return m_clipboard; }
    std::optional<qint64> clipboardOwner() const { return m_clipboardOwner; }
    int writeCount() const { return m_writes; }

private:
    const ClipboardContents& contentsOf(DesktopSelection selection) const;

    Clock& m_clock;
    ClipboardContents m_clipboard;
    std::optional<qint64> m_clipboardOwner;
    ClipboardContents m_primary;
    std::optional<qint64> m_primaryOwner;
    quint64 m_changeCount = 0;
    std::vector<qint64> m_foreignOwners; // the owner of each foreign change, in order
    quint64 m_servedTextRequests = 0;
    bool m_unresponsive = false;
    bool m_writesFail = false;
    qsizetype m_maxWritableBytes = 64 * 1024 * 1024;
    int m_writes = 0;
};

} // namespace tolvane

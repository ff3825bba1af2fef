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
    quint64 servedTextRequests() const override { return m_servedTextRequests; }
    std::optional<qint64> ownerPid(DesktopSelection selection) override;
    QCoro::Task<QStringList> targets(DesktopSelection selection, std::chrono::milliseconds timeout,
                                     CancellationToken token) override;
    QCoro::Task<std::optional<QByteArray>> read(DesktopSelection selection, QString target,
                                                std::chrono::milliseconds timeout,
                                                CancellationToken token) override;
    void write(const ClipboardContents& contents) override;
    void writeText(const QString& text) override;

    // Another process takes CLIPBOARD (a copy in another application).
    void setForeignClipboard(ClipboardContents contents, qint64 pid);
    void setPrimary(ClipboardContents contents, std::optional<qint64> pid);
    // A paste target fetching the clipboard's text: counts as a served request while we own it.
    std::optional<QString> pullText();
    void setUnresponsive(bool unresponsive) { m_unresponsive = unresponsive; }

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
    quint64 m_servedTextRequests = 0;
    bool m_unresponsive = false;
    int m_writes = 0;
};

} // namespace tolvane

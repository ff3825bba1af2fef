#pragma once

#include "core/async/cancellation.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace tolvane {

// The two desktop selections: CLIPBOARD (explicit copy) and PRIMARY (the current mouse selection).
enum class DesktopSelection { clipboard, primary };

// Every target an owner offers, in its order: (target name, bytes). Targets that describe the transfer
// rather than content (TARGETS, TIMESTAMP, MULTIPLE, ...) are listed with empty bytes; whoever offers the
// contents answers them.
struct ClipboardContents {
    std::vector<std::pair<QString, QByteArray>> formats;

    bool isEmpty() const { return formats.empty(); }
    friend bool operator==(const ClipboardContents&, const ClipboardContents&) = default;
};

// Targets that describe or act on the transfer itself; their bytes are never read as content.
bool isTransferTarget(const QString& name);

// The desktop clipboard as the clipboard road needs it. Reads of a foreign owner are asynchronous and
// bounded, so an owner that never answers cannot freeze the application.
class PasteboardBackend {
public:
    virtual ~PasteboardBackend() = default;

    // Grows by one each time another application takes CLIPBOARD; our own writes do not count.
    virtual quint64 changeCount() const = 0;
    // The processes that took CLIPBOARD in the changes after changeCount() was `since`, oldest first; absent
    // where the process cannot be told. Only the newest few changes are remembered.
    virtual std::vector<std::optional<qint64>> clipboardOwnersSince(quint64 since) const = 0;
    // Grows by one each time a requestor asks us for text on CLIPBOARD while we own it.
    virtual quint64 servedTextRequests() const = 0;
    // The process owning the selection; absent when nobody owns it or it cannot be told.
    virtual std::optional<qint64> ownerPid(DesktopSelection selection) = 0;

    // The target names the owner offers, in its order; empty when nobody owns the selection, absent when
    // the owner does not answer within `timeout`.
    virtual QCoro::Task<std::optional<QStringList>>
    targets(DesktopSelection selection, std::chrono::milliseconds timeout, CancellationToken token) = 0;
    // The data for one target; absent when refused, too large or not answered within `timeout`.
    virtual QCoro::Task<std::optional<QByteArray>> read(DesktopSelection selection, QString target,
                                                        std::chrono::milliseconds timeout,
                                                        CancellationToken token) = 0;
    // The largest data for one target that write() can offer again.
    virtual qsizetype maxWritableBytes() const = 0;

    // Takes CLIPBOARD offering exactly the given targets and bytes, nothing added; empty contents leave it
    // without owner. False when the selection could not be taken (or cleared).
    virtual bool write(const ClipboardContents& contents) = 0;
    // Takes CLIPBOARD with plain text.
    virtual void writeText(const QString& text) = 0;
};

} // namespace tolvane

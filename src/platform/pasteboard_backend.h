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

// Every format of one clipboard item, in the owner's order: (target name, bytes).
struct ClipboardContents {
    std::vector<std::pair<QString, QByteArray>> formats;

    bool isEmpty() const { return formats.empty(); }
    friend bool operator==(const ClipboardContents&, const ClipboardContents&) = default;
};

// The desktop clipboard as the clipboard road needs it. Reads of a foreign owner are asynchronous and
// bounded, so an owner that never answers cannot freeze the application.
class PasteboardBackend {
public:
    virtual ~PasteboardBackend() = default;

    // Grows by one each time another application takes CLIPBOARD; our own writes do not count.
    virtual quint64 changeCount() const = 0;
    // Grows by one each time a requestor asks us for text on CLIPBOARD while we own it.
    virtual quint64 servedTextRequests() const = 0;
    // The process owning the selection; absent when nobody owns it or it cannot be told.
    virtual std::optional<qint64> ownerPid(DesktopSelection selection) = 0;

    // The target names the owner offers; empty when nobody owns the selection or the owner does not answer
    // within `timeout`.
    virtual QCoro::Task<QStringList> targets(DesktopSelection selection, std::chrono::milliseconds timeout,
                                             CancellationToken token) = 0;
    // The data for one target; absent when refused, too large or not answered within `timeout`.
    virtual QCoro::Task<std::optional<QByteArray>> read(DesktopSelection selection, QString target,
                                                        std::chrono::milliseconds timeout,
                                                        CancellationToken token) = 0;

    // Takes CLIPBOARD with the given contents; empty contents give the selection up.
    virtual void write(const ClipboardContents& contents) = 0;
    // Takes CLIPBOARD with plain text.
    virtual void writeText(const QString& text) = 0;
};

} // namespace tolvane

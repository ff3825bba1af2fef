#pragma once

// CLIPBOARD read the way another client reads it, for x11 tests and benchmarks.

#include "core/async/task.h"
#include "core/logging.h"
#include "platform/pasteboard_backend.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_selection_transfer.h"

#include <QProcess>
#include <QTest>
#include <memory>

namespace tolvane::testing {

// Reads CLIPBOARD in `target` format over `service`, a connection other than the owner's, so an owner in this
// process must answer while the event loop runs.
inline std::optional<QByteArray> readClipboardAsAnotherClient(X11InputService& service, QObject& context,
                                                              const char* target = "UTF8_STRING") {
    using namespace std::chrono_literals;
    struct Result {
        bool done = false;
        std::optional<QByteArray> data;
    };
    auto out = std::make_shared<Result>();
    QPointer<X11InputService> weak(&service);
    const xcb_atom_t clipboard = service.atom("CLIPBOARD");
    const xcb_atom_t atom = service.atom(target);
    spawn(&context, lcClipboard(), [=](CancellationToken token) -> QCoro::Task<> {
        try {
            out->data =
                co_await convertSelection(weak, &systemClock(), clipboard, atom, 2000ms, 1 << 26, token);
        } catch (...) {
        }
        out->done = true;
    });
    (void)QTest::qWaitFor([&] { return out->done; }, 5000);
    return out->data;
}

// CLIPBOARD as another client sees it: the TARGETS answer as names, in order, and the bytes of every content
// target (absent where refused).
struct ClipboardCensus {
    QStringList targets;
    std::vector<std::optional<QByteArray>> data;
    friend bool operator==(const ClipboardCensus&, const ClipboardCensus&) = default;
};

inline ClipboardCensus clipboardCensus(X11InputService& service, QObject& context) {
    ClipboardCensus census;
    const std::optional<QByteArray> raw = readClipboardAsAnotherClient(service, context, "TARGETS");
    if (!raw)
        return census;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(raw->constData());
    for (qsizetype i = 0; i < raw->size() / qsizetype(sizeof(xcb_atom_t)); ++i)
        census.targets.append(service.atomName(atoms[i]));
    for (const QString& target : census.targets)
        if (!isTransferTarget(target))
            census.data.push_back(
                readClipboardAsAnotherClient(service, context, target.toUtf8().constData()));
    return census;
}

// Another client taking CLIPBOARD as the user's: 0 xclip with text, 1 xclip with a file list only, 2 the
// `selection_owner` helper offering exactly an HTML and three plain-text targets.
inline std::unique_ptr<QProcess> startClipboardOwner(int kind, const QString& selectionOwnerProgram) {
    auto owner = std::make_unique<QProcess>();
    const auto hex = [](const char* text) { return QString::fromLatin1(QByteArray(text).toHex()); };
    if (kind < 2) {
        owner->start(QStringLiteral("xclip"),
                     {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                      QStringLiteral("-t"),
                      kind == 0 ? QStringLiteral("UTF8_STRING") : QStringLiteral("text/uri-list"),
                      QStringLiteral("-i")});
        owner->write(kind == 0 ? QByteArray("old Grüße\n") : QByteArray("file:///tmp/a.txt\r\n"));
        owner->closeWriteChannel();
    } else {
        owner->start(selectionOwnerProgram,
                     {QStringLiteral("CLIPBOARD"), QStringLiteral("text/html=") + hex("<b>old</b> Grüße"),
                      QStringLiteral("UTF8_STRING=") + hex("old Grüße"),
                      QStringLiteral("text/plain=") + hex("old Gr??e"),
                      QStringLiteral("text/plain;charset=utf-8=") + hex("old Grüße")});
    }
    return owner;
}

} // namespace tolvane::testing

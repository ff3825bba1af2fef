#pragma once

#include "providers/cloud_translation_types.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <functional>

namespace tolvane {

// Turns the lines of the hosted service's event stream into events. "event:" names the next event, "data:"
// lines (spaces and tabs trimmed) are joined with "\n"; a blank line or a new "event:" line dispatches, so
// the same events come out whether or not blank lines reach the parser. "delta" gives text, "done" the
// completed result (and ends reading), "error" fails with the server's message; other names are ignored.
// Data of any event that is an object carrying an "error" member fails with that error's message too.
// One event holds at most kMaxEventBytes of data, like one line, so a stream that never dispatches cannot
// grow without bound.
class HostedEventStreamParser {
public:
    using Deliver = std::function<void(CloudTranslationStreamEvent)>;

    static constexpr qsizetype kMaxEventBytes = 4 * 1024 * 1024;

    // `secrets` (the device token) are masked in an "error" event's message.
    explicit HostedEventStreamParser(QStringList secrets) : m_secrets(std::move(secrets)) {}

    // Handles one line (without its line end). Returns false once "done" was delivered: stop reading.
    // Throws AIProviderError for an "error" event, an undecodable "done" or an event past kMaxEventBytes
    // (invalidResponse); JsonDecodingError for an undecodable "delta" or "error" event.
    bool handleLine(const QString& line, const Deliver& deliver);
    // The end of the body: dispatches what is pending, then fails unless "done" was delivered.
    void finish(const Deliver& deliver);
    bool isDone() const { return m_done; }

private:
    void dispatch(const Deliver& deliver);

    QStringList m_secrets;
    QString m_name = QStringLiteral("message");
    QByteArrayList m_dataLines; // UTF-8
    qsizetype m_dataBytes = 0;
    bool m_done = false;
};

} // namespace tolvane

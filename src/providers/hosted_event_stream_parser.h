#pragma once

#include "providers/cloud_translation_types.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace tolvane {

// Turns the lines of the hosted service's event stream into events. "event:" names the next event, "data:"
// lines (spaces and tabs trimmed) are joined with "\n"; a blank line or a new "event:" line dispatches, so
// the same events come out whether or not blank lines reach the parser. "delta" gives text, "done" the
// completed result (and ends reading), "error" fails with the server's message; other names are ignored.
class HostedEventStreamParser {
public:
    using Deliver = std::function<void(CloudTranslationStreamEvent)>;

    // Handles one line (without its line end). Returns false once "done" was delivered: stop reading.
    // Throws AIProviderError for an "error" event or an undecodable "done"; JsonDecodingError for an
    // undecodable "delta" or "error" event.
    bool handleLine(const QString& line, const Deliver& deliver);
    // The end of the body: dispatches what is pending, then fails unless "done" was delivered.
    void finish(const Deliver& deliver);
    bool isDone() const { return m_done; }

private:
    void dispatch(const Deliver& deliver);

    QString m_name = QStringLiteral("message");
    QStringList m_dataLines;
    bool m_done = false;
};

} // namespace tolvane

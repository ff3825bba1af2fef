#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace tolvane {

// Splits a byte stream into lines as it arrives. LF, CR and CRLF end a line (a CRLF split across two
// chunks is one line end); U+2028, U+2029 and NEL do not, since they may stand unescaped inside JSON.
// Lines are handed over as bytes, so a UTF-8 character split across chunks stays whole.
class LineSplitter {
public:
    using LineHandler = std::function<bool(QByteArrayView line)>;

    // Longest line kept in memory; a longer one fails the body (see overflowed()). A streamed piece of a
    // translation is a few hundred bytes and a whole answer in one line is far below this (the hosted
    // service's whole answer body is capped at 500 kB), so only a broken or hostile server reaches it.
    static constexpr qsizetype kMaxLineBytes = 4 * 1024 * 1024;

    // Calls onLine for each complete line; onLine returns false to stop (later bytes are then ignored).
    // Returns false when stopped or when a line grew past kMaxLineBytes.
    bool feed(QByteArrayView bytes, const LineHandler& onLine);
    // Hands over an unterminated last line. Returns false when stopped earlier.
    bool finish(const LineHandler& onLine);

    bool overflowed() const { return m_overflowed; }

private:
    QByteArray m_partial;
    bool m_lastWasCR = false;
    bool m_stopped = false;
    bool m_overflowed = false;
};

} // namespace tolvane

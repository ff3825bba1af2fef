#include "providers/line_splitter.h"

namespace tolvane {

bool LineSplitter::feed(QByteArrayView bytes, const LineHandler& onLine) {
    if (m_stopped)
        return false;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r')
            continue;
        if (c == '\n' && m_lastWasCR && i == start && m_partial.isEmpty()) {
            // The LF of a CRLF whose CR ended the previous line.
            m_lastWasCR = false;
            start = i + 1;
            continue;
        }
        m_lastWasCR = (c == '\r');
        bool keepGoing;
        if (m_partial.isEmpty()) {
            keepGoing = onLine(bytes.sliced(start, i - start));
        } else {
            m_partial.append(bytes.sliced(start, i - start));
            keepGoing = onLine(m_partial);
            m_partial.clear();
        }
        start = i + 1;
        if (!keepGoing) {
            m_stopped = true;
            return false;
        }
    }
    if (start < size) {
        m_lastWasCR = false;
        if (m_partial.size() + (size - start) > kMaxLineBytes) {
            m_overflowed = true;
            m_stopped = true;
            m_partial.clear();
            return false;
        }
        m_partial.append(bytes.sliced(start));
    }
    return true;
}

bool LineSplitter::finish(const LineHandler& onLine) {
    if (m_stopped)
        return false;
    m_stopped = true;
    if (m_partial.isEmpty())
        return true;
    QByteArray last = std::exchange(m_partial, {});
    return onLine(last);
}

} // namespace tolvane

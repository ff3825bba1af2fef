#pragma once

#include "support/fake_http_server.h"

#include <QStringList>

// Generated answers for running the application against the local fake services: every translation is the
// source text behind "[fake] ", streamed in a few pieces.
namespace tolvane::testing::fake_replies {

inline constexpr int kPieceDelayMs = 40;

// "[fake] " followed by the text to translate.
QString translationOf(const QString& sourceText);
// The text to translate inside a chat user message: what follows the last "Text:" line, else all of it.
QString sourceTextOfUserMessage(const QString& userMessage);
// `text` cut into at most `count` non-empty pieces, never inside a grapheme cluster.
QStringList pieces(const QString& text, int count = 3);

// Answer to a chat-completions request: a stream when it asks for one, else one JSON completion.
FakeResponse chatCompletion(const CapturedRequest& request, int delayMs = kPieceDelayMs);
// Answer to a hosted translate request: delta events and a done event with the whole translation. With
// `doneLength`, the done event's text is the translation repeated to that many characters.
FakeResponse hostedTranslation(const CapturedRequest& request, int delayMs = kPieceDelayMs,
                               qsizetype doneLength = 0);

// How a chat answer whose body ends at the connection's close (no length, not chunked) ends after its role
// chunk and the first piece of the translation; or, for a web page, what comes instead of the stream.
enum class ChatEnding {
    cutOff,          // the connection closes: no finish reason, no [DONE]
    reset,           // the connection is aborted the same way
    lengthLimit,     // the rest of the pieces, then finish reason "length" and [DONE]
    stopWithoutDone, // the rest of the pieces, finish reason "stop", then the close without [DONE]
    brokenByte,      // the rest of the pieces, the second with byte 0xFF after its first character, then
                     // finish reason "stop" and [DONE]
    cutCharacter,    // as brokenByte, but a NUL (escaped) and the first two of the three bytes of "中"
                     // instead of the byte 0xFF
    held,            // nothing more: the connection stays open until the client lets it go
    webPage,         // a whole 200 text/html page instead, as a web site at the base URL answers
};
FakeResponse chatCompletionEnding(const CapturedRequest& request, ChatEnding ending);
// The translation a brokenByte answer carries as a lenient UTF-8 decoder reads it: U+FFFD for the byte.
QString translationWithBrokenByte(const QString& sourceText);
// The translation a cutCharacter answer carries as a lenient UTF-8 decoder reads it: the NUL, then one
// U+FFFD for the cut character.
QString translationWithCutCharacter(const QString& sourceText);

// A hostile answer to either endpoint: a 200 event stream that never completes what it starts.
enum class Endless {
    lines,   // "data:" lines without end: an event that never dispatches (hosted), undecodable pieces (chat)
    line,    // one "data:" line that never ends
    content, // valid pieces of text without end (chat deltas, hosted "delta" events), never a completion
};
enum class Endpoint { chat, hosted };
// The hosted stream opens with "event: delta"; the body is made as the client reads it, and ends after
// `offeredBytes`.
FakeResponse endlessStream(Endpoint endpoint, Endless kind, qint64 offeredBytes);

} // namespace tolvane::testing::fake_replies

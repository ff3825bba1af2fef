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
// Answer to a hosted translate request: delta events and a done event with the whole translation.
FakeResponse hostedTranslation(const CapturedRequest& request, int delayMs = kPieceDelayMs);

// A hostile answer to either endpoint: a 200 event stream that never completes what it starts.
enum class Endless {
    lines, // "data:" lines without end: an event that never dispatches (hosted), undecodable pieces (chat)
    line,  // one "data:" line that never ends
};
enum class Endpoint { chat, hosted };
// The hosted stream opens with "event: delta"; the body is made as the client reads it, and ends after
// `offeredBytes`.
FakeResponse endlessStream(Endpoint endpoint, Endless kind, qint64 offeredBytes);

} // namespace tolvane::testing::fake_replies

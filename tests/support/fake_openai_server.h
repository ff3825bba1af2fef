#pragma once

#include "support/fake_http_server.h"

#include <QStringList>

// Scripted answers of a chat-completions endpoint, shaped like real ones: event-stream content type with a
// charset, a role-only first chunk, keep-alive comments, blank lines between events, a closing chunk with
// an empty delta and "finish_reason", a usage chunk with no choices, then "data: [DONE]".
namespace tolvane::testing::openai {

// One "data: " line (with its blank separator line) carrying `content` as the first choice's delta.
QByteArray deltaEvent(const QString& content);
QByteArray roleEvent();
// The closing chunk: an empty delta and the reason the model stopped.
QByteArray finishEvent(const QString& reason = QStringLiteral("stop"));
QByteArray usageEvent();
QByteArray keepAlive();
QByteArray doneEvent();
// A failure sent inside a stream that has already answered 200, as some gateways and mock servers do:
// {"error":{"message":...,"type":...,"code":...}}.
QByteArray errorEvent(const QString& message);

// The realistic stream around `pieces`, one network write per event, `delayMs` apart.
FakeResponse stream(const QStringList& pieces, int delayMs = 0, bool withDone = true);
// A stream made of exactly these raw writes.
FakeResponse rawStream(const QList<QByteArray>& writes, int delayMs = 5);

} // namespace tolvane::testing::openai

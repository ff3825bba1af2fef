#include "support/fake_openai_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane::testing::openai {

namespace {

QByteArray event(const QJsonObject& chunk) {
    return "data: " + QJsonDocument(chunk).toJson(QJsonDocument::Compact) + "\n\n";
}

QJsonObject chunkWith(const QJsonArray& choices) {
    return QJsonObject{
        {"id", "chatcmpl-1"}, {"object", "chat.completion.chunk"}, {"model", "m"}, {"choices", choices}};
}

} // namespace

QByteArray deltaEvent(const QString& content) {
    return event(chunkWith({QJsonObject{
        {"index", 0}, {"delta", QJsonObject{{"content", content}}}, {"finish_reason", QJsonValue()}}}));
}

QByteArray roleEvent() {
    return event(chunkWith({QJsonObject{{"index", 0},
                                        {"delta", QJsonObject{{"role", "assistant"}, {"content", ""}}},
                                        {"finish_reason", QJsonValue()}}}));
}

QByteArray finishEvent(const QString& reason) {
    return event(chunkWith({QJsonObject{{"index", 0}, {"delta", QJsonObject{}}, {"finish_reason", reason}}}));
}

QByteArray usageEvent() {
    QJsonObject chunk = chunkWith({});
    chunk.insert("usage", QJsonObject{{"prompt_tokens", 10}, {"completion_tokens", 3}, {"total_tokens", 13}});
    return event(chunk);
}

QByteArray keepAlive() {
    return ": OPENROUTER PROCESSING\n\n";
}

QByteArray doneEvent() {
    return "data: [DONE]\n\n";
}

QByteArray errorEvent(const QString& message) {
    return event(QJsonObject{
        {"error",
         QJsonObject{{"message", message}, {"type", "invalid_request_error"}, {"code", "invalid_api_key"}}}});
}

FakeResponse stream(const QStringList& pieces, int delayMs, bool withDone) {
    QList<QByteArray> writes{roleEvent(), keepAlive()};
    for (const auto& piece : pieces)
        writes.append(deltaEvent(piece));
    writes.append(finishEvent());
    writes.append(usageEvent());
    if (withDone)
        writes.append(doneEvent());
    return rawStream(writes, delayMs);
}

FakeResponse rawStream(const QList<QByteArray>& writes, int delayMs) {
    FakeResponse response;
    response.status = 200;
    response.header("Content-Type", "text/event-stream; charset=utf-8");
    response.header("Cache-Control", "no-cache");
    response.framing = FakeResponse::Framing::Chunked;
    for (const auto& bytes : writes)
        response.part(bytes, delayMs);
    return response;
}

} // namespace tolvane::testing::openai

#include "support/fake_translation_replies.h"

#include "support/fake_hosted_server.h"
#include "support/fake_openai_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>
#include <memory>

namespace tolvane::testing::fake_replies {

namespace {

FakeResponse badRequest(const QString& message) {
    const QJsonObject body{{"error", QJsonObject{{"message", message}}}};
    return FakeResponse::json(400, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

// The content of the last user message, if the request has one.
std::optional<QString> lastUserMessage(const QJsonObject& body) {
    const QJsonArray messages = body.value("messages").toArray();
    for (qsizetype index = messages.size() - 1; index >= 0; --index) {
        const QJsonObject message = messages.at(index).toObject();
        if (message.value("role").toString() == QLatin1String("user") && message.value("content").isString())
            return message.value("content").toString();
    }
    return std::nullopt;
}

QByteArray completionBody(const QString& content) {
    const QJsonObject body{
        {"id", "chatcmpl-fake"},
        {"object", "chat.completion"},
        {"model", "fake-model"},
        {"choices",
         QJsonArray{QJsonObject{{"index", 0},
                                {"message", QJsonObject{{"role", "assistant"}, {"content", content}}},
                                {"finish_reason", "stop"}}}}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

} // namespace

QString translationOf(const QString& sourceText) {
    return QStringLiteral("[fake] ") + sourceText;
}

QString sourceTextOfUserMessage(const QString& userMessage) {
    static const QString marker = QStringLiteral("Text:\n");
    const qsizetype at = userMessage.lastIndexOf(marker);
    if (at < 0 || (at > 0 && userMessage.at(at - 1) != QLatin1Char('\n')))
        return userMessage;
    return userMessage.mid(at + marker.size());
}

QStringList pieces(const QString& text, int count) {
    QList<qsizetype> boundaries;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        boundaries.append(at); // ends of the grapheme clusters, the last one being text.size()
    const qsizetype clusters = boundaries.size();
    const qsizetype pieceCount = std::min<qsizetype>(std::max(count, 1), clusters);
    QStringList result;
    qsizetype start = 0;
    for (qsizetype piece = 1; piece <= pieceCount; ++piece) {
        const qsizetype end = boundaries.at(piece * clusters / pieceCount - 1);
        result.append(text.mid(start, end - start));
        start = end;
    }
    return result;
}

FakeResponse chatCompletion(const CapturedRequest& request, int delayMs) {
    const QJsonObject body = request.jsonBody();
    const std::optional<QString> userMessage = lastUserMessage(body);
    if (!userMessage)
        return badRequest(QStringLiteral("The request has no user message."));
    const QString reply = translationOf(sourceTextOfUserMessage(*userMessage));
    if (!body.value("stream").toBool())
        return FakeResponse::json(200, completionBody(reply));
    return openai::stream(pieces(reply), delayMs);
}

FakeResponse hostedTranslation(const CapturedRequest& request, int delayMs, qsizetype doneLength) {
    const QJsonValue sourceText = request.jsonBody().value("source_text");
    if (!sourceText.isString())
        return badRequest(QStringLiteral("The request has no source_text."));
    const QString reply = translationOf(sourceText.toString());
    QList<QByteArray> writes;
    for (const QString& piece : pieces(reply)) {
        const QJsonObject delta{{"text", piece}};
        writes.append(FakeHostedService::event("delta", QJsonDocument(delta).toJson(QJsonDocument::Compact)));
    }
    const QString done =
        doneLength > 0 ? reply.repeated(doneLength / reply.size() + 1).left(doneLength) : reply;
    writes.append(FakeHostedService::event("done", FakeHostedService::answer(done)));
    return FakeHostedService::eventStream(writes, delayMs);
}

FakeResponse chatCompletionEnding(const CapturedRequest& request, ChatEnding ending) {
    if (ending == ChatEnding::webPage) {
        return FakeResponse::withBody(200, "text/html; charset=utf-8",
                                      "<!DOCTYPE html>\n<html><head><title>Welcome</title></head>\n"
                                      "<body><p>Our web site</p></body></html>\n");
    }
    const std::optional<QString> userMessage = lastUserMessage(request.jsonBody());
    if (!userMessage)
        return badRequest(QStringLiteral("The request has no user message."));
    const QStringList parts = pieces(translationOf(sourceTextOfUserMessage(*userMessage)));
    QList<QByteArray> writes{openai::roleEvent(), openai::deltaEvent(parts.first())};
    const bool broken = ending == ChatEnding::brokenByte || ending == ChatEnding::cutCharacter;
    if (broken) {
        // The invalid bytes stand where a control character the JSON writer escapes was put.
        const QString second = parts.value(1);
        const QByteArray bytes = ending == ChatEnding::brokenByte ? "\xFF" : QByteArray("\\u0000\xE4\xB8");
        writes.append(
            openai::deltaEvent(second.left(1) + QChar(1) + second.mid(1)).replace("\\u0001", bytes));
    }
    if (ending == ChatEnding::lengthLimit || ending == ChatEnding::stopWithoutDone || broken) {
        for (const QString& piece : parts.mid(broken ? 2 : 1))
            writes.append(openai::deltaEvent(piece));
        writes.append(openai::finishEvent(ending == ChatEnding::lengthLimit ? QStringLiteral("length")
                                                                            : QStringLiteral("stop")));
        if (ending != ChatEnding::stopWithoutDone)
            writes.append(openai::doneEvent());
    }
    FakeResponse response = openai::rawStream(writes, kPieceDelayMs);
    response.framing = FakeResponse::Framing::CloseDelimited;
    response.breakOff = ending == ChatEnding::reset;
    response.stallAfterParts = ending == ChatEnding::held;
    return response;
}

QString translationWithBrokenByte(const QString& sourceText) {
    const QStringList parts = pieces(translationOf(sourceText));
    const QString second = parts.value(1);
    return parts.first() + second.left(1) + QChar(0xFFFD) + second.mid(1) + parts.mid(2).join(QString());
}

QString translationWithCutCharacter(const QString& sourceText) {
    const QStringList parts = pieces(translationOf(sourceText));
    const QString second = parts.value(1);
    return parts.first() + second.left(1) + QChar(char16_t(0)) + QChar(QChar::ReplacementCharacter) +
           second.mid(1) + parts.mid(2).join(QString());
}

FakeResponse endlessStream(Endpoint endpoint, Endless kind, qint64 offeredBytes) {
    QByteArray opening = endpoint == Endpoint::hosted && kind != Endless::content ? "event: delta\n" : "";
    QByteArray filler;
    if (kind == Endless::content) {
        // About 64 KiB of short, valid pieces, as a fast model sends them.
        const QString piece = QStringLiteral("endless answer ");
        const QByteArray event =
            endpoint == Endpoint::hosted
                ? FakeHostedService::event(
                      "delta", QJsonDocument(QJsonObject{{"text", piece}}).toJson(QJsonDocument::Compact))
                : openai::deltaEvent(piece);
        filler = event.repeated(64 * 1024 / event.size());
    } else if (kind == Endless::lines) {
        filler = QByteArray("data: ").append(QByteArray(4089, 'x')).append('\n').repeated(64);
    } else {
        opening.append("data: ");
        filler = QByteArray(256 * 1024, 'x');
    }
    FakeResponse response = FakeHostedService::eventStream({opening});
    auto sent = std::make_shared<qint64>(opening.size());
    response.source = [sent, filler, offeredBytes]() -> QByteArray {
        if (*sent >= offeredBytes)
            return {};
        *sent += filler.size();
        return filler;
    };
    return response;
}

} // namespace tolvane::testing::fake_replies

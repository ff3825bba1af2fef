#include "support/fake_hosted_server.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane::testing {

FakeHostedService::FakeHostedService() {
    server.setHandler([this](const CapturedRequest& request) { return answerFor(request); });
}

QByteArray FakeHostedService::event(const QByteArray& name, const QByteArray& data) {
    return "event: " + name + "\ndata: " + data + "\n\n";
}

QByteArray FakeHostedService::answer(const QString& text) {
    const QJsonObject object{{"translated_text", text}, {"quota_limit", 10000}, {"quota_used", 42},
                             {"quota_remaining", 9958}, {"provider", "fake"},   {"model", "fake-model"},
                             {"quality", "standard"}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

FakeResponse FakeHostedService::eventStream(const QList<QByteArray>& writes, int delayMs,
                                            const QByteArray& contentType) {
    FakeResponse response;
    response.header("Content-Type", contentType);
    response.framing = FakeResponse::Framing::Chunked;
    for (const auto& bytes : writes)
        response.part(bytes, delayMs);
    return response;
}

FakeResponse FakeHostedService::registered(const QByteArray& token, const QByteArray& expiresAt) {
    const QJsonObject object{{"device_token", QString::fromUtf8(token)},
                             {"expires_at", QString::fromUtf8(expiresAt)}};
    return FakeResponse::json(200, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QList<CapturedRequest> FakeHostedService::requestsTo(const QByteArray& path) const {
    QList<CapturedRequest> matching;
    for (const auto& request : server.requests())
        if (request.target == path)
            matching.append(request);
    return matching;
}

FakeResponse FakeHostedService::answerFor(const CapturedRequest& request) {
    auto next = [](std::deque<FakeResponse>& queue) {
        FakeResponse response = std::move(queue.front());
        queue.pop_front();
        return response;
    };
    if (request.target == "/v1/device/register") {
        ++m_registrationCount;
        if (!m_registrations.empty())
            return next(m_registrations);
        return registered("token-" + QByteArray::number(m_registrationCount), "2099-01-01T00:00:00Z");
    }
    if (request.target == "/v1/translate") {
        if (!m_translations.empty())
            return next(m_translations);
        if (m_translationHandler)
            return m_translationHandler(request);
        return eventStream(
            {event("delta", R"({"text":"Hello"})"), event("done", answer(QStringLiteral("Hello")))});
    }
    return FakeResponse::withBody(404, "application/json", R"({"error":"not_found"})");
}

} // namespace tolvane::testing

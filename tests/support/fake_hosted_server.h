#pragma once

#include "support/fake_http_server.h"

#include <deque>

namespace tolvane::testing {

// The hosted translation service on 127.0.0.1: POST v1/device/register and POST v1/translate, each
// answered from its own queue. Without a scripted answer, registration succeeds with "token-<n>" (valid
// until 2099) and translate streams one delta and a done event. Run the application against it with
// TOLVANE_HOSTED_BASE_URL=<baseURL()>.
class FakeHostedService {
public:
    FakeHostedService();

    QUrl baseURL() const { return server.url(QStringLiteral("/")); }

    void enqueueRegistration(FakeResponse response) { m_registrations.push_back(std::move(response)); }
    void enqueueTranslation(FakeResponse response) { m_translations.push_back(std::move(response)); }
    // Answers translate requests when no scripted answer is queued, instead of the fixed "Hello" stream.
    void setTranslationHandler(FakeHttpServer::Handler handler) { m_translationHandler = std::move(handler); }

    QList<CapturedRequest> registrationRequests() const { return requestsTo("/v1/device/register"); }
    QList<CapturedRequest> translateRequests() const { return requestsTo("/v1/translate"); }

    // "event: <name>\ndata: <data>\n\n"
    static QByteArray event(const QByteArray& name, const QByteArray& data);
    // A translate answer object with quota figures.
    static QByteArray answer(const QString& text);
    // A 200 event stream made of these writes.
    static FakeResponse eventStream(const QList<QByteArray>& writes, int delayMs = 0,
                                    const QByteArray& contentType = "text/event-stream; charset=utf-8");
    static FakeResponse registered(const QByteArray& token, const QByteArray& expiresAt);

    FakeHttpServer server;

private:
    QList<CapturedRequest> requestsTo(const QByteArray& path) const;
    FakeResponse answerFor(const CapturedRequest& request);

    std::deque<FakeResponse> m_registrations;
    std::deque<FakeResponse> m_translations;
    FakeHttpServer::Handler m_translationHandler;
    int m_registrationCount = 0;
};

} // namespace tolvane::testing

#include "providers/hosted_device_credential_service.h"

#include "core/uuid_text.h"
#include "model/keychain_error.h"
#include "providers/hosted_fixture.h"
#include "providers/json_reader.h"
#include "providers/provider_errors.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::errorAs;
using testing::FakeHostedService;
using testing::FakeResponse;
using testing::runToEnd;

QCoro::Task<> fetchInto(HostedDeviceCredentialService service, bool force,
                        std::optional<HostedDeviceCredential>* out) {
    *out = co_await service.fetchDeviceCredential(force);
}

class HostedCredentialTest : public ::testing::Test, protected testing::HostedFixture {
protected:
    HostedDeviceCredentialService credentialService() {
        return HostedDeviceCredentialService({service.baseURL(), &store, manager.get(), &clock});
    }
    std::pair<std::optional<HostedDeviceCredential>, std::exception_ptr> fetch(bool force = false) {
        std::optional<HostedDeviceCredential> credential;
        auto failure = runToEnd(fetchInto(credentialService(), force, &credential));
        return {credential, failure};
    }
};

TEST_F(HostedCredentialTest, FirstUseStoresTheIdThenRegistersOnce) {
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    auto [credential, failure] = fetch();
    QCoreApplication::setApplicationVersion(QString());
    ASSERT_FALSE(failure) << describeError(failure).toStdString();
    ASSERT_EQ(secrets.writes.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(secrets.writes[0]).object();
    EXPECT_EQ(first.keys(), QStringList{"installationID"});
    const QString id = first.value("installationID").toString();
    EXPECT_TRUE(uuid::parseStrict(id));
    EXPECT_EQ(id, id.toLower());

    ASSERT_EQ(service.registrationRequests().size(), 1);
    const auto request = service.registrationRequests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_FALSE(request.hasHeader("Accept"));
    EXPECT_EQ(request.jsonBody(),
              (QJsonObject{{"installation_id", id}, {"platform", "linux"}, {"app_version", "1.2.3"}}));
    EXPECT_EQ(credential->deviceToken, "token-1");
    EXPECT_EQ(storedCredential()->value("deviceToken").toString(), "token-1");
    EXPECT_EQ(storedCredential()->value("expiresAt").toDouble(),
              QDateTime(QDate(2099, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch() - 978307200.0);

    // Without an application version the member is left out.
    fetch(true);
    EXPECT_FALSE(service.registrationRequests().last().jsonBody().contains("app_version"));
}

TEST_F(HostedCredentialTest, ReusesATokenOnlyWithMoreThanADayLeft) {
    storeRegistered("id-1", "old", 86400);
    auto [renewed, failure] = fetch();
    ASSERT_FALSE(failure);
    EXPECT_EQ(renewed->deviceToken, "token-1") << "exactly one day left is not enough";
    EXPECT_EQ(renewed->installationID, "id-1");

    storeRegistered("id-1", "kept", 86401);
    EXPECT_EQ(fetch().first->deviceToken, "kept");
    EXPECT_EQ(service.registrationRequests().size(), 1);

    storeRegistered("id-1", "", 365 * 86400);
    EXPECT_EQ(fetch().first->deviceToken, "token-2") << "an empty token registers again";

    storeRegistered("id-1", "valid-for-a-year", 365 * 86400);
    auto [forced, forcedFailure] = fetch(true);
    ASSERT_FALSE(forcedFailure);
    EXPECT_EQ(forced->deviceToken, "token-3");
    EXPECT_EQ(forced->installationID, "id-1");
    EXPECT_EQ(service.registrationRequests().last().jsonBody().value("installation_id").toString(), "id-1");

    // The virtual clock decides: a day later the kept token is due again.
    storeRegistered("id-1", "kept", 86401);
    clock.setNow(clock.now().addSecs(2));
    EXPECT_EQ(fetch().first->deviceToken, "token-4");
}

TEST_F(HostedCredentialTest, RefusedRegistrationsGiveTheServersWordsOrTheStatus) {
    const struct {
        int status;
        QByteArray body;
        QString message;
    } cases[] = {
        {403, R"({"message":"blocked","error":"e"})", "blocked"},
        {403, R"({"error":"device_banned"})", "device_banned"},
        {403, R"({"detail":"x"})", QString::fromUtf8("无法注册免费云端翻译设备，HTTP 403。")},
        {403, "", QString::fromUtf8("无法注册免费云端翻译设备，HTTP 403。")},
        {403, R"({"message":"  "})", QString::fromUtf8("无法注册免费云端翻译设备，HTTP 403。")},
        {503, "Service Unavailable", "Service Unavailable"},
        {500, "\xFF\xFE", QString::fromUtf8("无法注册免费云端翻译设备，HTTP 500。")},
    };
    for (const auto& c : cases) {
        service.enqueueRegistration(FakeResponse::withBody(c.status, "application/json", c.body));
        auto [credential, failure] = fetch();
        auto error = errorAs<AIProviderError>(failure);
        ASSERT_TRUE(error) << describeError(failure).toStdString();
        EXPECT_EQ(error->description(), c.message);
    }
    // The identified credential stays; no token was stored.
    EXPECT_EQ(storedCredential()->keys(), QStringList{"installationID"});
}

TEST_F(HostedCredentialTest, UndecodableRegistrationAnswersStoreNothing) {
    storeRegistered("id-9", "old", 10);
    const auto before = storedCredential();
    for (QByteArray expires : {QByteArray(R"("2030-05-01T10:00:00.123Z")"), QByteArray("1893456000")}) {
        service.enqueueRegistration(
            FakeResponse::json(200, R"({"device_token":"new","expires_at":)" + expires + "}"));
        auto [credential, failure] = fetch();
        EXPECT_TRUE(errorAs<JsonDecodingError>(failure)) << describeError(failure).toStdString();
        EXPECT_EQ(storedCredential(), before);
    }
    EXPECT_TRUE(secrets.writes.isEmpty());
}

TEST_F(HostedCredentialTest, AnUnreadableStoredItemRecoversKeepingItsId) {
    // The device token inside has the wrong type, so the item does not decode.
    storeRaw(R"({"installationID":"kept-id","deviceToken":5})");
    auto [credential, failure] = fetch();
    ASSERT_FALSE(failure) << describeError(failure).toStdString();
    EXPECT_EQ(credential->installationID, "kept-id");
    EXPECT_EQ(QJsonDocument::fromJson(secrets.writes.first()).object(),
              (QJsonObject{{"installationID", "kept-id"}}));
    EXPECT_EQ(service.registrationRequests().last().jsonBody().value("installation_id").toString(),
              "kept-id");

    // Without a readable id a new one is made; the item is usable again afterwards.
    storeRaw("\x01 not json");
    auto [fresh, freshFailure] = fetch();
    ASSERT_FALSE(freshFailure);
    EXPECT_TRUE(uuid::parseStrict(fresh->installationID));
    EXPECT_EQ(HostedDeviceCredential::decode(store.readData(KeychainStore::hostedDeviceAccount).value()),
              *fresh);

    // A failing secret store still ends the fetch with its error.
    secrets.inner.setFailure(MemorySecretBackend::Operation::lookup, SecretBackendError(-1, "locked", true));
    EXPECT_TRUE(errorAs<KeychainError>(fetch().second));
}

TEST_F(HostedCredentialTest, TheGuiThreadKeepsTurningWhileTheKeyringIsSlow) {
    // The keyring answers only when the test says so, as while its unlock prompt is open.
    QSemaphore answer;
    std::atomic<bool> asked{false};
    std::atomic<bool> askedOnGuiThread{false};
    secrets.beforeLookup = [&] {
        askedOnGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        asked = true;
        answer.tryAcquire(1, 20000);
    };
    std::optional<HostedDeviceCredential> credential;
    auto fetching = fetchInto(credentialService(), false, &credential);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.load(); }, 10000));
    int turns = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++turns; });
    ticker.start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return turns >= 5; }, 10000));
    EXPECT_FALSE(askedOnGuiThread);
    EXPECT_FALSE(credential.has_value());

    answer.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return credential.has_value(); }, 10000));
    EXPECT_EQ(credential->deviceToken, "token-1");
}

TEST_F(HostedCredentialTest, ConcurrentFetchesShareOneRegistration) {
    FakeResponse slow = FakeHostedService::registered("shared", "2099-01-01T00:00:00Z");
    slow.parts.first().delayMs = 100;
    service.enqueueRegistration(slow);
    std::optional<HostedDeviceCredential> a, b, forced;
    auto first = fetchInto(credentialService(), false, &a);
    auto second = fetchInto(credentialService(), false, &b);
    // A forced refresh waits for the plain fetch, then registers on its own.
    auto third = fetchInto(credentialService(), true, &forced);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a && b && forced; }, 10000));
    EXPECT_EQ(a->deviceToken, "shared");
    EXPECT_EQ(b->deviceToken, "shared");
    EXPECT_EQ(a->installationID, b->installationID);
    EXPECT_EQ(forced->installationID, a->installationID);
    EXPECT_NE(forced->deviceToken, "shared");
    ASSERT_EQ(service.registrationRequests().size(), 2);
    EXPECT_EQ(service.registrationRequests()[0].jsonBody().value("installation_id"),
              service.registrationRequests()[1].jsonBody().value("installation_id"));

    // A waiter that gives up does not stop the registration the others wait for.
    service.enqueueRegistration(slow);
    CancellationSource impatient;
    std::optional<HostedDeviceCredential> patient;
    auto cancelled = runToEnd([](HostedDeviceCredentialService s, CancellationToken t) -> QCoro::Task<> {
        co_await s.fetchDeviceCredential(true, t);
    }(credentialService(), [&] {
                                  QTimer::singleShot(20, [&] { impatient.cancel(); });
                                  return impatient.token();
                              }()));
    EXPECT_TRUE(errorAs<CancelledError>(cancelled));
    auto waiting = fetchInto(credentialService(), true, &patient);
    ASSERT_TRUE(QTest::qWaitFor([&] { return patient.has_value(); }, 10000));
    EXPECT_EQ(patient->deviceToken, "shared");
    EXPECT_EQ(service.registrationRequests().size(), 3);
}

TEST_F(HostedCredentialTest, AFetchWhoseStoreIsGoneFailsAndTheNextStoreAtItsAddressFetchesAnew) {
    // A fetch starts on the next turn of the event loop; here its store is destroyed before that turn.
    auto doomed = std::make_unique<KeychainStore>(secrets);
    auto orphan = HostedDeviceCredentialService({service.baseURL(), doomed.get(), manager.get(), &clock})
                      .fetchDeviceCredential(false);
    doomed.reset();
    EXPECT_TRUE(errorAs<CancelledError>(runToEnd(std::move(orphan))));
    EXPECT_TRUE(secrets.writes.isEmpty());

    // A store made where a destroyed one was does not wait on the dead store's fetch.
    std::optional<KeychainStore> slot(std::in_place, secrets);
    auto first = HostedDeviceCredentialService({service.baseURL(), &*slot, manager.get(), &clock})
                     .fetchDeviceCredential(false);
    slot.emplace(secrets);
    std::optional<HostedDeviceCredential> second;
    auto waiting = fetchInto(
        HostedDeviceCredentialService({service.baseURL(), &*slot, manager.get(), &clock}), false, &second);
    EXPECT_TRUE(errorAs<CancelledError>(runToEnd(std::move(first))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.has_value(); }, 10000));
    EXPECT_EQ(second->deviceToken, "token-1");
    EXPECT_EQ(service.registrationRequests().size(), 1);
}

} // namespace
} // namespace tolvane

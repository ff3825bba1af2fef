#include "core/uuid_text.h"
#include "model/keychain_store.h"
#include "platform/secret/libsecret_backend.h"

#include <QProcess>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tolvane {
namespace {

// Against the Secret Service of the test session. Each test uses its own service name and removes its items.
class KeyringTest : public ::testing::Test {
protected:
    void TearDown() override {
        store.deleteAPIKey();
        store.deleteItem(KeychainStore::hostedDeviceAccount);
    }

    static QByteArray secretToolLookup(const QString& service, const QString& account) {
        QProcess tool;
        tool.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("service"),
                                                   service, QStringLiteral("account"), account});
        tool.waitForFinished(10000);
        return tool.readAllStandardOutput();
    }

    LibsecretBackend backend;
    KeychainStore store{backend, QStringLiteral("TolvaneKeyringTest-") + uuid::newLower()};
};

TEST_F(KeyringTest, SaveReplaceReadAndDelete) {
    EXPECT_EQ(store.readAPIKey(), std::nullopt);
    EXPECT_FALSE(store.hasAPIKey());

    store.saveAPIKey(QStringLiteral("sk-first"));
    store.saveAPIKey(QStringLiteral("sk-密钥-second"));
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("sk-密钥-second"));
    EXPECT_TRUE(store.hasAPIKey());
    // The item is an ordinary generic secret that other tools find by service and account.
    EXPECT_EQ(secretToolLookup(store.service(), KeychainStore::apiKeyAccount),
              QStringLiteral("sk-密钥-second").toUtf8());

    store.deleteAPIKey();
    EXPECT_NO_THROW(store.deleteAPIKey());
    EXPECT_FALSE(store.hasAPIKey());
    EXPECT_EQ(store.readAPIKey(), std::nullopt);
}

TEST_F(KeyringTest, EmptyInvalidAndBinarySecretsAreKeptAsStored) {
    store.saveAPIKey(QString());
    EXPECT_EQ(store.readAPIKey(), QString());
    EXPECT_TRUE(store.hasAPIKey());
    store.saveData(QByteArray("sk-\xFF\xFE"), KeychainStore::apiKeyAccount);
    EXPECT_EQ(store.readAPIKey(), std::nullopt);
    EXPECT_TRUE(store.hasAPIKey());

    const QByteArray credential("{\"id\":\"d\"}\x00\x01\x02", 13);
    store.saveData(credential, KeychainStore::hostedDeviceAccount);
    EXPECT_EQ(store.readData(KeychainStore::hostedDeviceAccount), credential);
}

TEST_F(KeyringTest, ConcurrentSaveAndReadFromTwoThreads) {
    store.saveAPIKey(QStringLiteral("key-0"));
    constexpr int rounds = 40;
    std::atomic<int> bad{0};
    std::thread writer([&] {
        for (int i = 1; i <= rounds; ++i)
            store.saveAPIKey(QStringLiteral("key-%1").arg(i));
    });
    std::thread reader([&] {
        for (int i = 0; i < rounds; ++i) {
            const auto key = store.readAPIKey();
            if (!key || !key->startsWith(QStringLiteral("key-")))
                bad.fetch_add(1);
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(bad.load(), 0) << "a reader never sees the key missing or torn while it is replaced";
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("key-%1").arg(rounds));
}

} // namespace
} // namespace tolvane

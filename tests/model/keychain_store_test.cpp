#include "keychain_operations.h"
#include "model/keychain_error.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_secret_backend.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tolvane {
namespace {

using Op = MemorySecretBackend::Operation;

TEST(KeychainStore, SaveReplacesReadDeleteAndKeepsAccountsAndServicesApart) {
    MemorySecretBackend backend;
    KeychainStore store(backend);
    KeychainStore other(backend, QStringLiteral("TolvaneTestHost"));
    EXPECT_EQ(store.readAPIKey(), std::nullopt) << "no key before any save, and no error";
    EXPECT_FALSE(store.hasAPIKey());

    store.saveAPIKey(QStringLiteral("sk-first"));
    store.saveAPIKey(QStringLiteral("sk-second"));
    store.saveData(QByteArray("\x00\x01credential", 12), KeychainStore::hostedDeviceAccount);
    EXPECT_EQ(backend.itemCount(), 2);
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("sk-second"));
    EXPECT_TRUE(store.hasAPIKey());
    EXPECT_FALSE(other.hasAPIKey());
    EXPECT_EQ(store.readData(KeychainStore::hostedDeviceAccount), QByteArray("\x00\x01credential", 12));

    store.deleteAPIKey();
    EXPECT_NO_THROW(store.deleteAPIKey()) << "deleting a missing item succeeds";
    EXPECT_FALSE(store.hasAPIKey());
    EXPECT_EQ(store.readAPIKey(), std::nullopt);
    EXPECT_TRUE(store.readData(KeychainStore::hostedDeviceAccount)) << "accounts are separate items";
    store.deleteItem(KeychainStore::hostedDeviceAccount);
    EXPECT_EQ(store.readData(KeychainStore::hostedDeviceAccount), std::nullopt);
}

TEST(KeychainStore, KeyTextIsStoredUnchangedAndDecodedStrictly) {
    MemorySecretBackend backend;
    KeychainStore store(backend);
    store.saveAPIKey(QString());
    EXPECT_EQ(store.readAPIKey(), QString()) << "an empty key is an item, not a missing one";
    EXPECT_TRUE(store.hasAPIKey());

    store.saveAPIKey(QStringLiteral("  sk-密钥 🔑 \n"));
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("  sk-密钥 🔑 \n"));

    const QByteArray bom("\xEF\xBB\xBFsk");
    store.saveData(bom, KeychainStore::apiKeyAccount);
    EXPECT_EQ(store.readAPIKey(), QString(QChar(0xFEFF)) + QStringLiteral("sk")) << "a leading BOM is kept";

    for (const QByteArray& invalid :
         {QByteArray("sk-\xFF\xFE"), QByteArray("sk-\xC3"), QByteArray("\xED\xA0\x80")}) {
        store.saveData(invalid, KeychainStore::apiKeyAccount);
        EXPECT_EQ(store.readAPIKey(), std::nullopt) << invalid.toHex().constData();
        EXPECT_TRUE(store.hasAPIKey());
    }
}

TEST(KeychainStore, FailedSaveKeepsTheOldSecret) {
    MemorySecretBackend backend;
    KeychainStore store(backend);
    store.saveAPIKey(QStringLiteral("sk-old"));
    backend.setFailure(Op::store, SecretBackendError(7, QStringLiteral("disk full")));
    try {
        store.saveAPIKey(QStringLiteral("sk-new"));
        FAIL() << "a failed save must throw";
    } catch (const KeychainError& error) {
        EXPECT_EQ(error.status(), 7);
        EXPECT_EQ(error.description(), QStringLiteral("Keychain returned status 7."));
    }
    backend.setFailure(Op::store, std::nullopt);
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("sk-old"));
}

TEST(KeychainStore, BackendFailuresSurfaceAsKeychainErrorsNeverAsNoKey) {
    MemorySecretBackend backend;
    KeychainStore store(backend);
    store.saveAPIKey(QStringLiteral("sk"));
    const SecretBackendError unavailable(0, QStringLiteral("Cannot autolaunch D-Bus"), true);
    for (Op op : {Op::store, Op::lookup, Op::exists, Op::clear})
        backend.setFailure(op, unavailable);

    for (const auto& [name, operation] : testing::keychainOperations(store)) {
        try {
            operation();
            ADD_FAILURE() << name << " did not throw";
        } catch (const KeychainError& error) {
            EXPECT_EQ(error.status(), -1) << "a zero code is never shown as status 0";
            EXPECT_TRUE(error.description().startsWith(QStringLiteral("Keychain returned status -1. ")));
            EXPECT_TRUE(error.description().contains(QStringLiteral("GNOME Keyring or KWallet")));
        }
    }
}

// Counts backend calls in flight, to prove the store never lets two overlap.
class OverlapCheckingBackend final : public SecretBackend {
public:
    void store(const QString& s, const QString& a, const QByteArray& v, const QString& l) override {
        Enter e(this);
        inner.store(s, a, v, l);
    }
    std::optional<QByteArray> lookup(const QString& s, const QString& a) override {
        Enter e(this);
        return inner.lookup(s, a);
    }
    bool exists(const QString& s, const QString& a) override {
        Enter e(this);
        return inner.exists(s, a);
    }
    void clear(const QString& s, const QString& a) override {
        Enter e(this);
        inner.clear(s, a);
    }

    MemorySecretBackend inner;
    std::atomic<int> inFlight{0};
    std::atomic<int> overlaps{0};

private:
    struct Enter {
        explicit Enter(OverlapCheckingBackend* b) : backend(b) {
            if (backend->inFlight.fetch_add(1) != 0)
                backend->overlaps.fetch_add(1);
            std::this_thread::yield();
        }
        ~Enter() { backend->inFlight.fetch_sub(1); }
        OverlapCheckingBackend* backend;
    };
};

TEST(KeychainStore, ConcurrentSaveAndReadNeitherDeadlockNorOverlapNorTear) {
    OverlapCheckingBackend backend;
    KeychainStore store(backend);
    store.saveAPIKey(QStringLiteral("key-0"));
    store.saveData("cred-0", KeychainStore::hostedDeviceAccount);

    constexpr int rounds = 3000;
    std::atomic<int> missing{0};
    std::atomic<int> torn{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; i < rounds; ++i)
            store.saveAPIKey(QStringLiteral("key-%1").arg(i));
    });
    threads.emplace_back([&] {
        for (int i = 0; i < rounds; ++i) {
            const auto key = store.readAPIKey();
            if (!key)
                missing.fetch_add(1);
            else if (!key->startsWith(QStringLiteral("key-")))
                torn.fetch_add(1);
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < rounds; ++i)
            store.saveData(QByteArray("cred-") + QByteArray::number(i), KeychainStore::hostedDeviceAccount);
    });
    threads.emplace_back([&] {
        for (int i = 0; i < rounds; ++i) {
            const auto data = store.readData(KeychainStore::hostedDeviceAccount);
            if (!data)
                missing.fetch_add(1);
            else if (!data->startsWith("cred-"))
                torn.fetch_add(1);
            if (!store.hasAPIKey())
                missing.fetch_add(1);
        }
    });
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(backend.overlaps.load(), 0);
    EXPECT_EQ(store.readAPIKey(), QStringLiteral("key-%1").arg(rounds - 1));
}

} // namespace
} // namespace tolvane

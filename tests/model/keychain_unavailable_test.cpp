#include "keychain_operations.h"
#include "model/keychain_error.h"
#include "model/keychain_store.h"
#include "platform/secret/libsecret_backend.h"
#include "platform/secret/secret_backend_loader.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

// With no session bus the real backend must fail every call with words the user can act on; it must never
// report "no key" (which would send the user to type a new one) or fall back to storing plain text. The same
// holds for it as the application gets it, from the module loaded on the first call: its failures reach the
// caller as they are.
TEST(KeychainWithoutSecretService, EveryOperationThrowsAndNoneSaysNoKey) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    qunsetenv("DISPLAY");
    LibsecretBackend direct;
    const std::unique_ptr<SecretBackend> loaded = loadedSecretBackend();
    for (SecretBackend* backend : {static_cast<SecretBackend*>(&direct), loaded.get()}) {
        KeychainStore store(*backend, QStringLiteral("TolvaneUnavailableTest"));
        for (const auto& [name, operation] : testing::keychainOperations(store)) {
            try {
                operation();
                ADD_FAILURE() << name << " did not throw";
            } catch (const KeychainError& error) {
                EXPECT_NE(error.status(), 0) << name;
                EXPECT_TRUE(error.serviceUnavailable()) << name;
                EXPECT_TRUE(error.description().contains(QStringLiteral("install GNOME Keyring or KWallet")))
                    << name;
            }
        }
    }
}

} // namespace
} // namespace tolvane

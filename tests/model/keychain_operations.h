#pragma once

#include "model/keychain_store.h"

#include <functional>
#include <utility>
#include <vector>

namespace tolvane::testing {

// Every public keychain operation, named, for tests that expect each one to fail the same way.
inline std::vector<std::pair<const char*, std::function<void()>>> keychainOperations(KeychainStore& store) {
    return {
        {"save", [&store] { store.saveAPIKey(QStringLiteral("sk")); }},
        {"read", [&store] { (void)store.readAPIKey(); }},
        {"has", [&store] { (void)store.hasAPIKey(); }},
        {"delete", [&store] { store.deleteAPIKey(); }},
        {"deleteItem", [&store] { store.deleteItem(KeychainStore::hostedDeviceAccount); }},
        {"saveData", [&store] { store.saveData("x", KeychainStore::hostedDeviceAccount); }},
        {"readData", [&store] { (void)store.readData(KeychainStore::hostedDeviceAccount); }},
    };
}

} // namespace tolvane::testing

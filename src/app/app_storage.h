#pragma once

#include "app/launch_environment.h"

#include <QString>
#include <memory>
#include <optional>

namespace tolvane {

class KeyValueStore;
class KeychainStore;
class SecretBackend;

// Where a test host keeps its isolated settings, secrets and database.
struct UnitTestArtifacts {
    QString defaultsSuiteName;
    QString directory;
};

// Chooses the storage of one run and owns it:
// - a normal run uses the user's settings file, the Secret Service and the history database in the user's
//   data folder;
// - a snapshot run keeps the settings and history at their XDG paths (which the harness points at fresh
//   folders) but never touches the Secret Service;
// - a test host keeps settings and secrets in memory and the database in a temporary folder of its own,
//   removed at the end. It never falls back to the user's real settings.
class AppStorage {
public:
    static inline const QString testSuitePrefix = QStringLiteral("com.tolvane.app.tests.");
    static inline const QString historyFileName = QStringLiteral("History.sqlite3");

    explicit AppStorage(const LaunchEnvironment& environment);
    // Removes the test-host folder if `removeTestHostStorage()` has not run yet.
    ~AppStorage();
    AppStorage(const AppStorage&) = delete;
    AppStorage& operator=(const AppStorage&) = delete;

    KeyValueStore& settingsStore() { return *m_settings; }
    KeychainStore& keychainStore() { return *m_keychain; }
    // The history database file; the store creates its folder.
    const QString& historyDatabasePath() const { return m_historyPath; }
    const std::optional<UnitTestArtifacts>& unitTestArtifacts() const { return m_artifacts; }

    // Deletes the test host's folder with everything in it. The caller closes the database first (an open
    // SQLite handle would recreate its journal). Idempotent; a failure is logged and otherwise ignored.
    void removeTestHostStorage();

private:
    std::unique_ptr<KeyValueStore> m_settings;
    std::unique_ptr<SecretBackend> m_secrets;
    std::unique_ptr<KeychainStore> m_keychain;
    QString m_historyPath;
    std::optional<UnitTestArtifacts> m_artifacts;
};

} // namespace tolvane

#include "app/app_storage.h"

#include "core/logging.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "platform/qsettings_key_value_store.h"
#include "platform/secret/libsecret_backend.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tolvane {

namespace {

QString userDataDirectory() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (directory.isEmpty())
        directory = QDir::home().filePath(QStringLiteral(".local/share/Tolvane"));
    return directory;
}

} // namespace

AppStorage::AppStorage(const LaunchEnvironment& environment) {
    if (environment.isTestHost()) {
        const QString suite = testSuitePrefix + QString::number(QCoreApplication::applicationPid());
        const QString directory = QDir(QDir::tempPath()).filePath(suite);
        QDir().mkpath(directory);
        m_artifacts = UnitTestArtifacts{suite, directory};
        m_settings = std::make_unique<MemoryKeyValueStore>();
        m_secrets = std::make_unique<MemorySecretBackend>();
        m_keychain = std::make_unique<KeychainStore>(*m_secrets, suite);
        m_historyPath = QDir(directory).filePath(historyFileName);
        qCInfo(lcAppDelegate).noquote()
            << "Test host: settings and secrets in memory, storage in" << directory;
        return;
    }

    m_settings = std::make_unique<QSettingsKeyValueStore>();
    if (environment.isSnapshotRun())
        m_secrets = std::make_unique<MemorySecretBackend>();
    else
        m_secrets = std::make_unique<LibsecretBackend>();
    m_keychain = std::make_unique<KeychainStore>(*m_secrets);
    const QString directory = userDataDirectory();
    QDir().mkpath(directory);
    m_historyPath = QDir(directory).filePath(historyFileName);
}

AppStorage::~AppStorage() {
    removeTestHostStorage();
}

void AppStorage::removeTestHostStorage() {
    if (!m_artifacts)
        return;
    const QString directory = m_artifacts->directory;
    m_artifacts.reset();
    if (!QDir(directory).removeRecursively())
        qCWarning(lcAppDelegate).noquote() << "Could not remove the test host's folder" << directory;
}

} // namespace tolvane

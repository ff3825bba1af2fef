#pragma once

// The coordinator wired as the application wires it: live AppSettings, the KeychainStore API key, a real
// HistoryStore file, the real providers over one network manager and fake HTTP services on 127.0.0.1.
// Selection, paste-back and clipboard are the in-memory stand-ins unless a test brings its own.

#include "model/app_settings.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "support/fake_hosted_server.h"
#include "support/fake_openai_server.h"
#include "support/virtual_clock.h"
#include "workflow/app_settings_translation_settings.h"
#include "workflow/history_store_recorder.h"
#include "workflow/keychain_api_key_source.h"
#include "workflow/network_translation_provider_factory.h"
#include "workflow/workflow_coordinator.h"
#include "workflow_fakes.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>

namespace tolvane::testing {

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        network.setProxy(QNetworkProxy::NoProxy);
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
        settings.setModel(QStringLiteral("test-model"));
        settings.setSourceLanguage(QStringLiteral("en"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        keychain.saveAPIKey(QStringLiteral("  sk-e2e  "));
    }
    ~EndToEndTest() override {
        coordinator.reset();
        drainEventLoop();
        // Closes the database before its folder goes.
        history.reset();
    }

    void makeCoordinator(ClipboardWriter& clipboardWriter) {
        coordinator = std::make_unique<WorkflowCoordinator>(
            WorkflowServices{translationSettings, apiKeys, selection, recorder, pasteBack, clipboardWriter,
                             providers, recognizer, clock});
    }
    void SetUp() override { makeCoordinator(clipboard); }

    WorkflowStatus::Kind kind() const { return coordinator->status().kind(); }
    bool waitForKind(WorkflowStatus::Kind wanted) {
        return QTest::qWaitFor([&] { return kind() == wanted; }, 10000);
    }
    // Lets every queued store job finish: the memory row is written in a second job after the history row.
    void settleStore() {
        for (int i = 0; i < 3; ++i) {
            drainEventLoop();
            QCoro::waitFor(history->fetchHistory(1));
        }
        drainEventLoop();
    }

    // Reads one integer (or text) from the database file through its own connection.
    QString query(const char* sql) const {
        sqlite3* db = nullptr;
        QString result;
        if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return result;
    }
    int count(const char* table) const {
        return query(QByteArray("SELECT COUNT(*) FROM ").append(table).constData()).toInt();
    }

    FakeHttpServer openai;
    FakeHostedService hosted;
    VirtualClock clock;
    QTemporaryDir folder;
    QString databasePath = folder.filePath(QStringLiteral("History.sqlite3"));
    std::unique_ptr<HistoryStore> history = std::make_unique<HistoryStore>(clock, databasePath);
    MemoryKeyValueStore defaults;
    AppSettings settings{defaults, clock};
    MemorySecretBackend secrets;
    KeychainStore keychain{secrets};
    QNetworkAccessManager network;

    AppSettingsTranslationSettings translationSettings{settings};
    KeychainApiKeySource apiKeys{keychain};
    HistoryStoreRecorder recorder{*history};
    NetworkTranslationProviderFactory providers{{&network, hosted.baseURL(), &keychain, &clock}};
    FakeSelection selection;
    FakePasteBack pasteBack;
    FakeClipboard clipboard;
    SilentRecognizer recognizer;
    std::unique_ptr<WorkflowCoordinator> coordinator;
};

} // namespace tolvane::testing

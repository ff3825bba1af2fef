#pragma once

#include "app/app_delegate.h"
#include "app/app_storage.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "scoped_environment.h"
#include "support/fake_http_server.h"
#include "support/fake_translation_replies.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tolvane::testing {

// The delegate as a normal run builds it (not a test host), on `desktop`. Point HOME at a folder of the
// test's own first, so no earlier run's settings or history answer.
inline std::unique_ptr<AppDelegate> makeDesktopDelegate(std::unique_ptr<DesktopServices> desktop,
                                                        AppFactories factories = {}) {
    LaunchEnvironment environment;
    environment.arguments = {QStringLiteral("tolvane")};
    environment.environment = QProcessEnvironment::systemEnvironment();
    environment.environment.remove(LaunchEnvironment::testHostVariable);
    return std::make_unique<AppDelegate>(environment, std::move(factories), std::move(desktop));
}

// Sets the delegate up to translate English into Simplified Chinese through the fake chat-completions
// service with `apiKey`, the guide already seen; the service answers every request nothing was queued for
// with "[fake] " and the text.
inline void useFakeChatService(AppDelegate& delegate, FakeHttpServer& openai, const QString& apiKey) {
    AppSettings& settings = delegate.settings();
    settings.defaults().setValue(AppDelegate::hasSeenGuideKey, true);
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
    settings.setModel(QStringLiteral("test-model"));
    settings.setSourceLanguage(QStringLiteral("en"));
    settings.setTargetLanguage(QStringLiteral("zh-Hans"));
    delegate.storage().keychainStore().saveAPIKey(apiKey);
    openai.setHandler(
        [](const CapturedRequest& request) { return fake_replies::chatCompletion(request, 0); });
}

// Starts the delegate as main() does and waits until its start-up has finished: the panel, tray, hot keys and
// capsule follow the first windows' first frame.
inline bool startUntilFinished(AppDelegate& delegate) {
    delegate.start();
    return QTest::qWaitFor([&] { return delegate.isStartupFinished(); }, 20000);
}

// Points HOME and the XDG configuration and data folders into `home`, for one test.
inline void useHome(ScopedEnvironment& environment, const QTemporaryDir& home) {
    environment.set("HOME", home.path().toUtf8());
    environment.set("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    environment.set("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
}

} // namespace tolvane::testing

// The settings window inside the real delegate on the test session: the API key goes to the session's
// Secret Service and nowhere else, the connection test reaches a fake OpenAI-compatible service on
// loopback, and the privacy page clears a real history database.
#include "app/app_delegate.h"
#include "app/app_storage.h"
#include "core/clock.h"
#include "model/app_settings.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/qsettings_key_value_store.h"
#include "settings/privacy_settings_page.h"
#include "settings/settings_blocks.h"
#include "settings/settings_view.h"
#include "settings/translation_settings_page.h"
#include "support/fake_http_server.h"
#include "support/task_outcome.h"

#include "../app/desktop_delegate.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tolvane::testing {
namespace {

const QString apiKey = QStringLiteral("sk-settings-window-7f3a9c");

QByteArray secretToolLookup() {
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("lookup"), QStringLiteral("service"), QStringLiteral("Tolvane"),
                QStringLiteral("account"), QStringLiteral("openai-compatible-api-key")});
    QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 15000);
    return tool.readAllStandardOutput();
}

int64_t rowCount(const QString& path, const char* table) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, QByteArray("SELECT COUNT(*) FROM ").append(table).constData(), -1, &statement,
                       nullptr);
    const int64_t count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

QPushButton* buttonWithText(QWidget* root, const QString& text) {
    for (QPushButton* button : root->findChildren<QPushButton*>())
        if (button->text() == text && button->isVisible())
            return button;
    return nullptr;
}

// Answers the window-modal confirmation box with the named button.
bool answerConfirmation(QWidget* window, const QString& button) {
    QMessageBox* box = nullptr;
    if (!QTest::qWaitFor([&] { return (box = window->findChild<QMessageBox*>()) && box->isVisible(); },
                         10000))
        return false;
    QPushButton* choice = buttonWithText(box, button);
    if (!choice)
        return false;
    choice->click();
    return QTest::qWaitFor([&] { return !window->findChild<QMessageBox*>(); }, 10000);
}

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        useHome(environment, home);
        delegate = makeDesktopDelegate(nullptr, AppFactories{.settingsContent = SettingsView::factory()});
        delegate->storage().keychainStore().deleteAPIKey();
    }
    void TearDown() override {
        if (delegate)
            delegate->storage().keychainStore().deleteAPIKey();
        delegate.reset();
    }

    SettingsView* open(SettingsPage page) {
        delegate->presentSettings();
        QWidget* window = delegate->hostedWindow(QStringLiteral("settings"));
        auto* view = window ? window->findChild<SettingsView*>() : nullptr;
        if (view)
            view->selectPage(page);
        return view;
    }
    bool waitForStatus(SettingsView* view, const QString& status) {
        return QTest::qWaitFor([&] { return view->statusMessage() == status; }, 40000);
    }

    QTemporaryDir home;
    ScopedEnvironment environment;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsWindow, KeyGoesOnlyToTheSecretServiceAndTheConnectionTestUsesIt) {
    FakeHttpServer openai;
    AppSettings& settings = delegate->settings();
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
    SettingsView* view = open(SettingsPage::translation);
    ASSERT_NE(view, nullptr);
    QWidget* window = view->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->size(), QSize(1200, 768));
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isKeychainBusy(); }, 40000));
    EXPECT_FALSE(buttonWithText(page, QStringLiteral("测试 AI 连接"))->isEnabled()) << "no key saved yet";

    QLineEdit* field = page->keyField();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("  ") + apiKey + QStringLiteral(" "));
    buttonWithText(page, QStringLiteral("保存密钥"))->click();
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("API 密钥已保存到系统钥匙串。")));
    EXPECT_EQ(secretToolLookup(), apiKey.toUtf8()) << "saved trimmed, under the service and account";
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("已保存；输入新密钥可覆盖"));
    auto* store = dynamic_cast<QSettingsKeyValueStore*>(&settings.defaults());
    ASSERT_NE(store, nullptr);
    QFile file(store->fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << store->fileName().toStdString();
    EXPECT_FALSE(file.readAll().contains(apiKey.toUtf8())) << "the key never reaches the settings file";

    // Success, then the endpoint's own error message, then an HTML page, shown as plain text.
    openai.enqueue(FakeResponse::json(200, R"({"choices":[{"message":{"content":"ok"}}]})"));
    openai.enqueue(FakeResponse::json(401, R"({"error":{"message":"bad key"}})"));
    openai.enqueue(FakeResponse::withBody(502, "text/html", "<html><b>Bad gateway</b></html>"));
    QPushButton* test = buttonWithText(page, QStringLiteral("测试 AI 连接"));
    test->click();
    EXPECT_FALSE(test->isEnabled()) << "one test at a time";
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("AI 翻译服务连接正常。")));
    ASSERT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(openai.requests()[0].header("Authorization"), "Bearer " + apiKey.toUtf8());
    test->click();
    EXPECT_TRUE(waitForStatus(view, QStringLiteral("AI 翻译服务测试失败：bad key")));
    test->click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->statusMessage().contains(QStringLiteral("Bad gateway")); }, 40000))
        << view->statusMessage().toStdString();
    QLabel* notice = nullptr;
    for (QLabel* label : view->findChildren<QLabel*>())
        if (label->text() == view->statusMessage())
            notice = label;
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->textFormat(), Qt::PlainText);

    // Deleting asks first: "取消" keeps the key, the destructive button removes it.
    buttonWithText(page, QStringLiteral("删除密钥"))->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("取消")));
    EXPECT_EQ(secretToolLookup(), apiKey.toUtf8());
    buttonWithText(page, QStringLiteral("删除密钥"))->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("删除密钥")));
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("API 密钥已删除。")));
    EXPECT_TRUE(secretToolLookup().isEmpty());

    // Hiding the window drops an unsaved key; page and status line stay.
    QTest::keyClicks(field, QStringLiteral("sk-unsaved"));
    window->hide();
    EXPECT_TRUE(field->text().isEmpty());
    delegate->presentSettings();
    EXPECT_EQ(view->currentPage(), SettingsPage::translation);
    EXPECT_EQ(view->statusMessage(), QStringLiteral("API 密钥已删除。"));
}

TEST_F(SettingsWindow, PrivacyClearEmptiesBothTablesOnlyAfterConfirmation) {
    const QString path = delegate->storage().historyDatabasePath();
    {
        HistoryStore seed(systemClock(), path);
        AIRequest request;
        request.sourceText = QStringLiteral("hello");
        request.targetLanguage = QStringLiteral("zh-Hans");
        await(seed.upsertHistoryEntry(QStringLiteral("h1"), request, QStringLiteral("你好"),
                                      QStringLiteral("openai-compatible"), QDateTime::currentDateTime()));
        await(seed.upsertMemoryEntry(request, QStringLiteral("你好"), QDateTime::currentDateTime()));
    }
    SettingsView* view = open(SettingsPage::privacy);
    ASSERT_NE(view, nullptr);
    QWidget* window = view->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto* page = static_cast<PrivacySettingsPage*>(view->page(SettingsPage::privacy));
    // The session is X11: all three granted, each saying why.
    for (PermissionKind kind :
         {PermissionKind::accessibility, PermissionKind::inputMonitoring, PermissionKind::screenRecording}) {
        EXPECT_TRUE(page->badge(kind)->isGranted());
        EXPECT_EQ(page->badge(kind)->toolTip(), QStringLiteral("X11 会话无需单独授权"));
        EXPECT_EQ(page->requestButton(kind)->text(), QStringLiteral("系统设置"));
    }
    QSignalSpy changed(delegate.get(), &AppDelegate::historyChanged);

    page->clearButton()->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("取消")));
    QTest::qWait(200);
    EXPECT_EQ(rowCount(path, "history"), 1);
    EXPECT_EQ(rowCount(path, "memory"), 1);
    EXPECT_EQ(changed.count(), 0);

    page->clearButton()->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("清空")));
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("本地翻译历史已清空。")));
    EXPECT_EQ(rowCount(path, "history"), 0);
    EXPECT_EQ(rowCount(path, "memory"), 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(page->clearButton()->isEnabled());
}

} // namespace
} // namespace tolvane::testing

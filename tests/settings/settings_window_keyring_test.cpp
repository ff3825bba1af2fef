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
#include "support/fake_openai_server.h"
#include "support/image_probes.h"
#include "support/in_sight.h"
#include "support/task_outcome.h"
#include "support/x11_tools.h"
#include "ui/theme.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_status.h"

#include "../app/desktop_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
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

// The label showing the status line, if one does.
QLabel* statusLabel(SettingsView* view) {
    for (QLabel* label : view->findChildren<QLabel*>())
        if (!view->statusMessage().isEmpty() && label->text() == view->statusMessage())
            return label;
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
    QLabel* notice = statusLabel(view);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->textFormat(), Qt::PlainText);

    // Deleting asks first: "取消" keeps the key, the destructive button removes it. Its label is red.
    QPushButton* remove = buttonWithText(page, QStringLiteral("删除密钥"));
    const QImage removeLook = remove->grab().toImage();
    EXPECT_LE(closestDistance(removeLook, removeLook.rect(), Theme::systemRed()), 24);
    buttonWithText(page, QStringLiteral("删除密钥"))->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("取消")));
    EXPECT_EQ(secretToolLookup(), apiKey.toUtf8());
    buttonWithText(page, QStringLiteral("删除密钥"))->click();
    ASSERT_TRUE(answerConfirmation(window, QStringLiteral("删除密钥")));
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("API 密钥已删除。")));
    EXPECT_TRUE(secretToolLookup().isEmpty());

    // Minimising through the window manager keeps an unsaved key; closing the window drops it. Page and
    // status line stay.
    QTest::keyClicks(field, QStringLiteral("sk-unsaved"));
    ASSERT_TRUE(xdotool({QStringLiteral("windowminimize"), QString::number(window->winId())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(field->text(), QStringLiteral("sk-unsaved")) << "a minimise is no close";
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(field->text(), QStringLiteral("sk-unsaved"));
    window->close();
    EXPECT_TRUE(field->text().isEmpty());
    delegate->presentSettings();
    EXPECT_EQ(view->currentPage(), SettingsPage::translation);
    EXPECT_EQ(view->statusMessage(), QStringLiteral("API 密钥已删除。"));
}

// A key that would break the request is refused on save, in words, with the typed text kept; one stored
// by another client is refused on use and never sent. A server's error inside a 200 stream is shown.
TEST_F(SettingsWindow, KeysThatWouldBreakTheHeaderAreRefusedAndStreamErrorsAreShown) {
    FakeHttpServer openai;
    AppSettings& settings = delegate->settings();
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
    settings.setModel(QStringLiteral("test-model"));
    SettingsView* view = open(SettingsPage::translation);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isKeychainBusy(); }, 40000));
    QLineEdit* field = page->keyField();
    // Where a user pasting a key has the page: the field in sight, far down the page.
    auto* scroll = view->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    field->setFocus();
    scroll->ensureWidgetVisible(field);
    ASSERT_TRUE(wholeInSight(field));

    const QString controlRefusal =
        QStringLiteral("API 密钥中间含有换行、制表符或其他控制字符，未保存。请只粘贴密钥本身。");
    const std::vector<std::pair<QString, QString>> refused{
        {QStringLiteral("k\nX-Evil: 1"), controlRefusal},
        {QStringLiteral("sk-a\tb"), controlRefusal},
        {QStringLiteral("sk-a\u2028b"), controlRefusal},
        {QString(4097, QLatin1Char('k')),
         QStringLiteral("API 密钥超过 4096 字节，未保存。请确认粘贴的只是密钥本身。")},
        {QString(100000, QLatin1Char('k')),
         QStringLiteral("API 密钥超过 4096 字节，未保存。请确认粘贴的只是密钥本身。")},
    };
    for (const auto& [key, message] : refused) {
        // Pasted, as a key is: typing would stop at the line break.
        field->clear();
        field->insert(key);
        buttonWithText(page, QStringLiteral("保存密钥"))->click();
        ASSERT_TRUE(waitForStatus(view, message)) << view->statusMessage().toStdString();
        // The words are in sight, whole, and so is the field they are about.
        QLabel* notice = statusLabel(view);
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(wholeInSight(notice) && showsAllText(notice)) << notice->mapTo(view, QPoint()).y();
        EXPECT_TRUE(wholeInSight(field));
        EXPECT_FALSE(field->text().isEmpty()) << "the typed text is kept";
        EXPECT_TRUE(secretToolLookup().isEmpty());
    }
    field->clear();
    field->insert(QString(4096, QLatin1Char('k')));
    buttonWithText(page, QStringLiteral("保存密钥"))->click();
    ASSERT_TRUE(waitForStatus(view, QStringLiteral("API 密钥已保存到系统钥匙串。")));
    EXPECT_EQ(secretToolLookup().size(), 4096);

    // Stored by another client with a line break: the translation and the connection test name the key,
    // and nothing reaches the server.
    delegate->storage().keychainStore().saveAPIKey(QStringLiteral("k\nX-Evil: 1"));
    WorkflowCoordinator& workflow = delegate->workflow();
    workflow.translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return workflow.status().kind() == WorkflowStatus::Kind::failed; }, 40000));
    EXPECT_TRUE(workflow.status().message().contains(QStringLiteral("API 密钥含有换行")))
        << workflow.status().message().toStdString();
    buttonWithText(page, QStringLiteral("测试 AI 连接"))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view->statusMessage().contains(QStringLiteral("API 密钥含有换行")); }, 40000))
        << view->statusMessage().toStdString();
    EXPECT_TRUE(openai.requests().isEmpty());

    // A 200 stream whose only line is an error object: the user reads the server's words.
    delegate->storage().keychainStore().saveAPIKey(apiKey);
    openai.enqueue(
        openai::rawStream({openai::errorEvent(QStringLiteral("Incorrect API key provided: sk-***"))}));
    workflow.translateText(QStringLiteral("Hello again"), false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return workflow.status().message() == QStringLiteral("Incorrect API key provided: sk-***"); },
        40000))
        << workflow.status().message().toStdString();
    EXPECT_EQ(openai.requests().size(), 1);
}

// A stored engine this version cannot read: the page shows that none is chosen, and picking any engine,
// the hosted one the page used to show included, stores it.
TEST_F(SettingsWindow, AnUnreadableEngineIsFixedByPickingOneOnThePage) {
    delegate->settings().defaults().setValue(QStringLiteral("provider.translationEngine"),
                                             QStringLiteral("42"));
    delegate.reset();
    delegate = makeDesktopDelegate(nullptr, AppFactories{.settingsContent = SettingsView::factory()});
    ASSERT_FALSE(delegate->settings().chosenTranslationEngine().has_value());
    SettingsView* view = open(SettingsPage::translation);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    QComboBox* engine = nullptr;
    for (QComboBox* picker : view->findChildren<QComboBox*>())
        if (picker->accessibleName() == QStringLiteral("翻译引擎"))
            engine = picker;
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->currentIndex(), -1) << "no engine is chosen yet";
    EXPECT_EQ(engine->currentText(), QString());

    // The user opens the list and picks 托管云端 with the keyboard.
    engine->setFocus();
    engine->showPopup();
    QAbstractItemView* list = engine->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 10000));
    list->setCurrentIndex(list->model()->index(engine->findData(QStringLiteral("cloudStandard")), 0));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return delegate->settings().chosenTranslationEngine().has_value(); }, 10000));
    EXPECT_EQ(delegate->settings().chosenTranslationEngine(), TranslationEngine::cloudStandard);
    EXPECT_EQ(delegate->settings().defaults().value(QStringLiteral("provider.translationEngine")).toString(),
              QStringLiteral("cloudStandard"));
    EXPECT_EQ(engine->currentText(), QStringLiteral("托管云端"));
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

    // While a clear runs, the button's ring turns.
    page->setClearing(true);
    QWidget* ring = page->findChild<QWidget*>(QStringLiteral("clearBusyIndicator"));
    ASSERT_NE(ring, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ring->isVisible(); }, 5000));
    const QImage first = ring->grab().toImage();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ring->grab().toImage() != first; }, 5000))
        << "the ring stands still";
    page->setClearing(false);

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

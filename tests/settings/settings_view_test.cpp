// The settings view over in-memory settings and secrets: page selection and the status line, the control
// row's arrangement, the translation page's bindings and the privacy page's permission refresh.
#include "core/clock.h"
#include "model/app_settings.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "platform/permission_service.h"
#include "settings/privacy_settings_page.h"
#include "settings/settings_blocks.h"
#include "settings/settings_view.h"
#include "settings/translation_settings_page.h"
#include "support/control_wiring.h"
#include "support/task_outcome.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() {
        context.settings = &settings;
        context.keychain = &keychain;
        context.permissions = [this]() -> const PermissionService& { return *permissions; };
    }

    std::unique_ptr<SettingsView> makeView(const QString& page = {}) {
        context.page = page;
        auto view = std::make_unique<SettingsView>(context);
        view->resize(1200, 700);
        view->show();
        QTest::qWaitFor([&] { return !view->isKeychainBusy(); }, 10000);
        return view;
    }

    MemoryKeyValueStore defaults;
    AppSettings settings{defaults, systemClock()};
    MemorySecretBackend secrets;
    KeychainStore keychain{secrets, QStringLiteral("SettingsViewTest")};
    PermissionService x11{
        SessionInfo{SessionKind::x11, X11Extensions{.xtest = true, .xinputMajor = 2, .xinputMinor = 3}}};
    PermissionService wayland{SessionInfo{SessionKind::wayland, {}}};
    const PermissionService* permissions = &wayland;
    SettingsContentContext context;
};

TEST_F(SettingsViewTest, InitialPageAndStatusLine) {
    const std::vector<std::pair<QString, SettingsPage>> pages{
        {QString(), SettingsPage::general},
        {QStringLiteral("privacy"), SettingsPage::privacy},
        {QStringLiteral("Privacy"), SettingsPage::general},
        {QStringLiteral("bogus"), SettingsPage::general}};
    for (const auto& [argument, page] : pages)
        EXPECT_EQ(initialSettingsPage(argument), page) << argument.toStdString();

    auto view = makeView(QStringLiteral("translation"));
    EXPECT_EQ(view->currentPage(), SettingsPage::translation);
    EXPECT_TRUE(view->toolbar()->button(SettingsPage::translation)->isChecked());
    EXPECT_EQ(view->page(SettingsPage::general), nullptr) << "pages are built on first selection";

    view->setStatus(QString(400, QLatin1Char('x')));
    EXPECT_EQ(view->statusMessage(),
              QString(SettingsView::statusLimit, QLatin1Char('x')) + QStringLiteral("…"));
    view->toolbar()->button(SettingsPage::general)->click();
    EXPECT_EQ(view->currentPage(), SettingsPage::general);
    EXPECT_TRUE(view->statusMessage().isEmpty()) << "a page change removes the status line";
    EXPECT_FALSE(view->page(SettingsPage::translation)->isVisible());
}

TEST_F(SettingsViewTest, ControlRowStacksItsControlWhenNarrow) {
    SettingsControlRow row(QStringLiteral("关闭主窗口时"),
                           QStringLiteral("选择关闭主窗口时，是让 Ondrel 留在后台还是完全退出。"),
                           QStringLiteral("macwindow"), new QPushButton(QStringLiteral("检查更新…")));
    row.resize(900, row.heightForWidth(900));
    row.show();
    EXPECT_FALSE(row.isStacked());
    const int wide = row.heightForWidth(900);
    row.resize(260, row.heightForWidth(260));
    EXPECT_TRUE(row.isStacked());
    EXPECT_GT(row.heightForWidth(260), wide);
    EXPECT_GE(row.control()->y(), row.height() / 2) << "the control sits below the label";
}

TEST_F(SettingsViewTest, TranslationPageFollowsTheSettingsAndKeepsTheKeyOnRestore) {
    keychain.saveAPIKey(QStringLiteral("sk-kept"));
    auto view = makeView(QStringLiteral("translation"));
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    EXPECT_TRUE(view->hasSavedKey());
    EXPECT_FALSE(page->keyField()->isVisible()) << "the custom endpoint card shows only for its engine";
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    settings.setBaseURLString(QStringLiteral("http://127.0.0.1:9/v1"));
    EXPECT_TRUE(page->keyField()->isVisible());
    EXPECT_EQ(page->findChild<QLineEdit*>()->text(), QStringLiteral("http://127.0.0.1:9/v1"));

    // A blank key is refused in words; the page's button stays off for it.
    QTest::keyClicks(page->keyField(), QStringLiteral("   "));
    view->saveAPIKey();
    EXPECT_EQ(view->statusMessage(), QStringLiteral("请输入 API 密钥。"));

    int sourceWrites = 0;
    QObject::connect(&settings, &AppSettings::sourceLanguageChanged, [&] { ++sourceWrites; });
    settings.setSourceLanguage(QStringLiteral("ja"));
    view->restoreTranslationDefaults();
    EXPECT_EQ(sourceWrites, 2) << "refilling the pickers writes nothing back";
    EXPECT_EQ(settings.translationEngine(), TranslationEngine::cloudStandard);
    EXPECT_FALSE(page->keyField()->isVisible());
    EXPECT_EQ(view->statusMessage(), QStringLiteral("已恢复翻译默认设置。"));
    EXPECT_EQ(keychain.readAPIKey(), QStringLiteral("sk-kept"));
}

TEST_F(SettingsViewTest, KeychainErrorOnShowSaysWhyAndKeepsNoKey) {
    keychain.saveAPIKey(QStringLiteral("sk-x"));
    secrets.setFailure(MemorySecretBackend::Operation::exists,
                       SecretBackendError(5, QStringLiteral("locked"), true));
    auto view = makeView(QStringLiteral("translation"));
    EXPECT_FALSE(view->hasSavedKey());
    EXPECT_FALSE(view->statusMessage().isEmpty());
}

TEST_F(SettingsViewTest, PrivacyBadgesFollowTheSessionInPlace) {
    auto view = makeView(QStringLiteral("privacy"));
    auto* page = static_cast<PrivacySettingsPage*>(view->page(SettingsPage::privacy));
    SettingsStatusBadge* input = page->badge(PermissionKind::inputMonitoring);
    EXPECT_EQ(input->text(), QStringLiteral("输入监控未授权"));
    EXPECT_FALSE(input->isGranted());
    EXPECT_EQ(page->requestButton(PermissionKind::inputMonitoring)->text(), QStringLiteral("请求授权"));
    page->requestButton(PermissionKind::screenRecording)->click();
    EXPECT_TRUE(view->statusMessage().endsWith(QStringLiteral("；此系统没有可以授予该权限的设置")))
        << view->statusMessage().toStdString();

    // The next tick reads the new state into the same badge.
    permissions = &x11;
    ASSERT_TRUE(QTest::qWaitFor([&] { return input->isGranted(); }, 5000));
    EXPECT_EQ(page->badge(PermissionKind::inputMonitoring), input);
    EXPECT_EQ(input->text(), QStringLiteral("输入监控当前可用"));
    EXPECT_EQ(input->toolTip(), QStringLiteral("X11 会话无需单独授权"));
    EXPECT_EQ(page->requestButton(PermissionKind::accessibility)->text(), QStringLiteral("系统设置"));
    page->requestButton(PermissionKind::accessibility)->click();
    EXPECT_EQ(view->statusMessage(), QStringLiteral("X11 会话无需单独授权，无需请求"));
}

QComboBox* pickerNamed(QWidget* root, const QString& name) {
    for (QComboBox* picker : root->findChildren<QComboBox*>())
        if (picker->accessibleName() == name)
            return picker;
    return nullptr;
}

QAbstractButton* switchOfRow(QWidget* root, const QString& title) {
    for (SettingsControlRow* row : root->findChildren<SettingsControlRow*>())
        if (row->title() == title)
            return qobject_cast<QAbstractButton*>(row->control());
    return nullptr;
}

QLineEdit* fieldNamed(QWidget* root, const QString& name) {
    for (QLineEdit* field : root->findChildren<QLineEdit*>())
        if (field->accessibleName() == name)
            return field;
    return nullptr;
}

// Each control of the general and translation pages, used as a user uses it, changes exactly its own key
// in the store, to the chosen value.
TEST_F(SettingsViewTest, EachControlWritesItsOwnSettingAndNoOther) {
    auto view = makeView(QStringLiteral("general"));
    QWidget* general = view->page(SettingsPage::general);
    view->selectPage(SettingsPage::translation);
    QWidget* translation = view->page(SettingsPage::translation);
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    const auto click = [](QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        button->click();
    };
    const auto type = [](QLineEdit* field) {
        ASSERT_NE(field, nullptr);
        QTest::keyClicks(field, QStringLiteral("x"));
    };
    const auto choose = [](QComboBox* picker, const QString& data) {
        ASSERT_NE(picker, nullptr);
        chooseInPicker(picker, data);
    };
    const struct {
        const char* control;
        std::function<void()> use;
        QString key;
        QString value;
    } controls[] = {
        {"source picker",
         [&] { choose(pickerNamed(translation, QStringLiteral("源语言")), QStringLiteral("ja")); },
         QStringLiteral("translation.sourceLanguage"), QStringLiteral("ja")},
        {"target picker",
         [&] { choose(pickerNamed(translation, QStringLiteral("目标语言")), QStringLiteral("fr")); },
         QStringLiteral("translation.targetLanguage"), QStringLiteral("fr")},
        {"style picker",
         [&] { choose(pickerNamed(translation, QStringLiteral("翻译风格")), QStringLiteral("technical")); },
         QStringLiteral("translation.style"), QStringLiteral("technical")},
        {"base URL field", [&] { type(fieldNamed(translation, QStringLiteral("AI 接口地址"))); },
         QStringLiteral("provider.baseURL"), settings.baseURLString() + QStringLiteral("x")},
        {"model field", [&] { type(fieldNamed(translation, QStringLiteral("AI 模型"))); },
         QStringLiteral("provider.model"), settings.model() + QStringLiteral("x")},
        {"engine picker",
         [&] {
             choose(pickerNamed(translation, QStringLiteral("翻译引擎")), QStringLiteral("cloudStandard"));
         },
         QStringLiteral("provider.translationEngine"), QStringLiteral("cloudStandard")},
        {"quality segment",
         [&] {
             for (QPushButton* option : translation->findChildren<QPushButton*>())
                 if (option->text() == displayName(CloudTranslationQuality::advanced))
                     click(option);
         },
         QStringLiteral("provider.cloudTranslationQuality"), QStringLiteral("advanced")},
        {"close picker",
         [&] { choose(pickerNamed(general, QStringLiteral("关闭主窗口时")), QStringLiteral("quit")); },
         QStringLiteral("window.main.closeBehavior"), QStringLiteral("quit")},
        {"typing switch", [&] { click(switchOfRow(general, QStringLiteral("输入停止后自动翻译"))); },
         QStringLiteral("workflow.autoTranslateWhileTyping"),
         QVariant(!settings.autoTranslateWhileTyping()).toString()},
        {"copy switch", [&] { click(switchOfRow(general, QStringLiteral("翻译完成后自动复制译文"))); },
         QStringLiteral("workflow.autoCopyResult"), QVariant(!settings.autoCopyResult()).toString()},
        {"capsule switch", [&] { click(switchOfRow(general, QStringLiteral("选中文本后显示翻译按钮"))); },
         QStringLiteral("workflow.autoSelectionButtonEnabled"),
         QVariant(!settings.autoSelectionButtonEnabled()).toString()},
    };
    for (const auto& c : controls) {
        const auto before = storeSnapshot(defaults);
        c.use();
        EXPECT_EQ(changedValues(before, storeSnapshot(defaults)),
                  (std::map<QString, QString>{{c.key, c.value}}))
            << c.control;
    }
}

// What the translation page says follows the state it shows: the engine's detail and picker, the key
// field's placeholder, and a secret field that never shows or reads out its text.
TEST_F(SettingsViewTest, TranslationPageLabelsFollowTheirStateAndTheKeyStaysHidden) {
    auto view = makeView(QStringLiteral("translation"));
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    const auto shows = [&](const QString& text) {
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->isVisibleTo(page) && label->text() == text)
                return true;
        return false;
    };
    QComboBox* engine = pickerNamed(page, QStringLiteral("翻译引擎"));
    const struct {
        TranslationEngine engine;
        QString picker;
        QString detail;
    } engines[] = {
        {TranslationEngine::openAICompatible, QStringLiteral("自定义 API（BYOK）"),
         QStringLiteral("使用你配置的兼容 API，服务商费用由你直接承担。")},
        {TranslationEngine::cloudStandard, QStringLiteral("托管云端"),
         QStringLiteral("由 Ondrel 托管云端自动选择可用线路。")},
    };
    for (const auto& e : engines) {
        settings.setTranslationEngine(e.engine);
        EXPECT_EQ(engine->currentText(), e.picker);
        EXPECT_TRUE(shows(e.detail)) << e.picker.toStdString();
    }

    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    QLineEdit* field = page->keyField();
    for (bool saved : {false, true}) {
        page->setKeyState(saved, false, false);
        EXPECT_EQ(field->placeholderText(), saved ? QStringLiteral("已保存；输入新密钥可覆盖")
                                                  : QStringLiteral("OpenAI 兼容 API 密钥"));
    }
    const QString secret = QStringLiteral("sk-secret-42");
    field->insert(secret);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(field->displayText().contains(QStringLiteral("secret")));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Value).contains(QStringLiteral("secret")));
}

// A Keychain or history failure is reported as itself, never as the success text, and changes nothing
// the page shows as done.
TEST_F(SettingsViewTest, FailedSaveDeleteAndClearAreNotShownAsSuccess) {
    keychain.saveAPIKey(QStringLiteral("sk-kept"));
    QTemporaryDir folder;
    HistoryStore history(systemClock(), folder.filePath(QStringLiteral("History.sqlite3")));
    context.historyStore = &history;
    await(history.close());
    auto view = makeView(QStringLiteral("translation"));
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    ASSERT_TRUE(view->hasSavedKey());
    const SecretBackendError refused(5, QStringLiteral("refused by the test"), false);
    const struct {
        const char* operation;
        std::optional<MemorySecretBackend::Operation> fails; // else the history store, already closed
        std::function<void()> run;
        QString success;
    } cases[] = {
        {"save", MemorySecretBackend::Operation::store,
         [&] {
             page->keyField()->insert(QStringLiteral("sk-new"));
             view->saveAPIKey();
         },
         QStringLiteral("API 密钥已保存到系统钥匙串。")},
        {"delete", MemorySecretBackend::Operation::clear, [&] { view->deleteAPIKey(); },
         QStringLiteral("API 密钥已删除。")},
        {"clear history", std::nullopt, [&] { view->clearTranslationHistory(); },
         QStringLiteral("本地翻译历史已清空。")},
    };
    for (const auto& c : cases) {
        if (c.fails)
            secrets.setFailure(*c.fails, refused);
        view->setStatus({});
        c.run();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !view->isKeychainBusy() && !view->isClearingHistory(); }, 10000));
        EXPECT_FALSE(view->statusMessage().isEmpty()) << c.operation;
        EXPECT_NE(view->statusMessage(), c.success) << c.operation;
        EXPECT_TRUE(view->hasSavedKey()) << c.operation;
        if (c.fails)
            secrets.setFailure(*c.fails, std::nullopt);
    }
    EXPECT_EQ(page->keyField()->text(), QStringLiteral("sk-new")) << "a failed save keeps the typed key";
    EXPECT_EQ(keychain.readAPIKey(), QStringLiteral("sk-kept"));
}

} // namespace
} // namespace tolvane::testing

// The settings view over in-memory settings and secrets: page selection and the status line, the control
// row's arrangement, the translation page's bindings and the privacy page's permission refresh.
#include "core/clock.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "platform/permission_service.h"
#include "settings/privacy_settings_page.h"
#include "settings/settings_blocks.h"
#include "settings/settings_view.h"
#include "settings/translation_settings_page.h"

#include <QLineEdit>
#include <QPushButton>
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

} // namespace
} // namespace tolvane::testing

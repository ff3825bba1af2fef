#pragma once

#include "core/async/task.h"
#include "settings/settings_page.h"
#include "ui/settings_content_context.h"

#include <QWidget>
#include <map>

class QScrollArea;
class QVBoxLayout;

namespace tolvane {

class PermissionRefreshTicker;
class PrivacySettingsPage;
class SettingsNotice;
class SettingsToolbar;
class TranslationSettingsPage;
enum class PermissionKind;

// The whole content of the settings window: the page toolbar, the status line every operation reports to
// (above the page, so it is never scrolled out of sight) and one scrolling page. Owns what the pages share:
// the Keychain calls (always on the store's own thread, never on the GUI thread), the connection test, the
// history clear and the permission refresh.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    // A longer status text is cut to this many characters and "…".
    static constexpr int statusLimit = 300;

    SettingsView(SettingsContentContext context, QWidget* parent = nullptr);
    ~SettingsView() override;

    // The window's content factory.
    static SettingsContentFactory factory();

    SettingsPage currentPage() const { return m_page; }
    // Builds the page on its first selection; clears the status line when the page changes.
    void selectPage(SettingsPage page);
    // The page's widget once built, else null.
    QWidget* page(SettingsPage page) const;
    SettingsToolbar* toolbar() const { return m_toolbar; }

    QString statusMessage() const;
    // Plain text; a message over statusLimit characters is cut.
    void setStatus(const QString& message);

    bool hasSavedKey() const { return m_hasSavedKey; }
    bool isKeychainBusy() const { return m_keychainTask.isRunning(); }
    bool isTestingProvider() const { return m_testing; }
    bool isClearingHistory() const { return m_clearing; }

    // Reads the permission states now and at the ticker's delays.
    void refreshPermissionStatus();

    // Operations of the pages.
    void clearOCRRegionMemory();
    void saveAPIKey();
    void testProviderConnection();
    void confirmAPIKeyDeletion();
    void deleteAPIKey();
    void restoreTranslationDefaults();
    void requestPermission(PermissionKind kind);
    void confirmHistoryClear();
    void clearTranslationHistory();

    // Completions of the asynchronous operations; none means cancelled (nothing is written).
    void finishKeychainCall(std::optional<QString> status, std::optional<bool> hasSavedKey, bool clearField);
    void finishConnectionTest(std::optional<QString> status);
    void finishHistoryClear(const QString& status);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPage(SettingsPage page);
    void showPermissions();
    void updateKeyState();
    void runKeychainCall(std::function<QCoro::Task<>(CancellationToken)> body);

    SettingsContentContext m_context;
    SettingsToolbar* m_toolbar;
    QVBoxLayout* m_pages;
    QWidget* m_noticeStrip = nullptr;
    QScrollArea* m_scroll = nullptr;
    SettingsNotice* m_notice;
    PermissionRefreshTicker* m_ticker;
    std::map<SettingsPage, QWidget*> m_built;
    TranslationSettingsPage* m_translationPage = nullptr;
    PrivacySettingsPage* m_privacyPage = nullptr;
    SettingsPage m_page = SettingsPage::general;
    bool m_hasSavedKey = false;
    bool m_testing = false;
    bool m_clearing = false;
    TaskSlot m_keychainTask;
    TaskSlot m_testTask;
    TaskSlot m_clearTask;
};

} // namespace tolvane

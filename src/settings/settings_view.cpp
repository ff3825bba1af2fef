#include "settings/settings_view.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "model/api_key_text.h"
#include "model/app_settings.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/permission_service.h"
#include "providers/openai_compatible_provider.h"
#include "settings/general_settings_page.h"
#include "settings/privacy_settings_page.h"
#include "settings/settings_blocks.h"
#include "settings/shortcuts_settings_page.h"
#include "settings/translation_settings_page.h"
#include "ui/dark_controls.h"
#include "ui/destructive_question.h"
#include "ui/history_store_reason.h"
#include "ui/permission_refresh_ticker.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/theme.h"

#include <QApplication>
#include <QFrame>
#include <QHideEvent>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tolvane {

namespace {

constexpr int columnWidth = 1200;

QCoro::Task<> runKeyCheck(QPointer<SettingsView> view, KeychainStore* store, CancellationToken token) {
    try {
        const bool saved =
            co_await store->inBackground([](KeychainStore& keys) { return keys.hasAPIKey(); }, token);
        if (view)
            view->finishKeychainCall(std::nullopt, saved, false);
    } catch (const CancelledError&) {
        throw;
    } catch (const std::exception& error) {
        // The key stays "not saved"; the reason is shown rather than hidden.
        if (view)
            view->finishKeychainCall(describeError(error), false, false);
    }
}

QCoro::Task<> runKeySave(QPointer<SettingsView> view, KeychainStore* store, QString key,
                         CancellationToken token) {
    try {
        co_await store->inBackground([key](KeychainStore& keys) { keys.saveAPIKey(key); }, token);
        if (view)
            view->finishKeychainCall(QStringLiteral("API 密钥已保存到系统钥匙串。"), true, true);
    } catch (const CancelledError&) {
        throw;
    } catch (const std::exception& error) {
        if (view)
            view->finishKeychainCall(describeError(error), std::nullopt, false);
    }
}

QCoro::Task<> runKeyDelete(QPointer<SettingsView> view, KeychainStore* store, CancellationToken token) {
    try {
        co_await store->inBackground([](KeychainStore& keys) { keys.deleteAPIKey(); }, token);
        if (view)
            view->finishKeychainCall(QStringLiteral("API 密钥已删除。"), false, true);
    } catch (const CancelledError&) {
        throw;
    } catch (const std::exception& error) {
        if (view)
            view->finishKeychainCall(describeError(error), std::nullopt, false);
    }
}

QCoro::Task<> runConnectionTest(QPointer<SettingsView> view, KeychainStore* store, QString baseURL,
                                QString model, QPointer<QNetworkAccessManager> network,
                                CancellationToken token) {
    QString status;
    try {
        const std::optional<QString> key =
            co_await store->inBackground([](KeychainStore& keys) { return keys.readAPIKey(); }, token);
        if (!view)
            co_return;
        token.throwIfCancelled();
        if (!key || key->trimmed().isEmpty()) {
            status = QStringLiteral("请先保存 API 密钥。");
        } else {
            const OpenAICompatibleProvider provider(baseURL, model, key->trimmed(), network.data());
            co_await provider.testConnection(token);
            status = QStringLiteral("AI 翻译服务连接正常。");
        }
    } catch (const CancelledError&) {
        if (view)
            view->finishConnectionTest(std::nullopt);
        throw;
    } catch (const std::exception& error) {
        status = QStringLiteral("AI 翻译服务测试失败：%1").arg(describeError(error));
    }
    if (view)
        view->finishConnectionTest(status);
}

QCoro::Task<> runHistoryClear(QPointer<SettingsView> view, HistoryStore* store,
                              std::function<void()> onChanged) {
    QString status;
    try {
        co_await store->clearAll();
        status = QStringLiteral("本地翻译历史已清空。");
    } catch (const CancelledError&) {
        if (onChanged)
            onChanged();
        throw;
    } catch (const HistoryStoreError& error) {
        status = QStringLiteral("未能清空翻译历史（%1），记录都还在。").arg(historyStoreReason(error));
    } catch (const std::exception& error) {
        status = describeError(error);
    }
    if (view)
        view->finishHistoryClear(status);
    // Whatever the outcome, views listing the history read it again.
    if (onChanged)
        onChanged();
}

// Fills `area` with a column at most columnWidth wide, centred, and returns the column's layout.
QVBoxLayout* addCentredColumn(QWidget* area, const QMargins& margins) {
    auto* centre = new QHBoxLayout(area);
    centre->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget(area);
    column->setMaximumWidth(columnWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(margins);
    centre->addWidget(column, 1);
    return stack;
}

} // namespace

SettingsView::SettingsView(SettingsContentContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)), m_toolbar(new SettingsToolbar(this)),
      m_notice(new SettingsNotice), m_ticker(new PermissionRefreshTicker({0, 600, 1500}, this)) {
    setObjectName(QStringLiteral("settingsView"));
    setStyleSheet(darkControlStyleSheet());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::color0B0A09());
    setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: %1;").arg(Theme::color2B2824().name()));
    layout->addWidget(divider);

    // The status line stands above the scrolling page, in the page's column: it is seen wherever the page
    // is scrolled to, without moving the control the user just worked with.
    m_noticeStrip = new QWidget(this);
    QVBoxLayout* noticeStack = addCentredColumn(m_noticeStrip, QMargins(40, 18, 40, 0));
    noticeStack->addWidget(m_notice);
    m_noticeStrip->hide();
    layout->addWidget(m_noticeStrip);

    auto* scroll = new QScrollArea(this);
    m_scroll = scroll;
    scroll->setObjectName(QStringLiteral("settingsScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Not a Tab stop of its own: every control of a page is one, and the page scrolls to the focused
    // control. Page Up and Page Down, which the page's buttons and check boxes leave alone, still reach
    // the scroll area from them.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* canvas = new QWidget;
    canvas->setPalette(palette);
    canvas->setAutoFillBackground(true);
    QVBoxLayout* stack = addCentredColumn(canvas, QMargins(40, 36, 40, 36));
    stack->setSpacing(18);
    m_pages = new QVBoxLayout;
    m_pages->setContentsMargins(0, 0, 0, 0);
    stack->addLayout(m_pages);
    stack->addStretch();
    scroll->setWidget(canvas);
    layout->addWidget(scroll, 1);
    // The line's column follows the page's, which the scroll bar narrows when there is one.
    scroll->viewport()->installEventFilter(this);

    connect(m_toolbar, &SettingsToolbar::pageSelected, this, &SettingsView::selectPage);
    if (m_context.settings)
        tellSettingsNotStoredIn(this, *m_context.settings, [this](const QString& words) {
            // Withdrawn only while the line still says it.
            if (!words.isEmpty() || statusMessage() == settingsNotStoredText())
                setStatus(words);
        });
    connect(m_ticker, &PermissionRefreshTicker::tick, this, &SettingsView::showPermissions);

    const SettingsPage initial = initialSettingsPage(m_context.page);
    m_page = initial == SettingsPage::general ? SettingsPage::translation : SettingsPage::general;
    selectPage(initial);
}

SettingsView::~SettingsView() = default;

SettingsContentFactory SettingsView::factory() {
    return [](const SettingsContentContext& context, QWidget* parent) -> QWidget* {
        return new SettingsView(context, parent);
    };
}

void SettingsView::selectPage(SettingsPage page) {
    m_toolbar->select(page);
    if (page == m_page)
        return;
    m_page = page;
    QWidget* shown = this->page(page);
    if (!shown) {
        shown = buildPage(page);
        m_built[page] = shown;
        m_pages->addWidget(shown);
    }
    for (const auto& [key, widget] : m_built)
        widget->setVisible(key == page);
    setStatus(QString());
}

QWidget* SettingsView::page(SettingsPage page) const {
    const auto it = m_built.find(page);
    return it == m_built.end() ? nullptr : it->second;
}

QWidget* SettingsView::buildPage(SettingsPage page) {
    const QPointer<SettingsView> self(this);
    switch (page) {
    case SettingsPage::general: {
        GeneralSettingsPage::Actions actions;
        actions.clearOCRRegion = [self] {
            if (self)
                self->clearOCRRegionMemory();
        };
        actions.openOnboarding = m_context.onOpenOnboarding;
        actions.checkForUpdates = m_context.onCheckForUpdates;
        return new GeneralSettingsPage(*m_context.settings, settingsVersionText(), std::move(actions));
    }
    case SettingsPage::translation: {
        m_translationPage = new TranslationSettingsPage(*m_context.settings);
        connect(m_translationPage, &TranslationSettingsPage::saveKeyRequested, this,
                &SettingsView::saveAPIKey);
        connect(m_translationPage, &TranslationSettingsPage::testRequested, this,
                &SettingsView::testProviderConnection);
        connect(m_translationPage, &TranslationSettingsPage::deleteKeyRequested, this,
                &SettingsView::confirmAPIKeyDeletion);
        connect(m_translationPage, &TranslationSettingsPage::restoreDefaultsRequested, this,
                &SettingsView::restoreTranslationDefaults);
        updateKeyState();
        return m_translationPage;
    }
    case SettingsPage::shortcuts: {
        ShortcutsSettingsPage::Controls controls;
        controls.validateAvailability = m_context.validateShortcut;
        controls.reregisterShortcuts = m_context.reregisterShortcuts;
        controls.setGlobalShortcutsPaused = m_context.setGlobalShortcutsPaused;
        return new ShortcutsSettingsPage(*m_context.settings, std::move(controls));
    }
    case SettingsPage::privacy: {
        m_privacyPage = new PrivacySettingsPage;
        connect(m_privacyPage, &PrivacySettingsPage::permissionRequested, this,
                &SettingsView::requestPermission);
        connect(m_privacyPage, &PrivacySettingsPage::clearHistoryRequested, this,
                &SettingsView::confirmHistoryClear);
        m_privacyPage->setClearing(m_clearing);
        showPermissions();
        return m_privacyPage;
    }
    }
    return new QWidget;
}

QString SettingsView::statusMessage() const {
    return m_notice->message();
}

void SettingsView::setStatus(const QString& message) {
    m_notice->setMessage(message.size() > statusLimit ? message.left(statusLimit) + QStringLiteral("…")
                                                      : message);
    const bool shown = !message.isEmpty();
    if (m_noticeStrip->isVisibleTo(this) == shown)
        return;
    m_noticeStrip->setVisible(shown);
    // The page loses or gains the line's height at its top: the control in use stays in sight.
    layout()->activate();
    if (QWidget* focus = QApplication::focusWidget(); focus && m_scroll->widget()->isAncestorOf(focus))
        m_scroll->ensureWidgetVisible(focus, 0, 12);
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize)
        m_noticeStrip->layout()->setContentsMargins(0, 0, m_scroll->width() - m_scroll->viewport()->width(),
                                                    0);
    return QWidget::eventFilter(watched, event);
}

void SettingsView::refreshPermissionStatus() {
    m_ticker->refresh();
}

void SettingsView::showPermissions() {
    if (m_privacyPage && m_context.permissions)
        m_privacyPage->showPermissions(m_context.permissions());
}

void SettingsView::updateKeyState() {
    if (m_translationPage)
        m_translationPage->setKeyState(m_hasSavedKey, isKeychainBusy(), m_testing);
}

void SettingsView::runKeychainCall(std::function<QCoro::Task<>(CancellationToken)> body) {
    m_keychainTask.replace(spawn(this, lcSettings(), std::move(body)));
    updateKeyState();
}

void SettingsView::finishKeychainCall(std::optional<QString> status, std::optional<bool> hasSavedKey,
                                      bool clearField) {
    m_keychainTask.clear();
    if (hasSavedKey)
        m_hasSavedKey = *hasSavedKey;
    if (clearField && m_translationPage)
        m_translationPage->keyField()->clear();
    if (status)
        setStatus(*status);
    updateKeyState();
}

void SettingsView::clearOCRRegionMemory() {
    m_context.settings->forgetScreenshotRegion();
    setStatus(QStringLiteral("已清除 OCR 区域记忆；下次截图会重新框选。"));
}

void SettingsView::saveAPIKey() {
    if (isKeychainBusy() || !m_translationPage)
        return;
    const QString key = m_translationPage->keyField()->text().trimmed();
    if (key.isEmpty()) {
        setStatus(QStringLiteral("请输入 API 密钥。"));
        return;
    }
    // Refused before the Keychain sees it; the field keeps the text so nothing typed is lost.
    if (api_key::hasControlCharacters(key)) {
        setStatus(QStringLiteral("API 密钥中间含有换行、制表符或其他控制字符，未保存。请只粘贴密钥本身。"));
        return;
    }
    if (key.toUtf8().size() > api_key::maxBytes) {
        setStatus(QStringLiteral("API 密钥超过 %1 字节，未保存。请确认粘贴的只是密钥本身。")
                      .arg(api_key::maxBytes));
        return;
    }
    runKeychainCall([self = QPointer(this), store = m_context.keychain, key](CancellationToken token) {
        return runKeySave(self, store, key, token);
    });
}

void SettingsView::testProviderConnection() {
    if (m_testing)
        return;
    m_testing = true;
    setStatus(QStringLiteral("正在测试 AI 翻译服务..."));
    updateKeyState();
    AppSettings& settings = *m_context.settings;
    m_testTask.replace(
        spawn(this, lcSettings(),
              [self = QPointer(this), store = m_context.keychain, url = settings.baseURLString(),
               model = settings.model(), network = QPointer(m_context.network)](CancellationToken token) {
                  return runConnectionTest(self, store, url, model, network, token);
              }));
}

void SettingsView::finishConnectionTest(std::optional<QString> status) {
    m_testing = false;
    m_testTask.clear();
    if (status)
        setStatus(*status);
    updateKeyState();
}

void SettingsView::confirmAPIKeyDeletion() {
    confirmDestructive(window(), QStringLiteral("删除 API 密钥？"),
                       QStringLiteral("此操作只会删除系统钥匙串中保存的自定义 API 密钥。"),
                       QStringLiteral("删除密钥"), [self = QPointer(this)] {
                           if (self)
                               self->deleteAPIKey();
                       });
}

void SettingsView::deleteAPIKey() {
    if (isKeychainBusy())
        return;
    runKeychainCall([self = QPointer(this), store = m_context.keychain](CancellationToken token) {
        return runKeyDelete(self, store, token);
    });
}

void SettingsView::restoreTranslationDefaults() {
    m_context.settings->resetProviderSettings();
    setStatus(QStringLiteral("已恢复翻译默认设置。"));
}

void SettingsView::requestPermission(PermissionKind kind) {
    if (m_context.permissions) {
        const PermissionService& permissions = m_context.permissions();
        const bool wasGranted = permissions.isGranted(kind);
        // Linux has neither a consent prompt nor a privacy pane to open: the request says why.
        const PermissionRequestResult result = permissions.request(kind);
        if (kind == PermissionKind::inputMonitoring && !wasGranted && m_context.permissions().isGranted(kind))
            setStatus(QStringLiteral("输入监控已授权。"));
        else
            setStatus(result.explanation);
    }
    refreshPermissionStatus();
}

void SettingsView::confirmHistoryClear() {
    tolvane::confirmHistoryClear(window(), [self = QPointer(this)] {
        if (self)
            self->clearTranslationHistory();
    });
}

void SettingsView::clearTranslationHistory() {
    if (m_clearing || !m_context.historyStore)
        return;
    m_clearing = true;
    if (m_privacyPage)
        m_privacyPage->setClearing(true);
    m_clearTask.replace(
        spawn(this, lcSettings(),
              [self = QPointer(this), store = m_context.historyStore, onChanged = m_context.onHistoryChanged](
                  CancellationToken) { return runHistoryClear(self, store, onChanged); }));
}

void SettingsView::finishHistoryClear(const QString& status) {
    m_clearing = false;
    m_clearTask.clear();
    if (m_privacyPage)
        m_privacyPage->setClearing(false);
    setStatus(status);
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshPermissionStatus();
    if (m_context.keychain && !isKeychainBusy())
        runKeychainCall([self = QPointer(this), store = m_context.keychain](CancellationToken token) {
            return runKeyCheck(self, store, token);
        });
}

void SettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // The unsaved key goes when the window is closed; clear() also drops the field's undo history. A
    // minimised window (or one on another desktop) is hidden by the window system, and keeps the key.
    if (!event->spontaneous() && m_translationPage)
        m_translationPage->keyField()->clear();
}

} // namespace tolvane

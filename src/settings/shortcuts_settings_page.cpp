#include "settings/shortcuts_settings_page.h"

#include "model/app_settings.h"
#include "settings/settings_blocks.h"
#include "settings/shortcut_settings_row.h"
#include "ui/menu_shortcut_warning.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

ShortcutsSettingsPage::ShortcutsSettingsPage(AppSettings& settings, Controls controls, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_controls(std::move(controls)) {
    auto* card = new SettingsCard(QStringLiteral("全局操作"));
    for (ShortcutAction action : allShortcutActions) {
        ShortcutRecorderView::Callbacks callbacks;
        callbacks.onRecord = [this, action](const AppShortcut& shortcut) { record(action, shortcut); };
        callbacks.onClear = [this, action] { clear(action); };
        callbacks.onInvalid = [this, action](const QString& message) {
            m_assignmentErrors[action] = message;
            refresh();
        };
        callbacks.onRecordingChanged = m_controls.setGlobalShortcutsPaused;
        auto* row = new ShortcutSettingsRow(action, std::move(callbacks));
        m_rows[action] = row;
        card->addRow(row);
    }

    auto* footer = new QWidget;
    auto* line = new QHBoxLayout(footer);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(16);
    auto* notice = new SettingsNotice(footer);
    notice->setMessage(
        QStringLiteral("点按快捷键栏后直接输入组合键。重复、系统保留或已被其他 App 占用的组合不会保存；"
                       "按 Delete 可清除，按 Esc 可取消。"));
    line->addWidget(notice, 1);
    auto* restore = new QPushButton(QStringLiteral("恢复默认"), footer);
    restore->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(restore, &QPushButton::clicked, this, &ShortcutsSettingsPage::restoreDefaultShortcuts);
    line->addWidget(restore);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeSettingsPageLayout(QStringLiteral("快捷键"),
                                             QStringLiteral("更快完成操作，不打断当前工作。"),
                                             QStringLiteral("所有全局操作都可自定义；修改后立即生效。"),
                                             QString(), makeSettingsStack({card, footer}, nullptr), this));
    connect(&settings, &AppSettings::shortcutsChanged, this, &ShortcutsSettingsPage::refresh);
    connect(&settings, &AppSettings::shortcutRegistrationErrorsChanged, this,
            &ShortcutsSettingsPage::refresh);
    refresh();
}

void ShortcutsSettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The page's refusals belong to one visit.
    m_assignmentErrors.clear();
    refresh();
}

void ShortcutsSettingsPage::record(ShortcutAction action, const AppShortcut& shortcut) {
    const ShortcutAssignment::Outcome outcome =
        ShortcutAssignment::validate(action, shortcut, m_settings, m_controls.validateAvailability,
                                     ShortcutAssignment::ConflictText::named);
    if (outcome.kind == ShortcutAssignment::Outcome::Kind::refused)
        m_assignmentErrors[action] = outcome.message;
    else
        m_assignmentErrors.erase(action);
    refresh();
}

void ShortcutsSettingsPage::clear(ShortcutAction action) {
    m_settings.setShortcut(std::nullopt, action);
    m_assignmentErrors.erase(action);
    refresh();
}

void ShortcutsSettingsPage::restoreDefaultShortcuts() {
    m_settings.setShortcuts(ShortcutConfiguration::defaultShortcuts());
    m_settings.setShortcutRegistrationErrors({});
    m_assignmentErrors.clear();
    refresh();
    // Registers again even when nothing changed, so a default that still fails shows its error again.
    if (m_controls.reregisterShortcuts)
        m_controls.reregisterShortcuts();
}

void ShortcutsSettingsPage::refresh() {
    const ShortcutConfiguration shortcuts = m_settings.shortcuts();
    const ShortcutRegistrationErrors registration = m_settings.shortcutRegistrationErrors();
    for (const auto& [action, row] : m_rows) {
        std::optional<QString> error;
        if (const auto own = m_assignmentErrors.find(action); own != m_assignmentErrors.end())
            error = own->second;
        else if (const auto failed = registration.find(action); failed != registration.end())
            error = failed->second;
        const std::optional<AppShortcut> shortcut = shortcuts.shortcut(action);
        row->showShortcut(shortcut, error, shortcut ? storedShortcutNotice(*shortcut) : std::nullopt);
    }
}

} // namespace tolvane

#include "settings/settings_page.h"

namespace tolvane {

SettingsPage initialSettingsPage(const QString& page) {
    return fromRawValue<SettingsPage>(page).value_or(SettingsPage::general);
}

QString settingsPageSymbol(SettingsPage page) {
    switch (page) {
    case SettingsPage::general:
        return QStringLiteral("slider.horizontal.3");
    case SettingsPage::translation:
        return QStringLiteral("character.book.closed");
    case SettingsPage::shortcuts:
        return QStringLiteral("keyboard");
    case SettingsPage::privacy:
        return QStringLiteral("checkmark.shield");
    }
    return {};
}

} // namespace tolvane

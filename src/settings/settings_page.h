#pragma once

#include "model/raw_enum.h"

#include <QString>

namespace tolvane {

// The pages of the settings window, in toolbar order.
enum class SettingsPage { general, translation, shortcuts, privacy };

template <> struct RawEnumTable<SettingsPage> {
    static constexpr const char* typeName = "SettingsPage";
    static constexpr std::array<RawEnumRow<SettingsPage>, 4> rows{{
        {SettingsPage::general, "general", "通用"},
        {SettingsPage::translation, "translation", "翻译"},
        {SettingsPage::shortcuts, "shortcuts", "快捷键"},
        {SettingsPage::privacy, "privacy", "隐私"},
    }};
};

// The page named by the snapshot switch's argument; general for none or an unknown word.
SettingsPage initialSettingsPage(const QString& page);
// The toolbar symbol of a page.
QString settingsPageSymbol(SettingsPage page);

} // namespace tolvane

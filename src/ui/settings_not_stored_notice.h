#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tolvane {

class AppSettings;

// The words for a settings change that the settings file could not keep and that was undone.
QString settingsNotStoredText();

// Calls `tell` with those words whenever a change cannot be stored while `view`'s window is the active one:
// the change was made there, so that is where it is told. Once a later change is stored, calls `tell` with
// an empty text: the words no longer hold. Lives as long as `view`.
void tellSettingsNotStoredIn(QWidget* view, AppSettings& settings, std::function<void(const QString&)> tell);

} // namespace tolvane

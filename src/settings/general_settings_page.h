#pragma once

#include <QWidget>
#include <functional>

class QComboBox;
class QPushButton;

namespace tolvane {

class AppSettings;
class SettingsControlRow;

// The everyday behaviour: three workflow switches, what closing the main window does, the remembered
// screenshot region and the two maintenance actions. Every control writes straight into the settings.
class GeneralSettingsPage final : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> clearOCRRegion;
        std::function<void()> openOnboarding;
        std::function<void()> checkForUpdates;
    };

    GeneralSettingsPage(AppSettings& settings, const QString& versionText, Actions actions,
                        QWidget* parent = nullptr);

private:
    void showRegionMemory();

    AppSettings& m_settings;
    SettingsControlRow* m_regionRow;
    QPushButton* m_clearRegion;
};

// "版本 <v>" from the info resource's version, "1.1.2" when it has none.
QString settingsVersionText();

} // namespace tolvane

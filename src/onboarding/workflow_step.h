#pragma once

#include "model/app_shortcut.h"
#include "ui/shortcut_assignment.h"

#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;

namespace tolvane {

class AppSettings;
class PermissionService;
class SettingsSwitch;
class ShortcutRecorderView;

// How many of the three workflow permissions are granted, in words.
QString permissionSummaryText(int grantedCount);

// The guide's last page: default target language, the translate-selection shortcut, the selection
// capsule switch and a summary of the permissions. Every control writes the settings at once.
class WorkflowStep final : public QWidget {
    Q_OBJECT

public:
    struct Controls {
        ShortcutAssignment::Availability validateAvailability;
        std::function<void(bool)> setGlobalShortcutsPaused;
    };

    WorkflowStep(AppSettings& settings, Controls controls, QWidget* parent = nullptr);

    // Re-reads the permissions; texts and icons change in place, no control is rebuilt.
    void showPermissions(const PermissionService& permissions);

    // The error line under the recorder; empty when hidden.
    QString errorText() const;
    // The line under the picker, the recorder or the switch; empty when hidden.
    QString noticeBeside(const QWidget* control) const;
    QString summaryText() const;
    QComboBox* languagePicker() const { return m_picker; }
    ShortcutRecorderView* recorder() const { return m_recorder; }
    SettingsSwitch* selectionSwitch() const { return m_switch; }

private:
    // The rows whose control changes a setting, each with a line under its control.
    enum class Row { language, shortcut, selectionButton };

    // Runs `makeChange` for `row`'s control, so that a change the settings file cannot keep is told there.
    void change(Row row, const std::function<void()>& makeChange);
    void record(const AppShortcut& shortcut);
    void clear();
    void refresh();

    AppSettings& m_settings;
    Controls m_controls;
    // The guide's own refusal of the last recording; the registration failure shows when there is none.
    QString m_shortcutError;
    // The row whose control is changing a setting now, and the row told last that its change was not
    // stored (until a later change is).
    std::optional<Row> m_changing;
    std::optional<Row> m_notStoredAt;
    QComboBox* m_picker;
    QLabel* m_languageNotice;
    ShortcutRecorderView* m_recorder;
    QLabel* m_error;
    SettingsSwitch* m_switch;
    QLabel* m_switchNotice;
    QWidget* m_summary;
    QLabel* m_summaryText;
};

} // namespace tolvane

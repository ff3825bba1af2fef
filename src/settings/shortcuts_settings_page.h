#pragma once

#include "model/shortcut_action.h"
#include "ui/shortcut_assignment.h"

#include <QWidget>
#include <map>

namespace tolvane {

class AppSettings;
class ShortcutSettingsRow;

// One recorder per action. A recorded chord is checked and stored at once; the row shows the page's own
// refusal, else the registration error the application reported for the stored shortcut, else that other
// programs use the stored chord when the shared rule would refuse it now.
class ShortcutsSettingsPage final : public QWidget {
    Q_OBJECT

public:
    struct Controls {
        ShortcutAssignment::Availability validateAvailability;
        std::function<void()> reregisterShortcuts;
        std::function<void(bool)> setGlobalShortcutsPaused;
    };

    ShortcutsSettingsPage(AppSettings& settings, Controls controls, QWidget* parent = nullptr);

    ShortcutSettingsRow* row(ShortcutAction action) const { return m_rows.at(action); }
    void restoreDefaultShortcuts();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void record(ShortcutAction action, const AppShortcut& shortcut);
    void clear(ShortcutAction action);
    void refresh();

    AppSettings& m_settings;
    Controls m_controls;
    std::map<ShortcutAction, ShortcutSettingsRow*> m_rows;
    std::map<ShortcutAction, QString> m_assignmentErrors;
};

} // namespace tolvane

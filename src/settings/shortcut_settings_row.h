#pragma once

#include "model/shortcut_action.h"
#include "ui/shortcut_recorder_view.h"

#include <QWidget>

class QLabel;

namespace tolvane {

// One action's row on the shortcuts page: its title, description and recorder, and below them one line: the
// action's error when there is one, else the notice about its stored chord when there is one.
class ShortcutSettingsRow final : public QWidget {
    Q_OBJECT

public:
    ShortcutSettingsRow(ShortcutAction action, ShortcutRecorderView::Callbacks callbacks,
                        QWidget* parent = nullptr);

    void showShortcut(const std::optional<AppShortcut>& shortcut, const std::optional<QString>& error,
                      const std::optional<QString>& notice);
    ShortcutRecorderView* recorder() const { return m_recorder; }
    // The error or notice shown; empty while the row shows neither.
    QString errorText() const;

private:
    ShortcutRecorderView* m_recorder;
    QWidget* m_error;
    QLabel* m_errorText;
};

} // namespace tolvane

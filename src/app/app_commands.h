#pragma once

#include <QAction>
#include <QObject>
#include <functional>

class QWidget;

namespace tolvane {

// The application-wide commands with their keys: check for updates (Ctrl+U), close the active window
// (Ctrl+W) and open the settings (Ctrl+,). One action per command is shared by every top-level window, since
// Qt matches a shortcut only through a visible holder and two holders of one key would be ambiguous.
class AppCommands final : public QObject {
    Q_OBJECT

public:
    AppCommands(std::function<void()> checkForUpdates, std::function<void()> openSettings,
                QObject* parent = nullptr);

    // Adds the commands to a top-level window.
    void attachTo(QWidget* window);
    // Asks the active window to close through its own close handling; nothing without one.
    void closeActiveWindow();

    QAction* checkForUpdatesAction() { return &m_checkForUpdates; }
    QAction* closeWindowAction() { return &m_closeWindow; }
    QAction* settingsAction() { return &m_settings; }

private:
    void updateCloseEnabled();

    QAction m_checkForUpdates;
    QAction m_closeWindow;
    QAction m_settings;
};

} // namespace tolvane

#include "app/app_commands.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace tolvane {

AppCommands::AppCommands(std::function<void()> checkForUpdates, std::function<void()> openSettings,
                         QObject* parent)
    : QObject(parent), m_checkForUpdates(QStringLiteral("检查更新…")),
      m_closeWindow(QStringLiteral("关闭当前窗口")), m_settings(QStringLiteral("设置与权限")) {
    m_checkForUpdates.setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_U));
    m_closeWindow.setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_W));
    m_settings.setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_Comma));
    for (QAction* action : {&m_checkForUpdates, &m_closeWindow, &m_settings})
        action->setShortcutContext(Qt::WindowShortcut);
    connect(&m_checkForUpdates, &QAction::triggered, this, [checkForUpdates] {
        if (checkForUpdates)
            checkForUpdates();
    });
    connect(&m_settings, &QAction::triggered, this, [openSettings] {
        if (openSettings)
            openSettings();
    });
    connect(&m_closeWindow, &QAction::triggered, this, &AppCommands::closeActiveWindow);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &AppCommands::updateCloseEnabled);
    updateCloseEnabled();
}

void AppCommands::attachTo(QWidget* window) {
    if (!window)
        return;
    window->addActions({&m_checkForUpdates, &m_closeWindow, &m_settings});
    updateCloseEnabled();
}

void AppCommands::closeActiveWindow() {
    // close() runs the window's own closeEvent, so the main window's close behaviour applies.
    if (QWidget* window = QApplication::activeWindow())
        window->close();
}

void AppCommands::updateCloseEnabled() {
    m_closeWindow.setEnabled(QApplication::activeWindow() != nullptr);
}

} // namespace tolvane

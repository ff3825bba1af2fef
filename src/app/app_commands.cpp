#include "app/app_commands.h"

#include "core/logging.h"

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
    QWidget* window = QApplication::activeWindow();
    qCInfo(lcApp).noquote() << "Close command for"
                            << (window ? window->windowTitle() : QStringLiteral("no window"));
    if (window)
        window->close();
}

void AppCommands::updateCloseEnabled() {
    const QWidget* window = QApplication::activeWindow();
    // Which window takes the window-wide keys: a key that does nothing is explained by this line.
    qCDebug(lcApp).noquote() << "Active window:" << (window ? window->windowTitle() : QStringLiteral("none"));
    m_closeWindow.setEnabled(window != nullptr);
}

} // namespace tolvane

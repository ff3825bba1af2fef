#include "platform/terminal_classes.h"

#include <QStringList>

namespace tolvane {

bool isTerminalWindowClass(const QString& instanceName, const QString& className) {
    static const QStringList terminals = {
        QStringLiteral("xterm"),
        QStringLiteral("urxvt"),
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("konsole"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"),
        QStringLiteral("terminator"),
        QStringLiteral("tilix"),
        QStringLiteral("alacritty"),
        QStringLiteral("kitty"),
        QStringLiteral("st-256color"),
        QStringLiteral("guake"),
        QStringLiteral("tilda"),
        QStringLiteral("yakuake"),
        QStringLiteral("kgx"),
        QStringLiteral("rxvt"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("foot"),
    };
    auto matches = [](const QString& name) {
        return !name.isEmpty() && terminals.contains(name, Qt::CaseInsensitive);
    };
    return matches(instanceName) || matches(className);
}

} // namespace tolvane

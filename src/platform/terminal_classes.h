#pragma once

#include <QString>

namespace tolvane {

// Terminal emulators, told by WM_CLASS (instance or class name, case-insensitive). A synthetic Ctrl+C
// would interrupt the program running in them, and they paste with Ctrl+Shift+V. Terminals missing here are
// still recognised by their pseudo-terminal (FrontmostWindow::hostsTerminal).
bool isTerminalWindowClass(const QString& instanceName, const QString& className);

} // namespace tolvane

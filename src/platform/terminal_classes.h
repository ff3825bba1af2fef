#pragma once

#include <QString>

namespace tolvane {

// Terminal emulators, told by WM_CLASS (instance or class name, case-insensitive). A synthetic Ctrl+C
// would interrupt the program running in them, and they paste with Ctrl+Shift+V.
bool isTerminalWindowClass(const QString& instanceName, const QString& className);

} // namespace tolvane

#pragma once

#include <QString>

namespace tolvane {

// Reads a value of the application's info resource; empty when absent.
QString infoResourceValue(const QString& key);

} // namespace tolvane

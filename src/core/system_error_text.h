#pragma once

#include <QString>

namespace tolvane::system_error {

// The operating system's words for a failed file operation (Qt's errorString(), which is strerror's English
// text) in Chinese, for the common causes; any other text is returned unchanged.
QString inChinese(const QString& systemText);

} // namespace tolvane::system_error

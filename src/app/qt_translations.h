#pragma once

class QCoreApplication;

namespace tolvane {

// Qt's own texts (the file dialog, its questions and standard buttons) in the interface's language,
// Simplified Chinese, whatever the system's locale: installs qtbase's translations from Qt's translations
// folder into `app`. Returns false, with a log line, when they are not installed; Qt's texts then stay in
// English.
bool installQtTranslations(QCoreApplication& app);

} // namespace tolvane

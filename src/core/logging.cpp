#include "core/logging.h"

namespace tolvane {
Q_LOGGING_CATEGORY(lcApp, "com.tolvane.app.App")
Q_LOGGING_CATEGORY(lcAppDelegate, "com.tolvane.app.AppDelegate")
Q_LOGGING_CATEGORY(lcAsync, "com.tolvane.app.Async")
Q_LOGGING_CATEGORY(lcSettings, "com.tolvane.app.Settings")
Q_LOGGING_CATEGORY(lcKeychain, "com.tolvane.app.Keychain")
Q_LOGGING_CATEGORY(lcHistory, "com.tolvane.app.History")
Q_LOGGING_CATEGORY(lcLanguage, "com.tolvane.app.Language")
Q_LOGGING_CATEGORY(lcProvider, "com.tolvane.app.Provider")
Q_LOGGING_CATEGORY(lcWorkflow, "com.tolvane.app.Workflow")
Q_LOGGING_CATEGORY(lcSelectionReader, "com.tolvane.app.SelectionReader")
Q_LOGGING_CATEGORY(lcClipboard, "com.tolvane.app.Clipboard")
Q_LOGGING_CATEGORY(lcPasteBack, "com.tolvane.app.PasteBackController")
Q_LOGGING_CATEGORY(lcHotKeys, "com.tolvane.app.HotKeys")
Q_LOGGING_CATEGORY(lcAutoSelectionButton, "com.tolvane.app.AutoSelectionButton")
Q_LOGGING_CATEGORY(lcPlatform, "com.tolvane.app.Platform")
Q_LOGGING_CATEGORY(lcOcr, "com.tolvane.app.OCR")
Q_LOGGING_CATEGORY(lcPerformance, "com.tolvane.app.TranslationPerformance")
} // namespace tolvane

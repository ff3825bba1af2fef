#pragma once

#include <QLoggingCategory>

// One logging category per component, named com.tolvane.app.<Component>.
// Never log selected text, clipboard contents, key codes or secrets.
namespace tolvane {
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcAppDelegate)
Q_DECLARE_LOGGING_CATEGORY(lcAsync)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcKeychain)
Q_DECLARE_LOGGING_CATEGORY(lcHistory)
Q_DECLARE_LOGGING_CATEGORY(lcLanguage)
Q_DECLARE_LOGGING_CATEGORY(lcProvider)
Q_DECLARE_LOGGING_CATEGORY(lcWorkflow)
Q_DECLARE_LOGGING_CATEGORY(lcSelectionReader)
Q_DECLARE_LOGGING_CATEGORY(lcClipboard)
Q_DECLARE_LOGGING_CATEGORY(lcPasteBack)
Q_DECLARE_LOGGING_CATEGORY(lcHotKeys)
Q_DECLARE_LOGGING_CATEGORY(lcAutoSelectionButton)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcOcr)
Q_DECLARE_LOGGING_CATEGORY(lcPerformance)
} // namespace tolvane

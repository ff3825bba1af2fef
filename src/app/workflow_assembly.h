#pragma once

#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

namespace tolvane {

class AppSettings;
class ClipboardManager;
class Clock;
class DesktopServices;
class HistoryStore;
class KeychainStore;
class LanguageRecognizer;
class PasteBackController;
class SelectionReader;
class WorkflowCoordinator;

// The workflow coordinator with the real services behind it: live settings, the keychain's API key, the
// history database, the providers over the application's network manager, and the desktop's clipboard,
// selection and paste-back. Destroying it cancels the coordinator's work first and closes the database last
// (its queued writes finish), so the caller may remove the database's folder afterwards.
class WorkflowAssembly {
public:
    struct Configuration {
        AppSettings& settings;
        KeychainStore& keychain;
        DesktopServices& desktop;
        Clock& clock;
        // Outlives the assembly.
        QNetworkAccessManager& network;
        QString historyDatabasePath;
        QUrl hostedBaseURL;
    };

    explicit WorkflowAssembly(Configuration configuration);
    ~WorkflowAssembly();
    WorkflowAssembly(const WorkflowAssembly&) = delete;
    WorkflowAssembly& operator=(const WorkflowAssembly&) = delete;

    WorkflowCoordinator& coordinator() { return *m_coordinator; }
    SelectionReader& selectionReader() { return *m_selectionReader; }
    HistoryStore& historyStore() { return *m_history; }
    ClipboardManager& clipboard() { return *m_clipboard; }

private:
    struct Adapters;

    // Declaration order is construction order; destruction runs backwards, coordinator first.
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<LanguageRecognizer> m_recognizer;
    std::unique_ptr<ClipboardManager> m_clipboard;
    std::unique_ptr<SelectionReader> m_selectionReader;
    std::unique_ptr<PasteBackController> m_pasteBack;
    std::unique_ptr<Adapters> m_adapters;
    std::unique_ptr<WorkflowCoordinator> m_coordinator;
};

} // namespace tolvane

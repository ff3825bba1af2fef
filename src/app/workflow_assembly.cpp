#include "app/workflow_assembly.h"

#include "app/desktop_services.h"
#include "model/history_store.h"
#include "platform/cld2_language_recognizer.h"
#include "platform/screen_mapping.h"
#include "workflow/app_settings_translation_settings.h"
#include "workflow/clipboard_manager.h"
#include "workflow/history_store_recorder.h"
#include "workflow/keychain_api_key_source.h"
#include "workflow/network_translation_provider_factory.h"
#include "workflow/paste_back_controller.h"
#include "workflow/selection_reader.h"
#include "workflow/workflow_coordinator.h"

#include <QNetworkAccessManager>

namespace tolvane {

struct WorkflowAssembly::Adapters {
    AppSettingsTranslationSettings settings;
    KeychainApiKeySource apiKeys;
    HistoryStoreRecorder recorder;
    NetworkTranslationProviderFactory providers;
};

WorkflowAssembly::WorkflowAssembly(Configuration configuration)
    : m_history(std::make_unique<HistoryStore>(configuration.clock, configuration.historyDatabasePath)),
      m_recognizer(std::make_unique<Cld2LanguageRecognizer>()) {
    DesktopServices& desktop = configuration.desktop;
    m_clipboard = std::make_unique<ClipboardManager>(desktop.pasteboard(), desktop.keys(), *desktop.windows(),
                                                     configuration.clock);
    m_selectionReader = std::make_unique<SelectionReader>(SelectionReader::Services{
        *m_clipboard, desktop.pasteboard(), desktop.accessibility(), *desktop.windows(),
        desktop.permissions(), [&desktop] { return desktop.cursorPosition(); },
        [] { return currentScreenMappings(); }});
    m_pasteBack = std::make_unique<PasteBackController>(*m_clipboard, desktop.keys(), *desktop.windows(),
                                                        configuration.clock);
    m_adapters.reset(new Adapters{
        AppSettingsTranslationSettings(configuration.settings),
        KeychainApiKeySource(configuration.keychain),
        HistoryStoreRecorder(*m_history),
        NetworkTranslationProviderFactory({&configuration.network, configuration.hostedBaseURL,
                                           &configuration.keychain, &configuration.clock}),
    });
    m_coordinator = std::make_unique<WorkflowCoordinator>(WorkflowServices{
        m_adapters->settings, m_adapters->apiKeys, *m_selectionReader, m_adapters->recorder, *m_pasteBack,
        *m_clipboard, m_adapters->providers, *m_recognizer, configuration.clock});
}

WorkflowAssembly::~WorkflowAssembly() {
    m_coordinator.reset();
    m_pasteBack.reset();
    m_selectionReader.reset();
    m_clipboard.reset();
    m_adapters.reset();
    // Last: waits for queued history writes, then closes the file.
    m_history.reset();
}

} // namespace tolvane

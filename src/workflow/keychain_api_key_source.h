#pragma once

#include "workflow/translation_settings.h"

namespace tolvane {

class KeychainStore;

// Reads the chat-completions API key from the application's KeychainStore.
class KeychainApiKeySource final : public ApiKeySource {
public:
    explicit KeychainApiKeySource(KeychainStore& store) : m_store(store) {}
    QCoro::Task<std::optional<QString>> readAPIKey(CancellationToken token) override;

private:
    KeychainStore& m_store;
};

} // namespace tolvane

#include "workflow/keychain_api_key_source.h"

#include "model/keychain_store.h"

namespace tolvane {

QCoro::Task<std::optional<QString>> KeychainApiKeySource::readAPIKey(CancellationToken token) {
    token.throwIfCancelled();
    std::optional<QString> key = m_store.readAPIKey();
    co_return key;
}

} // namespace tolvane

#include "workflow/keychain_api_key_source.h"

#include "model/keychain_store.h"

namespace tolvane {

QCoro::Task<std::optional<QString>> KeychainApiKeySource::readAPIKey(CancellationToken token) {
    token.throwIfCancelled();
    // Off the GUI thread: a locked keyring keeps the read waiting while its unlock prompt is open.
    co_return co_await m_store.inBackground([](KeychainStore& store) { return store.readAPIKey(); },
                                            std::move(token));
}

} // namespace tolvane

#pragma once

#include "platform/secret_backend.h"

#include <QString>
#include <memory>

namespace tolvane {

// The libsecret backend of the secret store module, which is loaded on the first call, not at the
// application's start. The module is looked for beside the executable, then where this build put it. A
// module that cannot be loaded makes every call throw SecretBackendError with serviceUnavailable, like a
// Secret Service that does not answer, and is logged once.
std::unique_ptr<SecretBackend> loadedSecretBackend();

} // namespace tolvane

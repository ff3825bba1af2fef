#pragma once

#include "platform/secret_backend.h"

#include <QtGlobal>

// The entry point of the secret store module (libtolvane_secret_store.so): the libsecret backend, built as a
// module the application loads on its first secret, so libsecret, GIO and the libraries they pull in stay
// out of its start. The module is never unloaded.
extern "C" {
using TolvaneCreateSecretBackend = tolvane::SecretBackend* (*)();
Q_DECL_EXPORT tolvane::SecretBackend* tolvane_create_secret_backend();
}

#include "platform/secret/secret_backend_module.h"

#include "platform/secret/libsecret_backend.h"

tolvane::SecretBackend* tolvane_create_secret_backend() {
    return new tolvane::LibsecretBackend();
}

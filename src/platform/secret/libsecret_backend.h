#pragma once

#include "platform/secret_backend.h"

#include <mutex>

namespace tolvane {

// Secrets in the Secret Service (GNOME Keyring, KWallet) through libsecret. Items use the generic schema
// "org.freedesktop.Secret.Generic" with the attributes `service` and `account`, so
// `secret-tool lookup service Tolvane account <account>` finds them. Never falls back to plain text: without
// a reachable, unlocked Secret Service every call throws.
class LibsecretBackend final : public SecretBackend {
public:
    void store(const QString& service, const QString& account, const QByteArray& secret,
               const QString& label) override;
    std::optional<QByteArray> lookup(const QString& service, const QString& account) override;
    bool exists(const QString& service, const QString& account) override;
    void clear(const QString& service, const QString& account) override;

private:
    bool existsLocked(const QByteArray& service, const QByteArray& account);

    // libsecret's synchronous calls share one service connection; one call at a time.
    std::mutex m_mutex;
};

} // namespace tolvane

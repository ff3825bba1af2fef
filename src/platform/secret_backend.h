#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <exception>
#include <optional>

namespace tolvane {

// A failure of the secret store. `code` is never 0 (a backend without a code of its own uses -1);
// `serviceUnavailable` says that no secret service answered or it is locked, which the user can fix.
struct SecretBackendError : std::exception {
    SecretBackendError(int32_t code, QString message, bool serviceUnavailable = false)
        : code(code == 0 ? -1 : code), message(std::move(message)), serviceUnavailable(serviceUnavailable) {}
    const char* what() const noexcept override { return "secret backend error"; }

    int32_t code;
    QString message;
    bool serviceUnavailable;
};

// Generic secrets identified by service + account. Calls are synchronous and may block (a keyring may
// prompt to unlock); every call either completes or throws SecretBackendError.
class SecretBackend {
public:
    virtual ~SecretBackend() = default;

    // Creates or replaces the item in one step: a failed store leaves the previous secret in place.
    virtual void store(const QString& service, const QString& account, const QByteArray& secret,
                       const QString& label) = 0;
    // None when there is no such item.
    virtual std::optional<QByteArray> lookup(const QString& service, const QString& account) = 0;
    // Whether the item exists, without unlocking anything.
    virtual bool exists(const QString& service, const QString& account) = 0;
    // Deletes the item; a missing item is not an error.
    virtual void clear(const QString& service, const QString& account) = 0;
};

} // namespace tolvane

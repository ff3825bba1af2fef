#include "platform/secret/libsecret_backend.h"

#include "core/logging.h"

#include <libsecret/secret.h>

namespace tolvane {

namespace {

const SecretSchema* genericSchema() {
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "org.freedesktop.Secret.Generic";
        // Match by attributes only, so items written by secret-tool or another client are found too.
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

// Owns a GError and turns it into SecretBackendError. libsecret asserts when handed a non-null *error, so
// each call gets a fresh holder.
class ErrorHolder {
public:
    ErrorHolder() = default;
    ErrorHolder(const ErrorHolder&) = delete;
    ErrorHolder& operator=(const ErrorHolder&) = delete;
    ~ErrorHolder() { g_clear_error(&m_error); }

    GError** out() { return &m_error; }
    explicit operator bool() const { return m_error != nullptr; }

    [[noreturn]] void raise(const char* operation) {
        const QString domain = QString::fromUtf8(g_quark_to_string(m_error->domain));
        const QString message = QString::fromUtf8(m_error->message);
        qCWarning(lcKeychain).noquote()
            << "Secret Service" << operation << "failed:" << domain << m_error->code << message;
        // No bus, no Secret Service on it, or a locked collection: the user can fix these.
        const bool unavailable = m_error->domain == G_IO_ERROR || m_error->domain == G_DBUS_ERROR ||
                                 (m_error->domain == SECRET_ERROR && m_error->code == SECRET_ERROR_IS_LOCKED);
        const int32_t code = m_error->code;
        g_clear_error(&m_error);
        throw SecretBackendError(code, message, unavailable);
    }

private:
    GError* m_error = nullptr;
};

} // namespace

void LibsecretBackend::store(const QString& service, const QString& account, const QByteArray& secret,
                             const QString& label) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    const QByteArray l = label.toUtf8();
    std::lock_guard lock(m_mutex);
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    ErrorHolder error;
    // Creating an item with the attributes of an existing one replaces it in one step.
    const gboolean stored = secret_password_store_binary_sync(
        genericSchema(), SECRET_COLLECTION_DEFAULT, l.constData(), value, nullptr, error.out(), "service",
        s.constData(), "account", a.constData(), nullptr);
    secret_value_unref(value);
    if (error)
        error.raise("store");
    if (!stored)
        throw SecretBackendError(-1, QStringLiteral("The keyring did not store the secret."), true);
}

std::optional<QByteArray> LibsecretBackend::lookup(const QString& service, const QString& account) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    std::lock_guard lock(m_mutex);
    ErrorHolder error;
    SecretValue* value = secret_password_lookup_binary_sync(genericSchema(), nullptr, error.out(), "service",
                                                            s.constData(), "account", a.constData(), nullptr);
    if (error) {
        if (value)
            secret_value_unref(value);
        error.raise("lookup");
    }
    if (!value) {
        // A locked item the user did not unlock also comes back empty: that is not "no secret".
        if (existsLocked(s, a))
            throw SecretBackendError(SECRET_ERROR_IS_LOCKED, QStringLiteral("The keyring is locked."), true);
        return std::nullopt;
    }
    gsize length = 0;
    const gchar* data = secret_value_get(value, &length);
    QByteArray result(data, static_cast<qsizetype>(length));
    secret_value_unref(value);
    return result;
}

bool LibsecretBackend::exists(const QString& service, const QString& account) {
    std::lock_guard lock(m_mutex);
    return existsLocked(service.toUtf8(), account.toUtf8());
}

bool LibsecretBackend::existsLocked(const QByteArray& service, const QByteArray& account) {
    ErrorHolder error;
    // SECRET_SEARCH_NONE matches locked items too and never prompts.
    GList* items =
        secret_password_search_sync(genericSchema(), SECRET_SEARCH_NONE, nullptr, error.out(), "service",
                                    service.constData(), "account", account.constData(), nullptr);
    const bool found = items != nullptr;
    g_list_free_full(items, g_object_unref);
    if (error)
        error.raise("search");
    return found;
}

void LibsecretBackend::clear(const QString& service, const QString& account) {
    const QByteArray s = service.toUtf8();
    const QByteArray a = account.toUtf8();
    std::lock_guard lock(m_mutex);
    ErrorHolder error;
    // FALSE without an error means there was nothing to delete, which is success.
    secret_password_clear_sync(genericSchema(), nullptr, error.out(), "service", s.constData(), "account",
                               a.constData(), nullptr);
    if (error)
        error.raise("clear");
}

} // namespace tolvane

#include "model/keychain_store.h"

#include "model/keychain_error.h"

#include <QStringDecoder>

namespace tolvane {

namespace {

// Runs one backend call, turning its failure into KeychainError.
template <typename F> auto guarded(F&& call) {
    try {
        return call();
    } catch (const SecretBackendError& error) {
        throw KeychainError(error.code, error.serviceUnavailable);
    }
}

// Strict UTF-8: invalid or truncated bytes mean "no key" rather than a key with replacement characters. A
// leading BOM stays part of the key.
std::optional<QString> decodeUtf8(const QByteArray& data) {
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(data);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

KeychainStore::KeychainStore(SecretBackend& backend, QString service)
    : m_backend(backend), m_service(std::move(service)), m_worker(QStringLiteral("KeychainStore")) {}

void KeychainStore::saveAPIKey(const QString& key) {
    std::lock_guard lock(m_mutex);
    saveLocked(key.toUtf8(), apiKeyAccount);
}

std::optional<QString> KeychainStore::readAPIKey() {
    std::lock_guard lock(m_mutex);
    const std::optional<QByteArray> data = readLocked(apiKeyAccount);
    if (!data)
        return std::nullopt;
    return decodeUtf8(*data);
}

bool KeychainStore::hasAPIKey() {
    std::lock_guard lock(m_mutex);
    return guarded([&] { return m_backend.exists(m_service, apiKeyAccount); });
}

void KeychainStore::deleteAPIKey() {
    deleteItem(apiKeyAccount);
}

void KeychainStore::deleteItem(const QString& account) {
    std::lock_guard lock(m_mutex);
    guarded([&] { m_backend.clear(m_service, account); });
}

void KeychainStore::saveData(const QByteArray& data, const QString& account) {
    std::lock_guard lock(m_mutex);
    saveLocked(data, account);
}

std::optional<QByteArray> KeychainStore::readData(const QString& account) {
    std::lock_guard lock(m_mutex);
    return readLocked(account);
}

void KeychainStore::saveLocked(const QByteArray& data, const QString& account) {
    const QString label = QStringLiteral("%1 (%2)").arg(m_service, account);
    guarded([&] { m_backend.store(m_service, account, data, label); });
}

std::optional<QByteArray> KeychainStore::readLocked(const QString& account) {
    return guarded([&] { return m_backend.lookup(m_service, account); });
}

} // namespace tolvane

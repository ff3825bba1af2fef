#include "platform/secret/secret_backend_loader.h"

#include "core/logging.h"
#include "platform/program_module.h"
#include "platform/secret/secret_backend_module.h"

#include <mutex>

namespace tolvane {
namespace {

struct LoadedModule {
    TolvaneCreateSecretBackend create = nullptr;
    QString error;
};

LoadedModule load() {
    const ProgramModule opened =
        openProgramModule(QStringLiteral("libtolvane_secret_store.so"),
                          QStringLiteral(TOLVANE_SECRET_STORE_MODULE), {"tolvane_create_secret_backend"});
    if (!opened.loaded()) {
        qCCritical(lcKeychain).noquote() << "The secret store could not be loaded:" << opened.error;
        return {nullptr, opened.error};
    }
    qCInfo(lcKeychain).noquote() << "Secret store loaded from" << opened.path;
    return {reinterpret_cast<TolvaneCreateSecretBackend>(opened.entryPoint("tolvane_create_secret_backend")),
            {}};
}

const LoadedModule& module() {
    static std::once_flag once;
    static LoadedModule loaded;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

// Stands in for the module's backend until its first use.
class LazySecretBackend final : public SecretBackend {
public:
    void store(const QString& service, const QString& account, const QByteArray& secret,
               const QString& label) override {
        inner().store(service, account, secret, label);
    }
    std::optional<QByteArray> lookup(const QString& service, const QString& account) override {
        return inner().lookup(service, account);
    }
    bool exists(const QString& service, const QString& account) override {
        return inner().exists(service, account);
    }
    void clear(const QString& service, const QString& account) override { inner().clear(service, account); }

private:
    SecretBackend& inner() {
        std::call_once(m_once, [this] {
            if (module().create)
                m_inner.reset(module().create());
        });
        if (!m_inner)
            throw SecretBackendError(
                -1, QStringLiteral("The secret store could not be loaded: ") + module().error, true);
        return *m_inner;
    }

    std::once_flag m_once;
    std::unique_ptr<SecretBackend> m_inner;
};

} // namespace

std::unique_ptr<SecretBackend> loadedSecretBackend() {
    return std::make_unique<LazySecretBackend>();
}

} // namespace tolvane

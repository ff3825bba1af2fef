#include "platform/secret/secret_backend_loader.h"

#include "core/logging.h"
#include "platform/secret/secret_backend_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>
#include <mutex>

namespace tolvane {
namespace {

const char* const moduleFileName = "libtolvane_secret_store.so";

struct LoadedModule {
    TolvaneCreateSecretBackend create = nullptr;
    QString error;
};

LoadedModule load() {
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(moduleFileName));
    candidates << QStringLiteral(TOLVANE_SECRET_STORE_MODULE);
    QStringList errors;
    for (const QString& path : std::as_const(candidates)) {
        if (!QFileInfo::exists(path)) {
            errors << path + QStringLiteral(": not found");
            continue;
        }
        void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            errors << QString::fromLocal8Bit(::dlerror());
            continue;
        }
        if (auto create = reinterpret_cast<TolvaneCreateSecretBackend>(
                ::dlsym(handle, "tolvane_create_secret_backend"))) {
            qCInfo(lcKeychain).noquote() << "Secret store loaded from" << path;
            return {create, {}};
        }
        errors << path + QStringLiteral(": not a secret store module");
    }
    LoadedModule failed{nullptr, errors.join(QStringLiteral("; "))};
    qCCritical(lcKeychain).noquote() << "The secret store could not be loaded:" << failed.error;
    return failed;
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

#include "platform/program_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <dlfcn.h>

namespace tolvane {

void* ProgramModule::entryPoint(const char* name) const {
    return handle ? ::dlsym(handle, name) : nullptr;
}

ProgramModule openProgramModule(const QString& fileName, const QString& buildPath,
                                std::initializer_list<const char*> entryPoints) {
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    candidates << buildPath;
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
        if (std::all_of(entryPoints.begin(), entryPoints.end(),
                        [handle](const char* name) { return ::dlsym(handle, name) != nullptr; }))
            return {handle, path, {}};
        ::dlclose(handle);
        errors << path + QStringLiteral(": lacks the module's entry points");
    }
    return {nullptr, {}, errors.join(QStringLiteral("; "))};
}

} // namespace tolvane

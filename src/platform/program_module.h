#pragma once

#include <QString>
#include <initializer_list>

namespace tolvane {

// A shared library of this program that is loaded on first need rather than at start. It is looked for beside
// the executable, then where the build put it; the first file that opens and exports every entry point is
// used, with its symbols kept to itself. It is never unloaded.
struct ProgramModule {
    void* handle = nullptr;
    QString path;
    // Why no file could be used, one reason per place; empty when loaded.
    QString error;

    bool loaded() const { return handle != nullptr; }
    void* entryPoint(const char* name) const;
};

ProgramModule openProgramModule(const QString& fileName, const QString& buildPath,
                                std::initializer_list<const char*> entryPoints);

} // namespace tolvane

#pragma once

#include "app/app_delegate.h"
#include "scoped_environment.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>

namespace tolvane::testing {

// The delegate as a normal run builds it (not a test host), on `desktop`. Point HOME at a folder of the
// test's own first, so no earlier run's settings or history answer.
inline std::unique_ptr<AppDelegate> makeDesktopDelegate(std::unique_ptr<DesktopServices> desktop,
                                                        AppFactories factories = {}) {
    LaunchEnvironment environment;
    environment.arguments = {QStringLiteral("tolvane")};
    environment.environment = QProcessEnvironment::systemEnvironment();
    environment.environment.remove(LaunchEnvironment::testHostVariable);
    return std::make_unique<AppDelegate>(environment, std::move(factories), std::move(desktop));
}

// Points HOME and the XDG configuration and data folders into `home`, for one test.
inline void useHome(ScopedEnvironment& environment, const QTemporaryDir& home) {
    environment.set("HOME", home.path().toUtf8());
    environment.set("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    environment.set("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
}

} // namespace tolvane::testing

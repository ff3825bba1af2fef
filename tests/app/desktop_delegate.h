#pragma once

#include "app/app_delegate.h"

#include <QProcessEnvironment>
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

} // namespace tolvane::testing

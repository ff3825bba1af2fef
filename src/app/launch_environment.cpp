#include "app/launch_environment.h"

#include <QCoreApplication>
#include <array>

namespace tolvane {

namespace {

constexpr std::array<std::pair<SnapshotScreen, const char*>, 8> snapshotSwitches{{
    {SnapshotScreen::workspace, "--ui-snapshot-workspace"},
    {SnapshotScreen::ocr, "--ui-snapshot-ocr"},
    {SnapshotScreen::ocrError, "--ui-snapshot-ocr-error"},
    {SnapshotScreen::settings, "--ui-snapshot-settings"},
    {SnapshotScreen::onboarding, "--ui-snapshot-onboarding"},
    {SnapshotScreen::onboardingFeatures, "--ui-snapshot-onboarding-features"},
    {SnapshotScreen::onboardingPermissions, "--ui-snapshot-onboarding-permissions"},
    {SnapshotScreen::onboardingWorkflow, "--ui-snapshot-onboarding-workflow"},
}};

} // namespace

LaunchEnvironment LaunchEnvironment::current() {
    return {QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(), false};
}

bool LaunchEnvironment::isTestHost() const {
    return testHost || environment.contains(testHostVariable);
}

bool LaunchEnvironment::hasArgument(const QString& argument) const {
    return arguments.contains(argument);
}

std::optional<SnapshotScreen> LaunchEnvironment::snapshotScreen() const {
    for (const auto& [screen, name] : snapshotSwitches) {
        if (hasArgument(QLatin1String(name)))
            return screen;
    }
    return std::nullopt;
}

std::optional<QString> LaunchEnvironment::settingsPage() const {
    const qsizetype index = arguments.indexOf(settingsPageSwitch);
    if (index < 0 || index + 1 >= arguments.size())
        return std::nullopt;
    return arguments.at(index + 1);
}

QString snapshotSwitch(SnapshotScreen screen) {
    for (const auto& [candidate, name] : snapshotSwitches) {
        if (candidate == screen)
            return QLatin1String(name);
    }
    return {};
}

} // namespace tolvane

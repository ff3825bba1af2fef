#pragma once

#include <QProcessEnvironment>
#include <QStringList>
#include <optional>

namespace tolvane {

// The switches that make a run draw one screen deterministically, in the order they are tested: the first
// present one wins.
enum class SnapshotScreen {
    workspace,
    ocr,
    ocrError,
    settings,
    onboarding,
    onboardingFeatures,
    onboardingPermissions,
    onboardingWorkflow,
};

// What the process was started with: its arguments, its environment and whether it runs as a test host.
// Passed to the delegate explicitly so in-process tests can describe a launch without touching the real
// process state.
struct LaunchEnvironment {
    QStringList arguments;
    QProcessEnvironment environment;
    // Forces test-host behaviour regardless of the environment (tests constructing a delegate in process).
    bool testHost = false;

    static inline const QString testHostVariable = QStringLiteral("XCTestConfigurationFilePath");
    static inline const QString settingsPageSwitch = QStringLiteral("--ui-snapshot-settings-page");

    // The running process.
    static LaunchEnvironment current();

    // True with the test flag or when the marker variable is set (to any value, even empty).
    bool isTestHost() const;
    // Exact match of a whole argument, in any position.
    bool hasArgument(const QString& argument) const;
    // The first snapshot switch present, in table order.
    std::optional<SnapshotScreen> snapshotScreen() const;
    // A snapshot run draws one screen in isolation: no single-instance server, no hot keys, no updater.
    bool isSnapshotRun() const { return snapshotScreen().has_value(); }
    // The argument after the settings-page switch, when there is one.
    std::optional<QString> settingsPage() const;
};

QString snapshotSwitch(SnapshotScreen screen);

} // namespace tolvane

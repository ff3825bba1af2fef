#include "app/app_delegate.h"
#include "app/app_storage.h"
#include "app/launch_environment.h"
#include "app/onboarding_window_controller.h"
#include "app/single_instance.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "platform/key_value_store.h"
#include "scoped_environment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

LaunchEnvironment launchWith(QStringList arguments, QProcessEnvironment environment = {}) {
    arguments.prepend(QStringLiteral("tolvane"));
    return {arguments, environment, false};
}

TEST(LaunchEnvironmentTest, TestHostMarkerAndSnapshotSwitchesAreReadExactly) {
    QProcessEnvironment marked;
    marked.insert(LaunchEnvironment::testHostVariable, QString());
    EXPECT_TRUE(launchWith({}, marked).isTestHost()) << "an empty value still marks a test host";
    EXPECT_FALSE(launchWith({}).isTestHost());
    EXPECT_TRUE((LaunchEnvironment{{}, {}, true}).isTestHost());

    // Two switches: the first in table order wins, whatever the argument order.
    const auto both =
        launchWith({QStringLiteral("--ui-snapshot-onboarding"), QStringLiteral("--ui-snapshot-ocr")});
    EXPECT_EQ(both.snapshotScreen(), SnapshotScreen::ocr);
    // Exact matches only: a prefix of a longer switch is no switch.
    EXPECT_EQ(launchWith({QStringLiteral("--ui-snapshot-onboarding-workflow")}).snapshotScreen(),
              SnapshotScreen::onboardingWorkflow);
    EXPECT_FALSE(launchWith({QStringLiteral("--ui-snapshot-work")}).isSnapshotRun());

    // The page switch alone makes no snapshot run; its value is the next argument.
    const auto page = launchWith({QStringLiteral("--ui-snapshot-settings-page"), QStringLiteral("privacy")});
    EXPECT_FALSE(page.isSnapshotRun());
    EXPECT_EQ(page.settingsPage(), QStringLiteral("privacy"));
    EXPECT_EQ(launchWith({QStringLiteral("--ui-snapshot-settings-page")}).settingsPage(), std::nullopt);
}

TEST(SingleInstanceTest, SecondLaunchHandsOverAndStaleSocketsAreReplaced) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString name = runtime.filePath(QStringLiteral("tolvane.sock"));

    // Nobody listening: no handover.
    SingleInstance lonely(name);
    EXPECT_FALSE(lonely.handOverToRunningInstance(200));

    // A socket file left behind by a crashed instance does not block listening.
    {
        QFile stale(name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);

    SingleInstance second(name);
    EXPECT_TRUE(second.handOverToRunningInstance());
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; }));
    EXPECT_TRUE(second.handOverToRunningInstance());
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 2; }));
}

// Every file below `root`, relative to it.
QStringList filesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    return files;
}

class TestHostIsolation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sentinel.isValid());
        environment.redirectUserFolders(sentinel.path());
    }

    QTemporaryDir sentinel;
    testing::ScopedEnvironment environment;
};

TEST_F(TestHostIsolation, DelegateKeepsEverythingInMemoryAndRemovesItsFolder) {
    QString folder;
    {
        AppDelegate delegate(LaunchEnvironment{{QStringLiteral("tolvane")}, {}, true}, {});
        delegate.start();
        EXPECT_TRUE(delegate.startupSteps().isEmpty()) << "a test host runs no start-up";
        EXPECT_EQ(delegate.statusMenu(), nullptr);
        EXPECT_EQ(delegate.mainWindowController(), nullptr);

        AppStorage& storage = delegate.storage();
        ASSERT_TRUE(storage.unitTestArtifacts().has_value());
        const UnitTestArtifacts artifacts = *storage.unitTestArtifacts();
        EXPECT_EQ(artifacts.defaultsSuiteName,
                  AppStorage::testSuitePrefix + QString::number(QCoreApplication::applicationPid()));
        folder = artifacts.directory;
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QDir(QDir::tempPath()).absolutePath());
        EXPECT_EQ(storage.historyDatabasePath(), QDir(folder).filePath(QStringLiteral("History.sqlite3")));

        // Settings and secrets work, but land nowhere on disk and never in the user's keyring service.
        storage.settingsStore().setValue(QStringLiteral("window.main.closeBehavior"), QStringLiteral("quit"));
        storage.settingsStore().sync();
        storage.keychainStore().saveAPIKey(QStringLiteral("sk-test"));
        EXPECT_EQ(storage.keychainStore().readAPIKey(), QStringLiteral("sk-test"));
        EXPECT_EQ(storage.keychainStore().service(), artifacts.defaultsSuiteName);

        QFile database(storage.historyDatabasePath());
        ASSERT_TRUE(database.open(QIODevice::WriteOnly));
        database.write("db");
    }
    EXPECT_FALSE(QFileInfo::exists(folder)) << "the test host's folder is removed with its contents";
    EXPECT_EQ(filesBelow(sentinel.path()), QStringList()) << "nothing was written to the user's folders";
}

TEST_F(TestHostIsolation, CleanUpRunsOnceWhicheverPathComesFirst) {
    AppStorage storage(LaunchEnvironment{{}, {}, true});
    const QString folder = storage.unitTestArtifacts()->directory;
    storage.removeTestHostStorage();
    EXPECT_FALSE(QFileInfo::exists(folder));
    // A folder of the same name created later (another run with this pid) is not removed twice.
    QDir().mkpath(folder);
    storage.removeTestHostStorage();
    EXPECT_TRUE(QFileInfo::exists(folder));
    QDir(folder).removeRecursively();
}

using StartUp = TestHostIsolation;

QStringList steps(const QStringList& arguments, std::function<void(AppDelegate&)> before = {}) {
    AppDelegate delegate(launchWith(arguments), {});
    if (before)
        before(delegate);
    delegate.start();
    // A normal start finishes after the first frame; a snapshot run ends with its one screen.
    if (!delegate.environment().snapshotScreen())
        EXPECT_TRUE(QTest::qWaitFor([&] { return delegate.isStartupFinished(); }, 20000));
    QStringList taken = delegate.startupSteps();
    if (delegate.mainWindowController() && delegate.mainWindowController()->window())
        taken << QStringLiteral("visible:") +
                     QString::number(delegate.mainWindowController()->window()->isVisible());
    return taken;
}

TEST_F(StartUp, NormalOrderAndTheGuideOnlyUntilSeen) {
    // The windows of the first frame first; the panel before the hot keys, so none fires without it.
    EXPECT_EQ(steps({}), (QStringList{QStringLiteral("subscriptions"), QStringLiteral("mainWindow"),
                                      QStringLiteral("guide"), QStringLiteral("panel"),
                                      QStringLiteral("tray"), QStringLiteral("hotkeys"),
                                      QStringLiteral("capsule"), QStringLiteral("visible:1")}));
    const QStringList seen = steps({}, [](AppDelegate& delegate) {
        delegate.storage().settingsStore().setValue(AppDelegate::hasSeenGuideKey, true);
    });
    EXPECT_FALSE(seen.contains(QStringLiteral("guide")));
    EXPECT_TRUE(seen.contains(QStringLiteral("mainWindow")));
    // The page switch alone is a normal start-up.
    EXPECT_EQ(steps({QStringLiteral("--ui-snapshot-settings-page"), QStringLiteral("general")}).first(),
              QStringLiteral("subscriptions"));
}

TEST_F(StartUp, EachSnapshotSwitchDoesOnlyItsAction) {
    EXPECT_EQ(steps({QStringLiteral("--ui-snapshot-workspace")}),
              (QStringList{QStringLiteral("snapshot:--ui-snapshot-workspace"), QStringLiteral("tray"),
                           QStringLiteral("mainWindow"), QStringLiteral("visible:1")}));
    EXPECT_EQ(steps({QStringLiteral("--ui-snapshot-onboarding-permissions")}),
              (QStringList{QStringLiteral("snapshot:--ui-snapshot-onboarding-permissions"),
                           QStringLiteral("guide")}));
    EXPECT_EQ(steps({QStringLiteral("--ui-snapshot-settings"), QStringLiteral("--ui-snapshot-ocr")}),
              (QStringList{QStringLiteral("snapshot:--ui-snapshot-ocr")}));

    AppDelegate settings(launchWith({QStringLiteral("--ui-snapshot-settings")}), {});
    settings.start();
    ASSERT_NE(settings.hostedWindow(QStringLiteral("settings")), nullptr);
    EXPECT_TRUE(settings.hostedWindow(QStringLiteral("settings"))->isVisible());
    EXPECT_EQ(settings.statusMenu(), nullptr);
    EXPECT_EQ(settings.mainWindowController(), nullptr);
}

TEST_F(StartUp, GuideWindowIsReusedWhileOpenAndEveryEndMarksItSeenOnce) {
    std::vector<int> built;
    std::function<void()> finishHook;
    const OnboardingContentFactory factory = [&](const OnboardingContentContext& context, QWidget* parent) {
        built.push_back(context.step);
        finishHook = context.onFinish;
        return new QWidget(parent);
    };
    AppDelegate delegate(launchWith({QStringLiteral("--ui-snapshot-onboarding")}), {});
    KeyValueStore& defaults = delegate.settings().defaults();
    defaults.remove(AppSettings::firstRunGuideKey);
    int finishes = 0;
    {
        OnboardingWindowController quitting(delegate.settings(), {}, factory, [&] { ++finishes; });
        quitting.showWindow(1);
    }
    EXPECT_FALSE(defaults.contains(AppSettings::firstRunGuideKey)) << "tearing down records nothing";

    OnboardingWindowController controller(delegate.settings(), {}, factory, [&] { ++finishes; });
    controller.showWindow(9);
    const QPointer<OnboardingWindow> first = controller.window();
    controller.showWindow(-1);
    EXPECT_EQ(built, (std::vector<int>{1, 3}));
    EXPECT_EQ(controller.window(), first);

    // The content's finish, then a late close of the same window: one end.
    finishHook();
    first->close();
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(defaults.value(AppSettings::firstRunGuideKey).toBool());
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000));

    controller.showWindow(0);
    EXPECT_EQ(built.back(), 0) << "a new window after the end";
    controller.window()->close();
    EXPECT_EQ(finishes, 2);
}

} // namespace
} // namespace tolvane

#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "app/launch_environment.h"
#include "app/qt_translations.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "core/logging.h"
#include "history/history_view.h"
#include "onboarding/onboarding_view.h"
#include "platform/memory_return.h"
#include "platform/session_info.h"
#include "settings/settings_view.h"
#include "ui/accessible_widgets.h"
#include "workspace/main_translate_view.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    using namespace tolvane;
    returnFreedMemoryPromptly();
    QApplication app(argc, argv);
    // Before anything that needs cleaning up (the instance socket, a test host's folder): a SIGTERM from
    // here on is queued until the loop runs and then ends the process through its normal clean-up.
    TerminationSignals signals;
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));
    installQtTranslations(app);
    installAccessibleFactory();
    qCInfo(lcApp).noquote() << "Tolvane" << QApplication::applicationVersion() << "started";

    const LaunchEnvironment environment = LaunchEnvironment::current();
    const bool isolated = environment.isTestHost() || environment.isSnapshotRun();

    // A second launch hands over to the running instance before it builds anything: no tray, no grabs, no
    // second writer of the history database.
    std::unique_ptr<SingleInstance> singleInstance;
    if (!isolated) {
        singleInstance = std::make_unique<SingleInstance>();
        if (singleInstance->handOverToRunningInstance()) {
            qCInfo(lcApp) << "Handed over to the running instance";
            return 0;
        }
        singleInstance->listen();
    }

    // The real desktop only for a normal run; isolated runs act on an in-memory one.
    std::unique_ptr<DesktopServices> desktop =
        isolated ? DesktopServices::inMemory() : DesktopServices::x11(currentSession().kind);

#ifdef TOLVANE_PLACEHOLDER_WORKSPACE
    // A measuring build: the shell's stand-in content, to compare what the workspace adds to the start.
    AppFactories factories;
#else
    AppFactories factories{.mainContent = MainTranslateView::factory()};
#endif
    factories.settingsContent = SettingsView::factory();
    factories.onboardingContent = OnboardingView::factory();
    factories.historyContent = HistoryView::factory();
    AppDelegate delegate(environment, std::move(factories), std::move(desktop));
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &delegate, &AppDelegate::terminate);
    if (singleInstance)
        QObject::connect(singleInstance.get(), &SingleInstance::reopenRequested, &delegate,
                         &AppDelegate::presentMainWindow);
    // Started before the event loop, so that the loop's first turn (the accessibility bridge, the session
    // bus) runs while the X server maps the window instead of before the window is built.
    delegate.start();
    const int status = QApplication::exec();
    delegate.cleanUp();
    return status;
}

#pragma once

#include "core/async/task.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

namespace tolvane {

// What a check for updates found.
struct UpdateCheckResult {
    enum class Kind {
        // No feed configured: updates come through the system's package manager.
        packageManager,
        upToDate,
        newerAvailable,
        failed,
    };
    Kind kind = Kind::packageManager;
    QString currentVersion;
    QString latestVersion;
    QUrl link;
    QString error;

    // The message shown for this result: a headline and a detail line.
    QString headline() const;
    QString detail() const;
};

// Checks for updates on the user's request. It never downloads or installs anything.
class Updater {
public:
    virtual ~Updater() = default;
    // Called once after start-up; nothing runs in the background.
    virtual void start() {}
    virtual void checkForUpdates() = 0;
};

// Reads the appcast feed named by the application's info resource and compares its newest release with the
// running version; without a feed it says updates come through the package manager, without a request.
class AppcastUpdater final : public QObject, public Updater {
    Q_OBJECT

public:
    using Presenter = std::function<void(const UpdateCheckResult&)>;

    // `network` must outlive the checks it carries; `present` defaults to a message box.
    AppcastUpdater(QNetworkAccessManager* network, QString currentVersion, QUrl feed, Presenter present = {},
                   QObject* parent = nullptr);

    // The updater the info resource describes (its version and "SUFeedURL").
    static std::unique_ptr<AppcastUpdater> fromInfoResource(QNetworkAccessManager* network);

    void checkForUpdates() override;
    // The check itself; never throws except CancelledError.
    static QCoro::Task<UpdateCheckResult> check(QPointer<QNetworkAccessManager> network,
                                                QString currentVersion, QUrl feed, CancellationToken token);

private:
    QPointer<QNetworkAccessManager> m_network;
    QString m_currentVersion;
    QUrl m_feed;
    Presenter m_present;
    TaskSlot m_check;
};

} // namespace tolvane

#include "app/updater.h"

#include "app/appcast_feed.h"
#include "core/logging.h"
#include "ui/info_resource.h"

#include <QCoroSignal>
#include <QDesktopServices>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPushButton>

namespace tolvane {

namespace {

constexpr int feedTimeoutMs = 15000;
constexpr qint64 feedSizeLimit = 4 * 1024 * 1024;

// Only web pages are opened from a feed: any other scheme (file, javascript, a custom handler) could run or
// reveal something on this machine.
bool isWebLink(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

struct FeedTask {
    static QCoro::Task<> run(QPointer<AppcastUpdater> owner, AppcastUpdater::Presenter present,
                             QPointer<QNetworkAccessManager> network, QString version, QUrl feed,
                             CancellationToken token) {
        const UpdateCheckResult result = co_await AppcastUpdater::check(network, version, feed, token);
        if (!owner)
            co_return;
        token.throwIfCancelled();
        present(result);
    }
};

void showMessageBox(const UpdateCheckResult& result) {
    auto* box = new QMessageBox(result.kind == UpdateCheckResult::Kind::failed ? QMessageBox::Warning
                                                                               : QMessageBox::Information,
                                QStringLiteral("检查更新…"), result.headline());
    box->setInformativeText(result.detail());
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (result.kind == UpdateCheckResult::Kind::newerAvailable && isWebLink(result.link)) {
        QPushButton* open = box->addButton(QStringLiteral("查看新版本"), QMessageBox::AcceptRole);
        box->addButton(QMessageBox::Close);
        const QUrl link = result.link;
        QObject::connect(open, &QPushButton::clicked, box, [link] { QDesktopServices::openUrl(link); });
    }
    box->open();
}

} // namespace

QString UpdateCheckResult::headline() const {
    switch (kind) {
    case Kind::packageManager:
        return QStringLiteral("Ondrel %1").arg(currentVersion);
    case Kind::upToDate:
        return QStringLiteral("Ondrel %1 已是最新版本。").arg(currentVersion);
    case Kind::newerAvailable:
        return QStringLiteral("Ondrel %1 已发布。").arg(latestVersion);
    case Kind::failed:
        return QStringLiteral("无法检查更新。");
    }
    return {};
}

QString UpdateCheckResult::detail() const {
    switch (kind) {
    case Kind::packageManager:
        return QStringLiteral("更新通过系统的软件包管理器提供。");
    case Kind::upToDate:
        return {};
    case Kind::newerAvailable:
        return QStringLiteral("当前版本为 %1。").arg(currentVersion);
    case Kind::failed:
        return error;
    }
    return {};
}

AppcastUpdater::AppcastUpdater(QNetworkAccessManager* network, QString currentVersion, QUrl feed,
                               Presenter present, QObject* parent)
    : QObject(parent), m_network(network), m_currentVersion(std::move(currentVersion)),
      m_feed(std::move(feed)), m_present(present ? std::move(present) : Presenter(&showMessageBox)) {}

std::unique_ptr<AppcastUpdater> AppcastUpdater::fromInfoResource(QNetworkAccessManager* network) {
    QString version = infoResourceValue(QStringLiteral("CFBundleShortVersionString"));
    if (version.isEmpty())
        version = QCoreApplication::applicationVersion();
    const QString feed = infoResourceValue(QStringLiteral("SUFeedURL")).trimmed();
    return std::make_unique<AppcastUpdater>(network, version, feed.isEmpty() ? QUrl() : QUrl(feed));
}

void AppcastUpdater::checkForUpdates() {
    // A second request while one is under way starts over.
    m_check.replace(spawn(this, lcAppDelegate(),
                          [self = QPointer(this), present = m_present, network = m_network,
                           version = m_currentVersion, feed = m_feed](CancellationToken token) {
                              return FeedTask::run(self, present, network, version, feed, token);
                          }));
}

QCoro::Task<UpdateCheckResult> AppcastUpdater::check(QPointer<QNetworkAccessManager> network,
                                                     QString currentVersion, QUrl feed,
                                                     CancellationToken token) {
    UpdateCheckResult result;
    result.currentVersion = currentVersion;
    if (feed.isEmpty()) {
        result.kind = UpdateCheckResult::Kind::packageManager;
        co_return result;
    }
    result.kind = UpdateCheckResult::Kind::failed;
    if (!isWebLink(feed)) {
        result.error = QStringLiteral("更新地址无效：%1").arg(feed.toString());
        co_return result;
    }
    if (!network) {
        result.error = QStringLiteral("网络不可用。");
        co_return result;
    }
    QNetworkRequest request(feed);
    request.setTransferTimeout(feedTimeoutMs);
    QPointer<QNetworkReply> reply = network->get(request);
    const CancelRegistration abortOnCancel = token.onCancel([reply] {
        if (reply)
            reply->abort();
    });
    // The size is checked while the body arrives, so an endless or huge answer is never buffered whole.
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply.data(), &QNetworkReply::readyRead, reply.data(), [reply, tooLarge] {
        if (*tooLarge || reply->bytesAvailable() <= feedSizeLimit)
            return;
        *tooLarge = true;
        reply->abort();
    });
    if (!reply->isFinished())
        co_await qCoro(reply.data(), &QNetworkReply::finished);
    if (!reply) {
        result.error = QStringLiteral("网络不可用。");
        co_return result;
    }
    reply->deleteLater();
    token.throwIfCancelled();

    if (*tooLarge) {
        result.error = AppcastError(QStringLiteral("超过 4 MiB")).description();
        co_return result;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        result.error = status > 0 ? QStringLiteral("更新服务器返回了错误（HTTP %1）。").arg(status)
                                  : QStringLiteral("无法连接更新服务器：%1").arg(reply->errorString());
        co_return result;
    }
    try {
        const AppcastRelease newest = newestAppcastRelease(reply->readAll());
        const QVersionNumber current = QVersionNumber::fromString(currentVersion);
        result.latestVersion = newest.versionText;
        if (isWebLink(newest.link))
            result.link = newest.link;
        else if (!newest.link.isEmpty())
            qCWarning(lcAppDelegate) << "Update feed link ignored, not a web address:" << newest.link;
        result.kind = newest.version > current ? UpdateCheckResult::Kind::newerAvailable
                                               : UpdateCheckResult::Kind::upToDate;
    } catch (const AppError& error) {
        result.error = error.description();
        qCWarning(lcAppDelegate).noquote() << "Update feed unreadable:" << error.description();
    }
    co_return result;
}

} // namespace tolvane

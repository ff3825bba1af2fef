#include "app/appcast_feed.h"
#include "app/updater.h"
#include "support/fake_http_server.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::FakeHttpServer;
using testing::FakeResponse;

QByteArray feedWith(std::initializer_list<const char*> items) {
    QByteArray feed = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Ondrel</title>)";
    for (const char* item : items)
        feed += item;
    return feed + "</channel></rss>";
}

TEST(AppcastFeedTest, NewestReleaseIsChosenByVersionFromEitherPlaceAndUnreadableItemsAreSkipped) {
    const AppcastRelease release = newestAppcastRelease(feedWith({
        R"(<item><title>old</title><link>https://example.test/1.2.0</link>
             <enclosure url="https://example.test/a.tar" sparkle:shortVersionString="1.2.0"/></item>)",
        // 1.10 is newer than 1.9: compared as numbers, not text.
        R"(<item><sparkle:shortVersionString>1.10</sparkle:shortVersionString>
             <enclosure url="https://example.test/1.10.tar" sparkle:version="999"/></item>)",
        R"(<item><sparkle:shortVersionString>1.9</sparkle:shortVersionString></item>)",
        R"(<item><sparkle:shortVersionString>2.0 beta</sparkle:shortVersionString></item>)",
        R"(<item><title>no version</title></item>)",
    }));
    EXPECT_EQ(release.versionText, QStringLiteral("1.10"));
    EXPECT_EQ(release.version, QVersionNumber(1, 10));
    // Without a link the enclosure's address is offered.
    EXPECT_EQ(release.link, QUrl(QStringLiteral("https://example.test/1.10.tar")));

    // The bundle version stands in when the short version is missing.
    EXPECT_EQ(
        newestAppcastRelease(feedWith({R"(<item><enclosure sparkle:version="3.1"/></item>)"})).versionText,
        QStringLiteral("3.1"));

    for (const QByteArray& bad :
         {QByteArray("<rss><channel><item>"), QByteArray("not xml at all"),
          QByteArray("<feed><entry/></feed>"), feedWith({"<item><title/></item>"}), QByteArray()}) {
        EXPECT_THROW(newestAppcastRelease(bad), AppcastError) << bad.toStdString();
    }
}

class AppcastUpdaterTest : public ::testing::Test {
protected:
    AppcastUpdaterTest() { network.setProxy(QNetworkProxy::NoProxy); }

    // Runs a check through the updater's own command and returns what it presented.
    std::optional<UpdateCheckResult> checkAgainst(const QUrl& feed,
                                                  const QString& version = QStringLiteral("1.4.0")) {
        std::optional<UpdateCheckResult> shown;
        int presentations = 0;
        AppcastUpdater updater(&network, version, feed, [&](const UpdateCheckResult& result) {
            shown = result;
            ++presentations;
        });
        updater.checkForUpdates();
        const bool done = QTest::qWaitFor([&] { return shown.has_value(); }, 10000);
        EXPECT_TRUE(done);
        QTest::qWait(20);
        EXPECT_EQ(presentations, done ? 1 : 0);
        return shown;
    }

    FakeHttpServer server;
    QNetworkAccessManager network;
};

TEST_F(AppcastUpdaterTest, NewerSameAndOlderReleasesGiveTheirMessages) {
    server.enqueue(FakeResponse::withBody(200, "application/rss+xml",
                                          feedWith({R"(<item><link>https://example.test/notes</link>
                      <enclosure sparkle:shortVersionString="1.5.0"/></item>)"})));
    std::optional<UpdateCheckResult> result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::newerAvailable);
    EXPECT_EQ(result->headline(), QStringLiteral("Ondrel 1.5.0 已发布。"));
    EXPECT_EQ(result->detail(), QStringLiteral("当前版本为 1.4.0。"));
    EXPECT_EQ(result->link, QUrl(QStringLiteral("https://example.test/notes")));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().method, QByteArray("GET"));
    EXPECT_EQ(server.requests().first().target, QByteArray("/appcast.xml"));

    // A link that is not a web address is never offered for opening.
    for (const char* link : {"file:///etc/passwd", "javascript:alert(1)", "ssh://example.test/x"}) {
        server.enqueue(FakeResponse::withBody(
            200, "application/rss+xml",
            feedWith({(QByteArray("<item><link>") + link +
                       "</link><sparkle:shortVersionString>1.6</sparkle:shortVersionString></item>")
                          .constData()})));
        result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->kind, UpdateCheckResult::Kind::newerAvailable) << link;
        EXPECT_TRUE(result->link.isEmpty()) << link;
    }

    // "1.4" equals "1.4.0"; an older feed is no update either.
    for (const char* version : {"1.4", "1.3.9"}) {
        server.enqueue(FakeResponse::withBody(200, "application/rss+xml",
                                              feedWith({(QByteArray("<item><sparkle:shortVersionString>") +
                                                         version + "</sparkle:shortVersionString></item>")
                                                            .constData()})));
        result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->kind, UpdateCheckResult::Kind::upToDate) << version;
        EXPECT_EQ(result->headline(), QStringLiteral("Ondrel 1.4.0 已是最新版本。"));
    }
}

TEST_F(AppcastUpdaterTest, FailuresAreReportedAsFailuresNeverAsUpToDate) {
    server.enqueue(FakeResponse::withBody(404, "text/plain", "missing"));
    std::optional<UpdateCheckResult> result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::failed);
    EXPECT_EQ(result->headline(), QStringLiteral("无法检查更新。"));
    EXPECT_TRUE(result->detail().contains(QStringLiteral("404"))) << result->detail().toStdString();

    server.enqueue(FakeResponse::withBody(200, "application/rss+xml", "<rss><channel><item>"));
    result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::failed);
    EXPECT_TRUE(result->detail().startsWith(QStringLiteral("更新信息无法读取")))
        << result->detail().toStdString();

    // A feed that never ends is cut off once 4 MiB have arrived, not read to its end.
    FakeResponse endless = FakeResponse::withBody(200, "application/rss+xml", {});
    endless.framing = FakeResponse::Framing::Chunked;
    endless.parts = {
        {feedWith({}).left(60), 0}, {QByteArray(3 << 20, ' '), 10}, {QByteArray(3 << 20, ' '), 10}};
    endless.stallAfterParts = true;
    server.enqueue(endless);
    result = checkAgainst(server.url(QStringLiteral("/appcast.xml")));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::failed);
    EXPECT_TRUE(result->detail().contains(QStringLiteral("4 MiB"))) << result->detail().toStdString();
    EXPECT_TRUE(server.waitForClientAborts(1));

    // Nothing listens on a closed port.
    QUrl closed = server.url(QStringLiteral("/appcast.xml"));
    {
        FakeHttpServer gone;
        closed = gone.url(QStringLiteral("/appcast.xml"));
    }
    result = checkAgainst(closed);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::failed);
    EXPECT_FALSE(result->detail().isEmpty());
}

TEST_F(AppcastUpdaterTest, WithoutAFeedNothingIsRequestedAndThePackageManagerIsNamed) {
    const std::optional<UpdateCheckResult> result = checkAgainst(QUrl());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->kind, UpdateCheckResult::Kind::packageManager);
    EXPECT_EQ(result->headline(), QStringLiteral("Ondrel 1.4.0"));
    EXPECT_EQ(result->detail(), QStringLiteral("更新通过系统的软件包管理器提供。"));
    EXPECT_TRUE(server.requests().isEmpty());

    // A feed address that is not HTTP is refused without a request.
    const std::optional<UpdateCheckResult> bogus = checkAgainst(QUrl(QStringLiteral("file:///etc/passwd")));
    ASSERT_TRUE(bogus);
    EXPECT_EQ(bogus->kind, UpdateCheckResult::Kind::failed);
}

} // namespace
} // namespace tolvane

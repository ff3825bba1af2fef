#include "helper_process.h"
#include "platform/process_info.h"
#include "real_desktop.h"
#include "workflow/paste_back_controller.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <xcb/xtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

const QString appProgram = QStringLiteral(CLIPBOARD_TEST_APP);
const QString ownerProgram = QStringLiteral(SELECTION_OWNER);

class ClipboardRoadX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.service.isConnected()) << "needs the test session's X server";
        QImage image(16, 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        pngPath = tempDir.filePath(QStringLiteral("user.png"));
        ASSERT_TRUE(image.save(pngPath));
        QFile file(pngPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        pngBytes = file.readAll();
    }

    // The user's clipboard: "old" and a PNG, owned by another process.
    std::unique_ptr<HelperProcess> ownUserClipboard() {
        auto owner = std::make_unique<HelperProcess>(
            appProgram, QStringList{QStringLiteral("owner"), QStringLiteral("--text"), QStringLiteral("old"),
                                    QStringLiteral("--png"), pngPath});
        EXPECT_TRUE(owner->isReady());
        (void)QTest::qWaitFor([&] { return readClipboard() == QByteArray("old"); }, 3000);
        return owner;
    }

    std::optional<QByteArray> readClipboard(const char* target = "UTF8_STRING") {
        return readClipboardAsAnotherClient(foreignConnection, foreignContext, target);
    }
    bool readyInFront(const HelperProcess& app) {
        return app.isReady() && desktop.bringToFront(app.window());
    }
    void expectUserClipboardIntact() {
        EXPECT_EQ(readClipboard(), QByteArray("old"));
        EXPECT_EQ(readClipboard("image/png"), pngBytes);
    }
    std::shared_ptr<Outcome<std::optional<QString>>> copySelectedText() {
        return desktop.run<std::optional<QString>>(
            [this](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
    }
    std::shared_ptr<Outcome<bool>> pasteBack(const QString& text) {
        return desktop.run<void>(
            [this, text](CancellationToken token) { return pasteBackController.pasteBack(text, token); });
    }

    QTemporaryDir tempDir;
    QString pngPath;
    QByteArray pngBytes;
    RealDesktop desktop;
    PasteBackController pasteBackController{desktop.clipboard, desktop.keys, desktop.windows, systemClock()};
    X11InputService foreignConnection;
    QObject foreignContext;
};

TEST_F(ClipboardRoadX11, SyntheticCopyWithAltHeldReadsTextAndRestoresTheUserClipboard) {
    auto owner = ownUserClipboard();
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("  hello  ")});
    ASSERT_TRUE(readyInFront(app));

    // The user still holds Alt of the hot key.
    const xcb_keycode_t alt = desktop.keys.keycodeFor(XK_Alt_L, 64);
    xcb_test_fake_input(desktop.service.connection(), XCB_KEY_PRESS, alt, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
    xcb_flush(desktop.service.connection());

    auto out = copySelectedText();
    ASSERT_TRUE(out->done);
    ASSERT_FALSE(out->error);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("hello"));

    const std::optional<QString> key = app.waitForLine(QStringLiteral("KEY key=%1 ").arg(int(Qt::Key_C)));
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->endsWith(QStringLiteral("mods=4")))
        << "the target must see exactly Ctrl: " << key->toStdString();
    expectUserClipboardIntact();
}

TEST_F(ClipboardRoadX11, ConcealedCopyIsNeverReadAndTextWithImageGivesText) {
    auto owner = ownUserClipboard();
    {
        HelperProcess copier(appProgram,
                             {QStringLiteral("copier"), QStringLiteral("--text"), QStringLiteral("pw"),
                              QStringLiteral("--hint"), QStringLiteral("secret")});
        ASSERT_TRUE(readyInFront(copier));
        auto out = copySelectedText();
        ASSERT_TRUE(out->done);
        EXPECT_TRUE(out->failedWith<ClipboardError>());
        expectUserClipboardIntact();
    }
    HelperProcess copier(appProgram, {QStringLiteral("copier"), QStringLiteral("--text"),
                                      QStringLiteral(" both "), QStringLiteral("--png"), pngPath});
    ASSERT_TRUE(readyInFront(copier));
    auto out = copySelectedText();
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("both"));
    expectUserClipboardIntact();
}

TEST_F(ClipboardRoadX11, ClipboardManagerStandInNeverFeedsTheOldTextBack) {
    auto owner = ownUserClipboard();
    HelperProcess manager(appProgram, {QStringLiteral("manager"), QStringLiteral("old")});
    ASSERT_TRUE(manager.isReady());
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("fresh")});
    ASSERT_TRUE(readyInFront(app));
    auto out = copySelectedText();
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("fresh"));
}

TEST_F(ClipboardRoadX11, ContentsGivenBackAreHandedToAClipboardManagerWhenWeEnd) {
    HelperProcess manager(ownerProgram, {QStringLiteral("CLIPBOARD_MANAGER")});
    ASSERT_TRUE(manager.isReady());
    const ClipboardContents given{{{QStringLiteral("TARGETS"), QByteArray()},
                                   {QStringLiteral("text/html"), QByteArrayLiteral("<i>kept</i>")},
                                   {QStringLiteral("UTF8_STRING"), QByteArrayLiteral("kept")}}};
    {
        X11InputService connection;
        X11PasteboardBackend ending(connection);
        ASSERT_TRUE(ending.write(given));
    }
    EXPECT_TRUE(manager.waitForLine(QStringLiteral("SAVED 2")));
    EXPECT_EQ(readClipboard(), QByteArray("kept"));
    EXPECT_EQ(readClipboard("text/html"), QByteArray("<i>kept</i>"));
}

// The user's clipboard held by another client: xclip with text, xclip with a file list only, or a bare
// owner offering exactly an HTML and three plain-text targets.
class UserClipboardRounds : public ClipboardRoadX11, public ::testing::WithParamInterface<int> {
protected:
    std::unique_ptr<QProcess> startUserOwner() {
        auto owner = startClipboardOwner(GetParam(), ownerProgram);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return desktop.pasteboard.ownerPid(DesktopSelection::clipboard) == owner->processId(); },
            5000));
        return owner;
    }
    void readRounds(const QString& expected) {
        for (int round = 0; round < 25; ++round) {
            auto out = copySelectedText();
            ASSERT_TRUE(out->done && !out->error);
            ASSERT_EQ(out->value->value_or(QString()), expected) << "round " << round;
        }
    }
};

TEST_P(UserClipboardRounds, EveryTargetSurvivesReadsAndNothingCopiedLeavesTheOwnerAlone) {
    auto owner = startUserOwner();
    const ClipboardCensus before = clipboardCensus(foreignConnection, foreignContext);
    ASSERT_GE(before.targets.size(), 2) << "the owner must answer TARGETS and a content target";
    {
        HelperProcess idle(appProgram, {QStringLiteral("edit"), QString()});
        ASSERT_TRUE(readyInFront(idle));
        readRounds(QString());
        EXPECT_EQ(owner->state(), QProcess::Running);
        EXPECT_EQ(desktop.pasteboard.ownerPid(DesktopSelection::clipboard), owner->processId());
        EXPECT_EQ(clipboardCensus(foreignConnection, foreignContext), before);
    }
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("picked")});
    ASSERT_TRUE(readyInFront(app));
    readRounds(QStringLiteral("picked"));
    const ClipboardCensus after = clipboardCensus(foreignConnection, foreignContext);
    EXPECT_EQ(after.targets, before.targets);
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Owners, UserClipboardRounds, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 0   ? "XclipText"
                                                : info.param == 1 ? "XclipUriList"
                                                                  : "HtmlAndThreeTextTargets");
                         });

TEST_F(ClipboardRoadX11, AccessibilityReadsTheFocusedSelectionButNeverAPassword) {
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("  Grüße  ")}, true);
    ASSERT_TRUE(readyInFront(app));
    std::optional<CapturedSelection> selection;
    (void)QTest::qWaitFor(
        [&] { return (selection = desktop.reader.readSelectionSynchronously()).has_value(); }, 5000);
    ASSERT_TRUE(selection) << "the helper did not show up on the accessibility bus";
    EXPECT_EQ(selection->text, QStringLiteral("Grüße"));
    ASSERT_TRUE(selection->bounds);
    EXPECT_FALSE(selection->bounds->isEmpty());
    app.quit();

    auto owner = ownUserClipboard();
    HelperProcess password(
        appProgram, {QStringLiteral("edit"), QStringLiteral("hunter2"), QStringLiteral("password")}, true);
    ASSERT_TRUE(readyInFront(password));
    QTest::qWait(1500); // let it register on the bus
    EXPECT_EQ(desktop.reader.readSelectionSynchronously(), std::nullopt);
    auto out = desktop.run<std::optional<CapturedSelection>>(
        [&](CancellationToken token) { return desktop.reader.readSelection(token); });
    ASSERT_TRUE(out->done);
    EXPECT_EQ(*out->value, std::nullopt);
    expectUserClipboardIntact();
}

TEST_F(ClipboardRoadX11, PrimaryOfTheFrontmostApplicationIsReadAndAHungOwnerCannotFreezeUs) {
    HelperProcess owner(
        appProgram, {QStringLiteral("owner"), QStringLiteral("--primary"), QStringLiteral(" primary sel ")});
    ASSERT_TRUE(readyInFront(owner));
    (void)QTest::qWaitFor(
        [&] { return desktop.pasteboard.ownerPid(DesktopSelection::primary) == owner.pid(); }, 3000);
    auto primary = desktop.run<std::optional<CapturedSelection>>(
        [&](CancellationToken token) { return desktop.reader.readPrimarySelection(token); });
    ASSERT_TRUE(primary->done && *primary->value);
    EXPECT_EQ((*primary->value)->text, QStringLiteral("primary sel"));
    EXPECT_EQ((*primary->value)->bounds->size(), QSize(1, 1));

    HelperProcess hung(ownerProgram, {QStringLiteral("PRIMARY")});
    ASSERT_TRUE(readyInFront(hung));
    (void)QTest::qWaitFor(
        [&] { return desktop.pasteboard.ownerPid(DesktopSelection::primary) == hung.pid(); }, 3000);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    auto stuck = desktop.run<std::optional<CapturedSelection>>(
        [&](CancellationToken token) { return desktop.reader.readPrimarySelection(token); });
    ASSERT_TRUE(stuck->done) << "the read must give up on its own";
    EXPECT_EQ(*stuck->value, std::nullopt);
    EXPECT_GE(ticks, 2) << "the event loop kept running during the read";
}

TEST_F(ClipboardRoadX11, PasteBackReplacesTheSelectionAndGivesTheClipboardBack) {
    auto owner = ownUserClipboard();
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("source text")});
    ASSERT_TRUE(readyInFront(app));
    // The frontmost window is the helper's, named by its process and that process's start time.
    const std::optional<FrontmostWindow> front = desktop.windows.frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->target.pid, app.pid());
    EXPECT_EQ(front->target.startTime, processStartTime(app.pid()).value_or(1));
    EXPECT_FALSE(desktop.windows.isSelf(*front));
    pasteBackController.captureTarget();
    ASSERT_TRUE(pasteBackController.target());

    QWidget ours;
    ours.resize(200, 80);
    ours.show();
    ASSERT_TRUE(desktop.bringToFront(static_cast<quint32>(ours.winId())));
    auto out = pasteBack(QStringLiteral("译文"));
    ASSERT_TRUE(out->done);
    ASSERT_FALSE(out->error) << describeError(out->error).toStdString();
    app.send("print");
    EXPECT_EQ(app.waitForLine(QStringLiteral("TEXT")),
              QStringLiteral("TEXT ") + QString::fromLatin1(QStringLiteral("译文").toUtf8().toHex()));
    expectUserClipboardIntact();

    // Our own window in front at capture time: nothing to paste into.
    ASSERT_TRUE(desktop.bringToFront(static_cast<quint32>(ours.winId())));
    pasteBackController.captureTarget();
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::missingTargetApplication);
}

TEST_F(ClipboardRoadX11, PasteBackToAnApplicationThatQuitFails) {
    auto app =
        std::make_unique<HelperProcess>(appProgram, QStringList{QStringLiteral("edit"), QStringLiteral("a")});
    ASSERT_TRUE(readyInFront(*app));
    pasteBackController.captureTarget();
    EXPECT_TRUE(desktop.windows.isAlive(*pasteBackController.target()));
    app.reset();
    EXPECT_EQ(pasteBack(QStringLiteral("x"))->errorKind<PasteBackError>(),
              PasteBackError::Kind::targetApplicationUnavailable);
}

} // namespace
} // namespace tolvane::testing

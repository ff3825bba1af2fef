#include "clipboard_road_fixture.h"
#include "helper_process.h"
#include "platform/atspi/atspi_accessibility_backend.h"
#include "platform/permission_service.h"
#include "platform/process_info.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_selection_transfer.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"
#include "workflow/paste_back_controller.h"
#include "workflow/selection_reader.h"

#include <QCursor>
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
const QString hungOwnerProgram = QStringLiteral(HUNG_SELECTION_OWNER);

// The real desktop stack over the test session's X server.
struct RealDesktop {
    X11InputService service;
    X11PasteboardBackend pasteboard{service};
    XTestKeyInjector keys{service};
    X11WindowSystem windows{service};
    AtspiAccessibilityBackend accessibility;
    ClipboardManager clipboard{pasteboard, keys, windows, systemClock()};
    PermissionService permissions{currentSession()};
    SelectionReader reader{SelectionReader::Services{clipboard, pasteboard, accessibility, windows,
                                                     permissions, [] { return QCursor::pos(); },
                                                     currentScreenMappings}};
    PasteBackController pasteBack{clipboard, windows, systemClock()};
    QObject context;

    template <typename T>
    std::shared_ptr<Outcome<T>> run(std::function<QCoro::Task<T>(CancellationToken)> body,
                                    int timeoutMs = 8000) {
        auto out = std::make_shared<Outcome<T>>();
        spawn(&context, lcClipboard(),
              [out, body](CancellationToken token) { return collect<T>(body(token), out); });
        (void)QTest::qWaitFor([&] { return out->done; }, timeoutMs);
        return out;
    }

    std::shared_ptr<Outcome<bool>> runVoid(std::function<QCoro::Task<>(CancellationToken)> body) {
        auto out = std::make_shared<Outcome<bool>>();
        spawn(&context, lcClipboard(),
              [out, body](CancellationToken token) { return collectVoid(body(token), out); });
        (void)QTest::qWaitFor([&] { return out->done; }, 8000);
        return out;
    }

    bool bringToFront(quint32 window) {
        windows.activate(window);
        return QTest::qWaitFor(
            [&] {
                const auto front = windows.frontmost();
                return front && front->target.window == window;
            },
            5000);
    }
};

// Reads CLIPBOARD as another client would: over a connection of its own, answered by whoever owns it.
class ForeignReader {
public:
    std::optional<QByteArray> read(const char* target) {
        auto out = std::make_shared<Outcome<std::optional<QByteArray>>>();
        QPointer<X11InputService> service(&m_service);
        const xcb_atom_t clipboard = m_service.atom("CLIPBOARD");
        const xcb_atom_t atom = m_service.atom(target);
        spawn(&m_context, lcClipboard(), [=](CancellationToken token) {
            return collect<std::optional<QByteArray>>(
                convertSelection(service, &systemClock(), clipboard, atom, 2000ms, 1 << 26, token), out);
        });
        (void)QTest::qWaitFor([&] { return out->done; }, 5000);
        return out->value ? *out->value : std::nullopt;
    }

private:
    X11InputService m_service;
    QObject m_context;
};

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
        (void)QTest::qWaitFor([&] { return foreign.read("UTF8_STRING") == QByteArray("old"); }, 3000);
        return owner;
    }

    void expectUserClipboardIntact() {
        EXPECT_EQ(foreign.read("UTF8_STRING"), QByteArray("old"));
        EXPECT_EQ(foreign.read("image/png"), pngBytes);
    }

    QTemporaryDir tempDir;
    QString pngPath;
    QByteArray pngBytes;
    RealDesktop desktop;
    ForeignReader foreign;
};

TEST_F(ClipboardRoadX11, FrontmostIsTheHelperWindowWithItsProcess) {
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("x")});
    ASSERT_TRUE(app.isReady());
    ASSERT_TRUE(desktop.bringToFront(app.window()));
    const std::optional<FrontmostWindow> front = desktop.windows.frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->target.pid, app.pid());
    EXPECT_EQ(front->target.startTime, processStartTime(app.pid()).value_or(1));
    EXPECT_FALSE(desktop.windows.isSelf(*front));
    EXPECT_TRUE(desktop.windows.isAlive(front->target));
}

TEST_F(ClipboardRoadX11, SyntheticCopyWithAltHeldReadsTextAndRestoresTheUserClipboard) {
    auto owner = ownUserClipboard();
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("  hello  ")});
    ASSERT_TRUE(app.isReady());
    ASSERT_TRUE(desktop.bringToFront(app.window()));

    // The user still holds Alt of the hot key.
    const xcb_keycode_t alt = desktop.keys.keycodeFor(XK_Alt_L, 64);
    xcb_test_fake_input(desktop.service.connection(), XCB_KEY_PRESS, alt, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
    xcb_flush(desktop.service.connection());

    auto out = desktop.run<std::optional<QString>>(
        [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
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
        ASSERT_TRUE(copier.isReady());
        ASSERT_TRUE(desktop.bringToFront(copier.window()));
        auto out = desktop.run<std::optional<QString>>(
            [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
        ASSERT_TRUE(out->done);
        EXPECT_TRUE(out->failedWith<ClipboardError>());
        expectUserClipboardIntact();
    }
    HelperProcess copier(appProgram, {QStringLiteral("copier"), QStringLiteral("--text"),
                                      QStringLiteral(" both "), QStringLiteral("--png"), pngPath});
    ASSERT_TRUE(copier.isReady());
    ASSERT_TRUE(desktop.bringToFront(copier.window()));
    auto out = desktop.run<std::optional<QString>>(
        [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("both"));
    expectUserClipboardIntact();
}

TEST_F(ClipboardRoadX11, ClipboardManagerStandInNeverFeedsTheOldTextBack) {
    auto owner = ownUserClipboard();
    HelperProcess manager(appProgram, {QStringLiteral("manager"), QStringLiteral("old")});
    ASSERT_TRUE(manager.isReady());
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("fresh")});
    ASSERT_TRUE(app.isReady());
    ASSERT_TRUE(desktop.bringToFront(app.window()));
    auto out = desktop.run<std::optional<QString>>(
        [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
    ASSERT_TRUE(out->done);
    EXPECT_EQ(out->value->value_or(QString()), QStringLiteral("fresh"));
}

TEST_F(ClipboardRoadX11, AccessibilityReadsTheFocusedSelectionButNeverAPassword) {
    HelperProcess app(appProgram, {QStringLiteral("edit"), QStringLiteral("  Grüße  ")}, true);
    ASSERT_TRUE(app.isReady());
    ASSERT_TRUE(desktop.bringToFront(app.window()));
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
    ASSERT_TRUE(password.isReady());
    ASSERT_TRUE(desktop.bringToFront(password.window()));
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
    ASSERT_TRUE(owner.isReady());
    ASSERT_TRUE(desktop.bringToFront(owner.window()));
    (void)QTest::qWaitFor(
        [&] { return desktop.pasteboard.ownerPid(DesktopSelection::primary) == owner.pid(); }, 3000);
    auto primary = desktop.run<std::optional<CapturedSelection>>(
        [&](CancellationToken token) { return desktop.reader.readPrimarySelection(token); });
    ASSERT_TRUE(primary->done && *primary->value);
    EXPECT_EQ((*primary->value)->text, QStringLiteral("primary sel"));
    EXPECT_EQ((*primary->value)->bounds->size(), QSize(1, 1));

    HelperProcess hung(hungOwnerProgram, {QStringLiteral("PRIMARY")});
    ASSERT_TRUE(hung.isReady());
    ASSERT_TRUE(desktop.bringToFront(hung.window()));
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
    ASSERT_TRUE(app.isReady());
    ASSERT_TRUE(desktop.bringToFront(app.window()));
    desktop.pasteBack.captureTarget();
    ASSERT_TRUE(desktop.pasteBack.target());

    QWidget ours;
    ours.resize(200, 80);
    ours.show();
    ASSERT_TRUE(desktop.bringToFront(static_cast<quint32>(ours.winId())));
    auto out = desktop.runVoid(
        [&](CancellationToken token) { return desktop.pasteBack.pasteBack(QStringLiteral("译文"), token); });
    ASSERT_TRUE(out->done);
    ASSERT_FALSE(out->error) << describeError(out->error).toStdString();
    app.send("print");
    EXPECT_EQ(app.waitForLine(QStringLiteral("TEXT")),
              QStringLiteral("TEXT ") + QString::fromLatin1(QStringLiteral("译文").toUtf8().toHex()));
    expectUserClipboardIntact();

    // Our own window in front at capture time: nothing to paste into.
    ASSERT_TRUE(desktop.bringToFront(static_cast<quint32>(ours.winId())));
    desktop.pasteBack.captureTarget();
    auto missing = desktop.runVoid(
        [&](CancellationToken token) { return desktop.pasteBack.pasteBack(QStringLiteral("x"), token); });
    EXPECT_TRUE(missing->failedWith<PasteBackError>());
}

TEST_F(ClipboardRoadX11, PasteBackToAnApplicationThatQuitFails) {
    auto app =
        std::make_unique<HelperProcess>(appProgram, QStringList{QStringLiteral("edit"), QStringLiteral("a")});
    ASSERT_TRUE(app->isReady());
    ASSERT_TRUE(desktop.bringToFront(app->window()));
    desktop.pasteBack.captureTarget();
    app.reset();
    auto out = desktop.runVoid(
        [&](CancellationToken token) { return desktop.pasteBack.pasteBack(QStringLiteral("x"), token); });
    ASSERT_TRUE(out->done);
    ASSERT_TRUE(out->failedWith<PasteBackError>());
    try {
        std::rethrow_exception(out->error);
    } catch (const PasteBackError& error) {
        EXPECT_EQ(error.kind(), PasteBackError::Kind::targetApplicationUnavailable);
    }
}

} // namespace
} // namespace tolvane::testing

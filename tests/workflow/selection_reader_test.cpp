#include "clipboard_road_fixture.h"
#include "platform/permission_service.h"
#include "workflow/selection_reader.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

SessionInfo x11Session() {
    SessionInfo session;
    session.kind = SessionKind::x11;
    session.extensions.xtest = true;
    session.extensions.xinputMajor = 2;
    session.extensions.xinputMinor = 2;
    return session;
}

SessionInfo waylandSession() {
    SessionInfo session;
    session.kind = SessionKind::wayland;
    return session;
}

class SelectionReaderTest : public ::testing::Test {
protected:
    ClipboardRoad road;
    PermissionService granted{x11Session()};
    PermissionService notGranted{waylandSession()};
    const QPoint pointer{300, 200};

    std::unique_ptr<SelectionReader> makeReader(const PermissionService& permissions) {
        SelectionReader::Services services{
            road.clipboard,
            road.pasteboard,
            road.accessibility,
            road.windows,
            permissions,
            [this] { return pointer; },
            [] {
                // A 2x screen with a 1x screen to its right.
                return std::vector<ScreenMapping>{
                    {QRect(0, 0, 3840, 2160), QRectF(0, 0, 1920, 1080), 2.0},
                    {QRect(3840, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080), 1.0}};
            }};
        return std::make_unique<SelectionReader>(services);
    }

    std::shared_ptr<Outcome<std::optional<CapturedSelection>>> read(SelectionReader& reader) {
        auto [out, task] = road.start<std::optional<CapturedSelection>>(
            [&reader](CancellationToken token) { return reader.readSelection(token); });
        road.clock.advance(2s);
        EXPECT_TRUE(out->done);
        return out;
    }
};

TEST_F(SelectionReaderTest, SynchronousReadTrimsAccessibilityTextWithLogicalBoundsAndNeedsPermission) {
    auto reader = makeReader(granted);
    road.accessibility.setFocused(ClipboardRoad::appPid,
                                  {QStringLiteral("  Grüße \n"), QRect(200, 100, 80, 40)});
    std::optional<CapturedSelection> sync = reader->readSelectionSynchronously();
    ASSERT_TRUE(sync);
    EXPECT_EQ(sync->text, QStringLiteral("Grüße"));
    EXPECT_EQ(sync->bounds, QRect(100, 50, 40, 20));

    // On the second screen (ratio 1, starting at native x 3840 = logical x 1920).
    road.accessibility.setFocused(ClipboardRoad::appPid, {QStringLiteral("x"), QRect(3940, 10, 30, 12)});
    EXPECT_EQ(reader->readSelectionSynchronously()->bounds, QRect(2020, 10, 30, 12));

    // Zero-size extents: the text without bounds.
    road.accessibility.setFocused(ClipboardRoad::appPid, {QStringLiteral("y"), QRect(10, 10, 0, 0)});
    std::optional<CapturedSelection> noBounds = reader->readSelectionSynchronously();
    ASSERT_TRUE(noBounds);
    EXPECT_EQ(noBounds->bounds, std::nullopt);

    // White space is no selection, and without the permission nothing is read at all.
    road.accessibility.setFocused(ClipboardRoad::appPid, {QStringLiteral(" \n "), QRect()});
    EXPECT_EQ(reader->readSelectionSynchronously(), std::nullopt);
    road.accessibility.setFocused(ClipboardRoad::appPid, {QStringLiteral("text"), QRect()});
    EXPECT_EQ(makeReader(notGranted)->readSelectionSynchronously(), std::nullopt);
    EXPECT_TRUE(road.keys.sent().empty()) << "the synchronous read never copies";
}

TEST_F(SelectionReaderTest, PasswordFieldYieldsNothingFromAnySource) {
    auto reader = makeReader(granted);
    AccessibleSelection password;
    password.isPassword = true;
    road.accessibility.setFocused(ClipboardRoad::appPid, password);
    road.pasteboard.setPrimary(ClipboardRoad::text(QStringLiteral("secret")), ClipboardRoad::appPid);
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("secret"));
    road.setUserClipboard(ClipboardRoad::text(QStringLiteral("mine")));

    auto out = read(*reader);
    EXPECT_FALSE(out->error);
    EXPECT_EQ(*out->value, std::nullopt);
    EXPECT_TRUE(road.keys.sent().empty());
    EXPECT_EQ(road.pasteboard.clipboard(), ClipboardRoad::text(QStringLiteral("mine")));
}

TEST_F(SelectionReaderTest, PrimaryIsUsedOnlyWhenTheFrontmostApplicationOwnsIt) {
    auto reader = makeReader(granted);
    road.accessibility.setFocused(ClipboardRoad::appPid, {QStringLiteral("   "), QRect()});
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("copied"));

    road.pasteboard.setPrimary(ClipboardRoad::text(QStringLiteral(" stale elsewhere ")), 31337);
    auto fromCopy = read(*reader);
    ASSERT_TRUE(*fromCopy->value);
    EXPECT_EQ((*fromCopy->value)->text, QStringLiteral("copied"));
    EXPECT_EQ((*fromCopy->value)->bounds, QRect(pointer, QSize(1, 1)));

    road.pasteboard.setPrimary(ClipboardRoad::text(QStringLiteral(" primary text ")), ClipboardRoad::appPid);
    const size_t keysBefore = road.keys.sent().size();
    auto fromPrimary = read(*reader);
    ASSERT_TRUE(*fromPrimary->value);
    EXPECT_EQ((*fromPrimary->value)->text, QStringLiteral("primary text"));
    EXPECT_EQ((*fromPrimary->value)->bounds, QRect(pointer, QSize(1, 1)));
    EXPECT_EQ(road.keys.sent().size(), keysBefore) << "no synthetic copy once PRIMARY answered";
}

TEST_F(SelectionReaderTest, NothingAnywhereDependsOnThePermission) {
    road.copyAnswer.reset();
    auto withPermission = read(*makeReader(granted));
    EXPECT_FALSE(withPermission->error);
    EXPECT_EQ(*withPermission->value, std::nullopt);

    auto withoutPermission = read(*makeReader(notGranted));
    EXPECT_EQ(withoutPermission->errorKind<SelectionError>(),
              SelectionError::Kind::accessibilityPermissionRequired);

    // Without the permission an application answering Ctrl+C still gives its selection.
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("copied"));
    auto copied = read(*makeReader(notGranted));
    ASSERT_TRUE(*copied->value);
    EXPECT_EQ((*copied->value)->text, QStringLiteral("copied"));
}

TEST_F(SelectionReaderTest, ClipboardFailuresPassThrough) {
    auto reader = makeReader(granted);
    ClipboardContents concealed = ClipboardRoad::text(QStringLiteral("pw"));
    concealed.formats.push_back({QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray()});
    road.copyAnswer = concealed;
    EXPECT_TRUE(read(*reader)->failedWith<ClipboardError>());

    road.copyAnswer.reset();
    auto [out, task] = road.start<std::optional<CapturedSelection>>(
        [&reader](CancellationToken token) { return reader->readSelection(token); });
    road.clock.advance(80ms);
    task.cancel();
    drainEventLoop();
    EXPECT_TRUE(out->failedWith<CancelledError>());
}

TEST_F(SelectionReaderTest, TerminalWithoutOtherSourcesGetsNoKeystroke) {
    road.windows.setFront(road.windows.addWindow(0x700001, 777, 5, QStringLiteral("kitty")));
    road.copyAnswer = ClipboardRoad::text(QStringLiteral("would interrupt"));
    auto out = read(*makeReader(granted));
    EXPECT_EQ(*out->value, std::nullopt);
    EXPECT_TRUE(road.keys.sent().empty());
}

} // namespace
} // namespace tolvane::testing

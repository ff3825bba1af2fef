// What the application holds while it idles, read from the kernel's account of this process: the delegate in
// process on the test session's desktop, with the main window's content as the program builds it.
#include "app/app_delegate.h"
#include "app/desktop_services.h"
#include "desktop_delegate.h"
#include "model/app_settings.h"
#include "scoped_environment.h"
#include "workspace/main_translate_view.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

// Resident kilobytes of this process's read-only mappings of font files.
qint64 fontFilePagesKb() {
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return -1;
    static const QList<QByteArray> suffixes{".ttf", ".otf", ".ttc", ".otc", ".pfb", ".pcf", ".woff"};
    qint64 total = 0;
    bool inFont = false;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // A mapping's header: start-end perms offset device inode path.
        if (fields.size() >= 5 && fields[0].contains('-') && fields[1].size() == 4) {
            const QByteArray path = fields.size() >= 6 ? fields.sliced(5).join(' ').toLower() : QByteArray();
            inFont = fields[1] == "r--p" && std::any_of(suffixes.begin(), suffixes.end(),
                                                        [&](const auto& s) { return path.endsWith(s); });
        } else if (inFont && fields.value(0) == "Rss:") {
            total += fields.value(1).toLongLong();
        }
    }
    return total;
}

// The first frame draws from mapped font files; once start-up has finished those pages are let go, so the
// idle application does not keep megabytes of glyph outlines nothing reads again.
TEST(IdleMemory, FontFilePagesTheStartDrewFromAreLetGoOnceItHasFinished) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ScopedEnvironment folders;
    folders.redirectUserFolders(home.path());
    std::unique_ptr<AppDelegate> delegate = makeDesktopDelegate(
        DesktopServices::x11(SessionKind::x11), AppFactories{.mainContent = MainTranslateView::factory()});
    delegate->settings().defaults().setValue(AppDelegate::hasSeenGuideKey, true);
    // Read as start-up finishes, before the release it queues has run.
    qint64 atFinish = -1;
    QObject::connect(delegate.get(), &AppDelegate::startupFinished, [&] { atFinish = fontFilePagesKb(); });
    ASSERT_TRUE(startUntilFinished(*delegate));
    ASSERT_GT(atFinish, 256) << "the first frame was drawn from mapped font files";

    qint64 idle = fontFilePagesKb();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            idle = fontFilePagesKb();
            return idle < atFinish / 4;
        },
        10000))
        << atFinish << " kB at the end of start-up, " << idle << " kB later";
    RecordProperty("fontFilePagesKbAtStartupEnd", int(atFinish));
    RecordProperty("fontFilePagesKbIdle", int(idle));
}

} // namespace
} // namespace tolvane::testing

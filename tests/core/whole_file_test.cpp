#include "core/whole_file.h"
#include "support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A disk that takes no more bytes, under a write small enough to stay in the file's buffer until it is
// flushed and under one large enough to reach the device at once: the target keeps what it held (or stays
// absent), the failure is told in the system's words, and no temporary file is left beside it.
TEST(WholeFile, AWriteTheDiskCannotHoldLeavesTheTargetAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("existing.txt"));
    ASSERT_FALSE(writeWholeFile(existing, "the user's earlier words\n"));
    const QString fresh = dir.filePath(QStringLiteral("fresh.txt"));
    const std::pair<const char*, QByteArray> writes[] = {
        {"a buffered write", QByteArray("new words")},
        {"a direct write", QByteArray(256 * 1024, 'x')},
    };
    for (const auto& [name, bytes] : writes) {
        std::optional<QString> onExisting;
        std::optional<QString> onFresh;
        {
            FileSizeLimit full(0);
            ASSERT_TRUE(full.isApplied());
            onExisting = writeWholeFile(existing, bytes);
            onFresh = writeWholeFile(fresh, bytes);
        }
        ASSERT_TRUE(onExisting.has_value()) << name << ": reported as written";
        EXPECT_EQ(*onExisting, qt_error_string(EFBIG)) << name;
        EXPECT_EQ(contentOf(existing), "the user's earlier words\n") << name;
        EXPECT_TRUE(onFresh.has_value()) << name << ": reported as written";
        EXPECT_FALSE(QFile::exists(fresh)) << name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("existing.txt")})
            << name;
    }
    // With room again the same write replaces the file, with the permissions asked for.
    ASSERT_FALSE(writeWholeFile(existing, "later words", QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(contentOf(existing), "later words");
    EXPECT_EQ(QFile::permissions(existing) & 0x0FFF, QFileDevice::ReadUser | QFileDevice::WriteUser);
}

} // namespace
} // namespace tolvane::testing

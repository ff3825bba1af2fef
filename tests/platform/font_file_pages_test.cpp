#include "platform/font_file_pages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tolvane {
namespace {

constexpr qsizetype kFileBytes = 512 * 1024;

QByteArray pattern() {
    QByteArray bytes(kFileBytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 31 % 251);
    return bytes;
}

// A file of the pattern mapped privately with `protection`, every page read once.
struct MappedFile {
    MappedFile(const QString& path, int protection) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(pattern()) != kFileBytes)
            return;
        file.close();
        const int fd = open(QFile::encodeName(path).constData(), protection & PROT_WRITE ? O_RDWR : O_RDONLY);
        void* mapped = mmap(nullptr, kFileBytes, protection, MAP_PRIVATE, fd, 0);
        close(fd);
        if (mapped == MAP_FAILED)
            return;
        bytes = static_cast<char*>(mapped);
        const volatile char* pages = bytes;
        for (qsizetype i = 0; i < kFileBytes; i += 4096)
            (void)pages[i];
    }
    ~MappedFile() {
        if (bytes)
            munmap(bytes, kFileBytes);
    }
    // Resident kilobytes of this mapping, from the kernel's account of the process.
    qint64 residentKb() const {
        QFile smaps(QStringLiteral("/proc/self/smaps"));
        if (!smaps.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray start = QByteArray::number(quintptr(bytes), 16) + '-';
        bool inside = false;
        for (const QByteArray& line : smaps.readAll().split('\n')) {
            if (!line.isEmpty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.contains('-'))
                inside = line.startsWith(start);
            else if (inside && line.startsWith("Rss:"))
                return line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
        return -1;
    }

    char* bytes = nullptr;
};

TEST(FontFilePages, ReadOnlyFontMappingsLetGoOfTheirPagesAndReadTheSameAfterwards) {
    QTemporaryDir folder;
    MappedFile font(folder.filePath(QStringLiteral("Face Name.TTC")), PROT_READ);
    MappedFile other(folder.filePath(QStringLiteral("notes.txt")), PROT_READ);
    // A writable private mapping holds the process's own changes: they must survive.
    MappedFile changed(folder.filePath(QStringLiteral("changed.otf")), PROT_READ | PROT_WRITE);
    ASSERT_TRUE(font.bytes && other.bytes && changed.bytes);
    changed.bytes[0] = 'X';
    ASSERT_GE(font.residentKb(), kFileBytes / 1024);

    releaseMappedFontFilePages();

    EXPECT_EQ(font.residentKb(), 0);
    EXPECT_GE(other.residentKb(), kFileBytes / 1024) << "only font files are released";
    EXPECT_EQ(QByteArray(font.bytes, kFileBytes), pattern()) << "the pages come back from the file";
    EXPECT_EQ(changed.bytes[0], 'X');
}

} // namespace
} // namespace tolvane

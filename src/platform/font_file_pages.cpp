#include "platform/font_file_pages.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <sys/mman.h>

namespace tolvane {
namespace {

bool isFontFile(const QByteArray& path) {
    static const QList<QByteArray> suffixes{".ttf", ".otf", ".ttc", ".otc", ".pfb", ".pcf", ".woff"};
    for (const QByteArray& suffix : suffixes) {
        if (path.endsWith(suffix))
            return true;
    }
    return false;
}

} // namespace

void releaseMappedFontFilePages() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    // Each line: start-end perms offset device inode path.
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "r--p" || !isFontFile(fields.sliced(5).join(' ').toLower()))
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        bool startOk = false, endOk = false;
        const quintptr start = range.value(0).toULongLong(&startOk, 16);
        const quintptr end = range.value(1).toULongLong(&endOk, 16);
        if (startOk && endOk && end > start)
            madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
    }
}

} // namespace tolvane

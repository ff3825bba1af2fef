#include "core/whole_file.h"

#include <QSaveFile>

namespace tolvane {

std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes,
                                      std::optional<QFileDevice::Permissions> permissions) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (permissions && !file.setPermissions(*permissions)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    // QSaveFile::commit() only looks at errors of writes that reached the device directly: a buffered write
    // that fails when commit() flushes it (ENOSPC, EFBIG) is renamed over the target all the same. Flushing
    // here and checking the device's error first keeps such a file from ever replacing the target.
    const bool whole =
        file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    if (!whole) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace tolvane

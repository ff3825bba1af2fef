#include "platform/process_info.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>

namespace tolvane {

std::optional<quint64> parseProcessStartTime(const QByteArray& statText) {
    const qsizetype close = statText.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // After ")" come fields 3 (state) onwards; the start time is field 22, the 20th of them.
    const QList<QByteArray> fields = statText.mid(close + 1).simplified().split(' ');
    constexpr int startTimeIndex = 22 - 3;
    if (fields.size() <= startTimeIndex)
        return std::nullopt;
    bool ok = false;
    const quint64 value = fields.at(startTimeIndex).toULongLong(&ok);
    return ok ? std::optional<quint64>(value) : std::nullopt;
}

std::optional<quint64> processStartTime(qint64 pid) {
    if (pid <= 0)
        return std::nullopt;
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseProcessStartTime(file.readAll());
}

bool isProcessRunning(qint64 pid) {
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool holdsPseudoTerminalMaster(qint64 pid) {
    if (pid <= 0)
        return false;
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& name :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(descriptors.filePath(name));
        if (target == QLatin1String("/dev/ptmx") || target == QLatin1String("/dev/pts/ptmx"))
            return true;
    }
    return false;
}

} // namespace tolvane

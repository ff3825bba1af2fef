#pragma once

#include <QFile>

namespace tolvane {

// Restarts the kernel's peak-resident count of this process; false where the kernel does not allow it.
inline bool resetPeakResident() {
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// One "<field>: <kB> kB" line of /proc/self/status in MiB, or -1.
inline double statusMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Peak resident memory since the last reset (VmHWM) in MiB.
inline double peakResidentMiB() {
    return statusMiB("VmHWM:");
}

// Resident memory now (VmRSS) in MiB.
inline double residentMiB() {
    return statusMiB("VmRSS:");
}

} // namespace tolvane

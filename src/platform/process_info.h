#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace tolvane {

// The start time (clock ticks after boot, field 22) from the text of /proc/<pid>/stat. The command name in
// parentheses may itself hold spaces and parentheses, so fields are counted after the last ')'.
std::optional<quint64> parseProcessStartTime(const QByteArray& statText);

// The start time of a running process; absent when it does not exist.
std::optional<quint64> processStartTime(qint64 pid);

// The process exists (it may belong to another user).
bool isProcessRunning(qint64 pid);

// The process has a pseudo-terminal master open (/dev/ptmx or /dev/pts/ptmx): it is a terminal emulator, or
// hosts one. False when its descriptors cannot be listed (another user's process).
bool holdsPseudoTerminalMaster(qint64 pid);

} // namespace tolvane

#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>

namespace tolvane {

// Replaces the file at `path` with `bytes`, whole or not at all. The bytes go to a temporary file beside the
// target (given `permissions` before the first byte, when any are given), which replaces the target only
// once every byte reached it: written in full, flushed without a device error, synced. On any failure the
// temporary file is removed and the target keeps its old bytes (or stays absent).
// The system's words for the failure (Qt's errorString()), none when the file was written.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes,
                                      std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace tolvane

#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace tolvane::endpoint {

// The configured base URL, trimmed of white space and newlines, when it is an absolute http(s) URL with a
// host; nullopt otherwise (empty text, unparseable text, "localhost:8080/v1" whose scheme is "localhost").
std::optional<QUrl> parseBaseURL(const QString& configured);

// `base` with `relativePath` appended to its path with exactly one "/" between them: one trailing "/" of
// the base path is dropped first. Percent-escapes of the base path and its query are kept.
QUrl appendingPath(const QUrl& base, const QString& relativePath);

} // namespace tolvane::endpoint

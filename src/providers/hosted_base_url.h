#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace tolvane {

// The hosted service used when nothing overrides it.
inline constexpr char kDefaultHostedBaseURL[] = "https://api.tolvane.app/";
// Overrides the base URL for tests and local runs against a fake service.
inline constexpr char kHostedBaseURLEnvironmentVariable[] = "TOLVANE_HOSTED_BASE_URL";
// The application's information resource: a JSON object whose "HostedBaseURL" string may set the URL.
inline constexpr char kApplicationInfoResource[] = ":/tolvane/info.json";
inline constexpr char kHostedBaseURLInfoKey[] = "HostedBaseURL";

// The first usable candidate: the environment value, then the information entry, then the default. A
// candidate is usable when, trimmed, it is not empty, holds no unexpanded "$(" reference and is an absolute
// http(s) URL with a host.
QUrl resolveHostedBaseURL(const std::optional<QString>& environmentValue,
                          const std::optional<QString>& infoValue);
// The same with the process environment and the application's information resource.
QUrl resolveHostedBaseURL();

} // namespace tolvane

#include "providers/endpoint_url.h"

#include "core/text.h"

namespace tolvane::endpoint {

std::optional<QUrl> parseBaseURL(const QString& configured) {
    const QString text = text::trimmed(configured);
    if (text.isEmpty())
        return std::nullopt;
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QUrl appendingPath(const QUrl& base, const QString& relativePath) {
    QString path = base.path(QUrl::FullyEncoded);
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    path += QLatin1Char('/') + relativePath;
    QUrl url = base;
    // TolerantMode keeps "%2F" as it stands; the default mode would turn it into "%252F".
    url.setPath(path, QUrl::TolerantMode);
    return url;
}

} // namespace tolvane::endpoint

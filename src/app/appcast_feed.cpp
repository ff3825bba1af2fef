#include "app/appcast_feed.h"

#include <QXmlStreamReader>

namespace tolvane {

namespace {

QVersionNumber parseVersion(const QString& text) {
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text.trimmed(), &suffix);
    // "1.2.3" only: a version followed by other text ("1.2 beta") is not comparable.
    if (version.isNull() || suffix != text.trimmed().size())
        return {};
    return version;
}

struct ItemReading {
    QString shortVersion;
    QString bundleVersion;
    QUrl link;
    QUrl enclosure;

    std::optional<AppcastRelease> release() const {
        const QString text = shortVersion.isEmpty() ? bundleVersion : shortVersion;
        const QVersionNumber version = parseVersion(text);
        if (version.isNull())
            return std::nullopt;
        return AppcastRelease{text.trimmed(), version, link.isValid() && !link.isEmpty() ? link : enclosure};
    }
};

bool isNamed(const QXmlStreamReader& xml, QLatin1String localName) {
    return xml.name() == localName;
}

} // namespace

QString AppcastError::description() const {
    return QStringLiteral("更新信息无法读取（%1）。").arg(m_detail);
}

AppcastRelease newestAppcastRelease(const QByteArray& feed) {
    QXmlStreamReader xml(feed);
    bool sawRss = false;
    std::optional<ItemReading> item;
    std::optional<AppcastRelease> newest;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (isNamed(xml, QLatin1String("rss")))
                sawRss = true;
            else if (isNamed(xml, QLatin1String("item")))
                item.emplace();
            else if (item && isNamed(xml, QLatin1String("enclosure"))) {
                const QXmlStreamAttributes attributes = xml.attributes();
                for (const QXmlStreamAttribute& attribute : attributes) {
                    if (attribute.name() == QLatin1String("shortVersionString"))
                        item->shortVersion = attribute.value().toString();
                    else if (attribute.name() == QLatin1String("version"))
                        item->bundleVersion = attribute.value().toString();
                    else if (attribute.name() == QLatin1String("url"))
                        item->enclosure = QUrl(attribute.value().toString());
                }
            } else if (item && isNamed(xml, QLatin1String("shortVersionString")))
                item->shortVersion = xml.readElementText();
            else if (item && isNamed(xml, QLatin1String("version")))
                item->bundleVersion = xml.readElementText();
            else if (item && isNamed(xml, QLatin1String("link")) && xml.namespaceUri().isEmpty())
                item->link = QUrl(xml.readElementText().trimmed());
        } else if (token == QXmlStreamReader::EndElement && item && isNamed(xml, QLatin1String("item"))) {
            if (const std::optional<AppcastRelease> release = item->release();
                release && (!newest || release->version > newest->version))
                newest = release;
            item.reset();
        }
    }
    if (xml.hasError())
        throw AppcastError(xml.errorString());
    if (!sawRss)
        throw AppcastError(QStringLiteral("not an RSS feed"));
    if (!newest)
        throw AppcastError(QStringLiteral("no release with a version"));
    return *newest;
}

} // namespace tolvane

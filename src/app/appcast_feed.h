#pragma once

#include "core/app_error.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVersionNumber>
#include <optional>

namespace tolvane {

// The update feed could not be read as an appcast.
class AppcastError final : public AppError {
public:
    explicit AppcastError(QString detail) : m_detail(std::move(detail)) {}
    QString description() const override;

private:
    QString m_detail;
};

// One release named by an appcast feed.
struct AppcastRelease {
    QString versionText;
    QVersionNumber version;
    // The release's page (the item's link, else its enclosure's address); may be empty.
    QUrl link;
};

// The newest release of an RSS appcast: the item with the highest "sparkle:shortVersionString" (an
// attribute of its enclosure or an element of its own, falling back to "sparkle:version"). Items without a
// readable version are skipped. Throws AppcastError for text that is not well-formed XML, is not RSS, or
// names no release at all.
AppcastRelease newestAppcastRelease(const QByteArray& feed);

} // namespace tolvane

#include "workspace/drop_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QStringDecoder>
#include <QThreadPool>

namespace tolvane {
namespace {

using Loaded = std::variant<std::monostate, QImage, QString>;

Loaded readDroppedFile(const QString& path) {
    // Only regular files: a FIFO or a device would block the read, a directory has no content.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (reader.canRead()) {
        QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    if (info.size() > maximumDroppedTextBytes)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(maximumDroppedTextBytes + 1);
    if (bytes.size() > maximumDroppedTextBytes)
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

} // namespace

DropContent classifyDrop(const QMimeData& data) {
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            return DroppedFile{url.toLocalFile()};
    }
    if (data.hasImage()) {
        QImage image = qvariant_cast<QImage>(data.imageData());
        if (!image.isNull())
            return DroppedImage{std::move(image)};
    }
    if (data.hasText())
        return DroppedText{data.text()};
    return {};
}

void loadDroppedFile(const QString& path, QObject* receiver, std::function<void(QImage)> onImage,
                     std::function<void(QString)> onText) {
    QPointer<QObject> target(receiver);
    QThreadPool::globalInstance()->start([path, target, onImage = std::move(onImage),
                                          onText = std::move(onText)]() mutable {
        Loaded loaded = readDroppedFile(path);
        if (std::holds_alternative<std::monostate>(loaded))
            return;
        // Back on the main thread through the application object, which outlives every receiver; the
        // receiver itself is only looked at there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, loaded = std::move(loaded), onImage = std::move(onImage), onText = std::move(onText)] {
                if (!target)
                    return;
                if (const QImage* image = std::get_if<QImage>(&loaded); image && onImage)
                    onImage(*image);
                else if (const QString* text = std::get_if<QString>(&loaded); text && onText)
                    onText(*text);
            },
            Qt::QueuedConnection);
    });
}

} // namespace tolvane

#include "workspace/drop_loader.h"

#include "core/system_error_text.h"
#include "core/text.h"

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

struct Refusal {
    QString reason;
};
using Loaded = std::variant<Refusal, QImage, QString>;

Refusal notTextOrImage(const QString& detail) {
    return {QStringLiteral("不是文本或图片：%1").arg(detail)};
}

Refusal tooLarge(const QString& detail) {
    return {QStringLiteral("文件过大：%1").arg(detail)};
}

Loaded readDroppedFile(const QString& path) {
    // Only regular files: a FIFO or a device would block the read, a directory has no content.
    const QFileInfo info(path);
    if (info.isDir())
        return notTextOrImage(QStringLiteral("文件夹无法翻译，请拖放其中的文本文件或图片。"));
    if (!info.exists())
        return Refusal{QStringLiteral("无法读取文件：文件不存在。")};
    if (!info.isFile())
        return notTextOrImage(QStringLiteral("只能读取普通的文本文件和图片。"));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (reader.canRead()) {
        const QSize size = reader.size();
        QImage image = reader.read();
        if (!image.isNull())
            return image;
        // Qt refuses pictures whose pixels would exceed its allocation limit.
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (size.isValid() && bytes > qint64(QImageReader::allocationLimit()) * 1024 * 1024)
            return tooLarge(
                QStringLiteral("图片有 %1 × %2 像素，无法读取。").arg(size.width()).arg(size.height()));
        return Refusal{QStringLiteral("无法读取图片：%1").arg(reader.errorString())};
    }
    const QString textLimit =
        QStringLiteral("文本文件最多 %1 MB。").arg(maximumDroppedTextBytes / (1024 * 1024));
    if (info.size() > maximumDroppedTextBytes)
        return tooLarge(textLimit);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Refusal{QStringLiteral("无法读取文件：%1。").arg(system_error::inChinese(file.errorString()))};
    const QByteArray bytes = file.read(maximumDroppedTextBytes + 1);
    // A failed read (an I/O error of the disk or the file system) returns what it got so far, often nothing.
    if (file.error() != QFileDevice::NoError)
        return Refusal{QStringLiteral("无法读取文件：%1。").arg(system_error::inChinese(file.errorString()))};
    if (bytes.size() > maximumDroppedTextBytes)
        return tooLarge(textLimit);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        return notTextOrImage(QStringLiteral("只能读取 UTF-8 文本文件和常见格式的图片。"));
    if (text::trimmed(text).isEmpty())
        return Refusal{QStringLiteral("文件里没有文字：它是空的或只有空白。")};
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
                     std::function<void(QString)> onText, std::function<void(QString)> onRefused) {
    QPointer<QObject> target(receiver);
    QThreadPool::globalInstance()->start([path, target, onImage = std::move(onImage),
                                          onText = std::move(onText),
                                          onRefused = std::move(onRefused)]() mutable {
        Loaded loaded = readDroppedFile(path);
        // Back on the main thread through the application object, which outlives every receiver; the
        // receiver itself is only looked at there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, loaded = std::move(loaded), onImage = std::move(onImage), onText = std::move(onText),
             onRefused = std::move(onRefused)] {
                if (!target)
                    return;
                if (const QImage* image = std::get_if<QImage>(&loaded); image && onImage)
                    onImage(*image);
                else if (const QString* text = std::get_if<QString>(&loaded); text && onText)
                    onText(*text);
                else if (const Refusal* refusal = std::get_if<Refusal>(&loaded); refusal && onRefused)
                    onRefused(refusal->reason);
            },
            Qt::QueuedConnection);
    });
}

} // namespace tolvane

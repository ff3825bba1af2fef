#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <variant>

class QMimeData;

namespace tolvane {

// What a drag or drop carries, decided over the whole of it: a local file first, then an image, then
// plain text (a list of web addresses counts as text). Copied out of the drag, so it outlives the event.
struct DroppedFile {
    QString path;
};
struct DroppedImage {
    QImage image;
};
struct DroppedText {
    QString text;
};
using DropContent = std::variant<std::monostate, DroppedFile, DroppedImage, DroppedText>;

DropContent classifyDrop(const QMimeData& data);

// The largest text file taken from a drop.
inline constexpr qint64 maximumDroppedTextBytes = 2 * 1024 * 1024;

// Reads a dropped file away from the main thread: an image (recognised by its content) goes to `onImage`,
// a UTF-8 text of at most 2 MiB with more than blanks to `onText`. Anything else (a folder or special file,
// too large, binary, not UTF-8, empty or blank, unreadable or failing while read) goes to `onRefused` with
// the reason in the window's words. The callbacks run on
// the main thread, and only while `receiver` is alive.
void loadDroppedFile(const QString& path, QObject* receiver, std::function<void(QImage)> onImage,
                     std::function<void(QString)> onText, std::function<void(QString)> onRefused);

} // namespace tolvane

#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

// Asks where to save, given the proposed file name; none when the user cancelled.
using SaveLocationChooser = std::function<std::optional<QString>(const QString& proposedName)>;

// The chooser of the running application: a modal save dialog for plain-text files over `parent`.
SaveLocationChooser saveDialogChooser(QWidget* parent);

// Writes `text` to `path` as UTF-8, atomically: the file holds either its old content or all of the new.
// The failure in Chinese words (logged too), saying that an existing file was left unchanged; none when
// written.
std::optional<QString> writeTextFile(const QString& path, const QString& text);

} // namespace tolvane

#pragma once

#include <QString>

namespace tolvane {

// Puts plain text on the general clipboard, in turn behind any borrow of the clipboard in progress.
class ClipboardWriter {
public:
    virtual ~ClipboardWriter() = default;
    virtual void writePlainText(const QString& text) = 0;
};

} // namespace tolvane

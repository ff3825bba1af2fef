#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace tolvane {

// What the accessibility bus reports about the focused element of an application.
struct AccessibleSelection {
    // The selected text as reported, untrimmed; empty when nothing is selected.
    QString text;
    // The selected range's extents in screen pixels (the X root window); empty when unknown.
    QRect nativeExtents;
    // The focused element is a password field: nothing may be read from it by any means.
    bool isPassword = false;
};

// Reads the focused element of an application through the accessibility bus. Calls block for a short,
// bounded time and never run the event loop.
class AccessibilityBackend {
public:
    virtual ~AccessibilityBackend() = default;
    // The focused element of the process `pid` and its selection; absent when the bus, the application or a
    // focused element cannot be found.
    virtual std::optional<AccessibleSelection> focusedSelection(qint64 pid) = 0;
};

} // namespace tolvane

#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace tolvane {

// Text the user selected in another application, with where it is on screen when that is known.
struct CapturedSelection {
    // Trimmed of white space and newlines at both ends; never empty.
    QString text;
    // Qt global logical coordinates (top-left origin). A 1 x 1 rectangle at the pointer when the selection
    // came through PRIMARY or a synthetic copy, whose position is unknown.
    std::optional<QRect> bounds;

    friend bool operator==(const CapturedSelection&, const CapturedSelection&) = default;
};

} // namespace tolvane

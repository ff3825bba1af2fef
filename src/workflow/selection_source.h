#pragma once

#include "core/async/cancellation.h"
#include "workflow/captured_selection.h"

#include <QCoroTask>
#include <optional>

namespace tolvane {

// The coordinator's view of the selected-text reader.
class SelectionSource {
public:
    virtual ~SelectionSource() = default;
    // The accessibility-only read: never waits, never touches the clipboard.
    virtual std::optional<CapturedSelection> readSelectionSynchronously() = 0;
    // Accessibility first, then the clipboard fallback. No value when nothing is selected anywhere; every
    // other failure (a missing permission, sensitive clipboard content, cancellation) is thrown.
    virtual QCoro::Task<std::optional<CapturedSelection>> readSelection(CancellationToken token) = 0;
};

} // namespace tolvane

#include "workflow/operation_bookkeeping.h"

namespace tolvane {

namespace {

using HistoryId = OperationBookkeeping::HistoryId;
using ManualMode = OperationBookkeeping::ManualMode;

// Columns: history links, input history id, capture target, cancel auto task, renew auto generation,
// clear last auto failure, cancel current task, bump explicit cancellation, manual mode.
constexpr OperationBookkeeping row(bool links, HistoryId id, bool target, bool autoTask, bool generation,
                                   bool autoFailure, bool current, bool explicitCancel, ManualMode mode) {
    return {links, id, target, autoTask, generation, autoFailure, current, explicitCancel, mode};
}

} // namespace

OperationBookkeeping bookkeepingFor(EntryOperation operation) {
    constexpr bool x = true;
    constexpr bool _ = false;
    switch (operation) {
    case EntryOperation::translateSelection:
    case EntryOperation::translateCapturedSelection:
        return row(x, HistoryId::cleared, x, x, x, _, x, _, ManualMode::leave);
    case EntryOperation::translateText:
        return row(x, HistoryId::cleared, _, x, x, x, x, _, ManualMode::leave);
    case EntryOperation::beginScreenshotCapture:
        // Leaves manual input so that recognised text never lands behind the manual-input field.
        return row(x, HistoryId::cleared, _, x, _, _, x, _, ManualMode::leave);
    case EntryOperation::translateRecognizedText:
    case EntryOperation::showRecognizedText:
        return row(x, HistoryId::cleared, _, _, _, _, x, _, ManualMode::unchanged);
    case EntryOperation::stopTranslation:
        return row(_, HistoryId::unchanged, _, x, _, _, x, x, ManualMode::unchanged);
    case EntryOperation::dismissPanel:
        return row(_, HistoryId::cleared, _, _, _, _, x, x, ManualMode::leave);
    case EntryOperation::resetWorkflow:
        return row(x, HistoryId::cleared, _, x, _, x, x, x, ManualMode::leave);
    case EntryOperation::translateInputText:
        return row(x, HistoryId::keepOrCreate, _, x, x, x, x, _, ManualMode::leave);
    case EntryOperation::translateManualInput:
        return row(x, HistoryId::keepOrCreate, _, x, x, x, x, _, ManualMode::enter);
    case EntryOperation::translateManualInputEmpty:
        return row(x, HistoryId::unchanged, _, x, x, x, x, _, ManualMode::enter);
    case EntryOperation::showHistoryEntry:
        return row(_, HistoryId::cleared, _, x, x, x, x, x, ManualMode::leave);
    }
    return {};
}

} // namespace tolvane

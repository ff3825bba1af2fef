#pragma once

namespace tolvane {

// What an entry operation does to the coordinator's bookkeeping before it starts any work: one row per
// operation, applied by WorkflowCoordinator::applyBookkeeping() in column order.
struct OperationBookkeeping {
    enum class HistoryId { unchanged, cleared, keepOrCreate };
    enum class ManualMode { unchanged, leave, enter };

    bool clearsHistoryLinks = false; // displayedHistoryEntryID and restoredHistorySourceText
    HistoryId inputHistoryId = HistoryId::unchanged;
    bool capturesPasteTarget = false;
    bool cancelsAutoTranslateTask = false;
    bool renewsAutoTranslateGeneration = false;
    bool clearsLastAutoFailedRequest = false;
    bool cancelsCurrentTask = false;
    bool bumpsExplicitCancellation = false;
    ManualMode manualMode = ManualMode::unchanged;
};

enum class EntryOperation {
    translateSelection,
    translateCapturedSelection,
    translateText,
    beginScreenshotCapture,
    translateRecognizedText,
    showRecognizedText,
    stopTranslation,
    dismissPanel,
    resetWorkflow,
    translateInputText,
    translateManualInput,
    translateManualInputEmpty,
    showHistoryEntry,
};

// The row of `operation`. showHistoryEntry sets the history links from the entry afterwards.
OperationBookkeeping bookkeepingFor(EntryOperation operation);

} // namespace tolvane

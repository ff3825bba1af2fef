#pragma once

class QWidget;

namespace tolvane {

// The region overlay as a fixed 1440 x 900 demonstration window for deterministic screenshots: a borderless
// window titled "OCR Capture Snapshot" holding the selection view in snapshot mode, with a sample region
// selected and the single mode chosen. It delivers no result. The caller owns the window.
QWidget* makeOcrSnapshotWindow();

} // namespace tolvane

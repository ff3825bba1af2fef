#pragma once

#include "workflow/history_write_queue.h"

#include <QString>

namespace tolvane {

// The words telling that the translation of `sourceText` waits to be written to the history or was given
// up, naming it by the start of its text and the cause. Empty for a written record.
QString historyWriteNotice(const QString& sourceText, const HistoryWriteOutcome& outcome);

} // namespace tolvane

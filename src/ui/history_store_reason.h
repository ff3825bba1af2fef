#pragma once

#include "model/history_store_error.h"

#include <QString>

namespace tolvane {

// Why the history database refused a change, in the user's words: its common causes in Chinese, SQLite's
// own message otherwise.
QString historyStoreReason(const HistoryStoreError& error);

} // namespace tolvane

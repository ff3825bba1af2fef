#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tolvane {

// Asks before something destructive: a window-modal box whose destructive button comes first and whose
// "取消" is the default and escape button, so neither Return nor Escape deletes. `onConfirm` runs only
// for the destructive button.
void confirmDestructive(QWidget* parent, const QString& title, const QString& message,
                        const QString& destructiveText, std::function<void()> onConfirm);

// The one question asked before the translation history and memory are emptied, wherever that is offered.
void confirmHistoryClear(QWidget* parent, std::function<void()> onConfirm);

} // namespace tolvane

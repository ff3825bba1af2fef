#pragma once

#include "core/async/cancellation.h"

#include <QCoroTask>
#include <QString>

namespace tolvane {

// The coordinator's view of the paste-back controller.
class PasteBackTarget {
public:
    virtual ~PasteBackTarget() = default;
    // Remembers the window the user is working in (or forgets it when that is this application). Synchronous.
    virtual void captureTarget() = 0;
    // Re-activates the remembered window and pastes `text` there. Throws the controller's error.
    virtual QCoro::Task<> pasteBack(QString text, CancellationToken token) = 0;
};

} // namespace tolvane

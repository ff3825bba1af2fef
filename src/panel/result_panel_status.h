#pragma once

#include "workflow/workflow_status.h"

#include <QColor>
#include <QString>

namespace tolvane {

// The header's icon, tint and title for a workflow status.
struct StatusPresentation {
    QString symbolName;
    QColor tint;
    QString title;
};
StatusPresentation statusPresentation(const WorkflowStatus& status, bool isManualInputMode);

// A failure's words as the panel tells them: where the user is sent to settings for a choice the panel
// itself offers (the engine), the words point to the panel's own picker instead.
QString panelFailureText(const WorkflowStatus& status);

// What the reading body shows below the source text.
struct ReadingResultArea {
    enum class Kind { message, progress, section, failure };
    Kind kind = Kind::message;
    QString caption; // the section's caption
    QString text;    // the section's text or the message
};
ReadingResultArea readingResultArea(const WorkflowStatus& status, const QString& resultText);

// What the manual-input body's output pane shows. A non-empty result wins in every status.
enum class ManualOutputKind { result, hint, progress, cancelled, failure };
ManualOutputKind manualOutputKind(const WorkflowStatus& status, const QString& resultText);
// The manual-input body's output caption: a failure's words beside the result that stays shown.
QString manualOutputCaption(const WorkflowStatus& status, const QString& resultText);

} // namespace tolvane

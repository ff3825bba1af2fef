#include "ocr/coordinator_screenshot_workflow.h"

#include "workflow/workflow_coordinator.h"

namespace tolvane {

CoordinatorScreenshotWorkflow::CoordinatorScreenshotWorkflow(WorkflowCoordinator* coordinator)
    : m_coordinator(coordinator) {}

void CoordinatorScreenshotWorkflow::beginScreenshotCapture(std::optional<QRect> anchor) {
    if (m_coordinator)
        m_coordinator->beginScreenshotCapture(anchor);
}

void CoordinatorScreenshotWorkflow::translateRecognizedText(const QString& text,
                                                            std::optional<QRect> anchor) {
    if (m_coordinator)
        m_coordinator->translateRecognizedText(text, anchor);
}

void CoordinatorScreenshotWorkflow::showRecognizedText(const QString& text, std::optional<QRect> anchor) {
    if (m_coordinator)
        m_coordinator->showRecognizedText(text, anchor);
}

void CoordinatorScreenshotWorkflow::translateText(const QString& text, bool canPasteBackToSource) {
    if (m_coordinator)
        m_coordinator->translateText(text, canPasteBackToSource);
}

void CoordinatorScreenshotWorkflow::stopTranslation() {
    if (m_coordinator)
        m_coordinator->stopTranslation();
}

void CoordinatorScreenshotWorkflow::failWith(const QString& message) {
    // Nothing else writes a failure for the screenshot road: the status is assigned directly.
    if (m_coordinator)
        m_coordinator->setStatus(WorkflowStatus::failed(message));
}

void CoordinatorScreenshotWorkflow::presentPanel(std::optional<QRect> anchor) {
    if (m_coordinator)
        m_coordinator->presentPanel(anchor);
}

quint64 CoordinatorScreenshotWorkflow::explicitCancellationGeneration() const {
    return m_coordinator ? m_coordinator->explicitCancellationGeneration() : 0;
}

quint64 CoordinatorScreenshotWorkflow::entrySerial() const {
    return m_coordinator ? m_coordinator->entrySerial() : 0;
}

} // namespace tolvane

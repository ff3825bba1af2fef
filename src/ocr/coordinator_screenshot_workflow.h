#pragma once

#include "ocr/screenshot_run_ports.h"

#include <QPointer>

namespace tolvane {

class WorkflowCoordinator;

// The screenshot runs' view of the workflow coordinator. Calls after the coordinator is gone do nothing.
class CoordinatorScreenshotWorkflow final : public ScreenshotRunWorkflow {
public:
    explicit CoordinatorScreenshotWorkflow(WorkflowCoordinator* coordinator);

    void beginScreenshotCapture(std::optional<QRect> anchor) override;
    void translateRecognizedText(const QString& text, std::optional<QRect> anchor) override;
    void showRecognizedText(const QString& text, std::optional<QRect> anchor) override;
    void translateText(const QString& text, bool canPasteBackToSource) override;
    void stopTranslation() override;
    void failWith(const QString& message) override;
    void presentPanel(std::optional<QRect> anchor) override;
    quint64 explicitCancellationGeneration() const override;
    quint64 entrySerial() const override;

private:
    QPointer<WorkflowCoordinator> m_coordinator;
};

} // namespace tolvane

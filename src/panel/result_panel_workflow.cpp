#include "panel/result_panel_workflow.h"

#include "workflow/workflow_coordinator.h"

namespace tolvane {

CoordinatorPanelWorkflow::CoordinatorPanelWorkflow(WorkflowCoordinator* coordinator, QObject* parent)
    : ResultPanelWorkflow(parent), m_coordinator(coordinator) {
    if (!coordinator)
        return;
    using C = WorkflowCoordinator;
    using P = ResultPanelWorkflow;
    connect(coordinator, &C::statusChanged, this, &P::statusChanged);
    connect(coordinator, &C::sourceTextChanged, this, &P::sourceTextChanged);
    connect(coordinator, &C::resultTextChanged, this, &P::resultTextChanged);
    connect(coordinator, &C::canPasteBackToSourceChanged, this, &P::canPasteBackToSourceChanged);
    connect(coordinator, &C::isManualInputModeChanged, this, &P::isManualInputModeChanged);
    connect(coordinator, &C::manualInputSessionIDChanged, this, &P::manualInputSessionIDChanged);
}

WorkflowStatus CoordinatorPanelWorkflow::status() const {
    return m_coordinator ? m_coordinator->status() : WorkflowStatus::idle();
}
QString CoordinatorPanelWorkflow::sourceText() const {
    return m_coordinator ? m_coordinator->sourceText() : QString();
}
QString CoordinatorPanelWorkflow::resultText() const {
    return m_coordinator ? m_coordinator->resultText() : QString();
}
bool CoordinatorPanelWorkflow::canPasteBackToSource() const {
    return m_coordinator && m_coordinator->canPasteBackToSource();
}
bool CoordinatorPanelWorkflow::isResultFinished() const {
    return m_coordinator && m_coordinator->isResultFinished();
}
bool CoordinatorPanelWorkflow::isManualInputMode() const {
    return m_coordinator && m_coordinator->isManualInputMode();
}
QUuid CoordinatorPanelWorkflow::manualInputSessionID() const {
    return m_coordinator ? m_coordinator->manualInputSessionID() : QUuid();
}

void CoordinatorPanelWorkflow::stopTranslation() {
    if (m_coordinator)
        m_coordinator->stopTranslation();
}
void CoordinatorPanelWorkflow::dismissPanel() {
    if (m_coordinator)
        m_coordinator->dismissPanel();
}
void CoordinatorPanelWorkflow::retranslate(const QString& text, bool canPasteBackToSource) {
    if (m_coordinator)
        m_coordinator->retranslate(text, canPasteBackToSource);
}
void CoordinatorPanelWorkflow::panelInputDidChange(const QString& text) {
    if (m_coordinator)
        m_coordinator->panelInputDidChange(text);
}
void CoordinatorPanelWorkflow::translateManualInput(const QString& text) {
    if (m_coordinator)
        m_coordinator->translateManualInput(text);
}
void CoordinatorPanelWorkflow::translateText(const QString& text, bool canPasteBackToSource) {
    if (m_coordinator)
        m_coordinator->translateText(text, canPasteBackToSource);
}
void CoordinatorPanelWorkflow::copySourceText() {
    if (m_coordinator)
        m_coordinator->copySourceText();
}
void CoordinatorPanelWorkflow::copyResultText() {
    if (m_coordinator)
        m_coordinator->copyResultText();
}
void CoordinatorPanelWorkflow::replaceOriginal() {
    if (m_coordinator)
        m_coordinator->replaceOriginal();
}

} // namespace tolvane

#include "app/long_answer_cleanup.h"

#include <QTimer>

namespace tolvane {

LongAnswerCleanup::LongAnswerCleanup(ResultPanelWorkflow* workflow, std::function<void()> release,
                                     QObject* parent)
    : QObject(parent), m_workflow(workflow), m_release(std::move(release)) {
    m_streaming = workflow->status().kind() == WorkflowStatus::Kind::streaming;
    connect(workflow, &ResultPanelWorkflow::statusChanged, this, &LongAnswerCleanup::statusChanged);
}

void LongAnswerCleanup::statusChanged() {
    if (!m_workflow)
        return;
    const bool wasStreaming = m_streaming;
    m_streaming = m_workflow->status().kind() == WorkflowStatus::Kind::streaming;
    if (!wasStreaming || m_streaming || m_scheduled || m_workflow->resultText().size() < kLongAnswerLength)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        m_release();
    });
}

} // namespace tolvane

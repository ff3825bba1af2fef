#include "app/long_answer_cleanup.h"

namespace tolvane {

LongAnswerCleanup::LongAnswerCleanup(ResultPanelWorkflow* workflow, std::function<bool()> answerShown,
                                     std::function<void()> release, QObject* parent)
    : QObject(parent), m_workflow(workflow), m_answerShown(std::move(answerShown)),
      m_release(std::move(release)) {
    m_streaming = workflow->status().kind() == WorkflowStatus::Kind::streaming;
    connect(workflow, &ResultPanelWorkflow::statusChanged, this, &LongAnswerCleanup::statusChanged);
    connect(&m_check, &QTimer::timeout, this, [this] {
        // Pages given back while a view still lays the answer out would be taken again at once.
        if (m_answerShown && !m_answerShown()) {
            m_check.setInterval(kShownCheckIntervalMs);
            return;
        }
        m_check.stop();
        m_release();
    });
}

void LongAnswerCleanup::statusChanged() {
    if (!m_workflow)
        return;
    const bool wasStreaming = m_streaming;
    m_streaming = m_workflow->status().kind() == WorkflowStatus::Kind::streaming;
    if (!wasStreaming || m_streaming || m_check.isActive() ||
        m_workflow->resultText().size() < kLongAnswerLength)
        return;
    m_check.start(0); // a later turn, after the views have taken the end
}

} // namespace tolvane

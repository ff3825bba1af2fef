#pragma once

#include <QMetaType>
#include <QString>

namespace tolvane {

// What the coordinator is doing, as the panel and the main window show it. `failed` carries the message
// shown to the user; `completed` may carry a notice about something the user should know beside the result.
// Never stored or sent by ordinal: the order of the cases is not stable across designs.
class WorkflowStatus {
public:
    enum class Kind {
        failed,
        idle,
        manualInput,
        capturing,
        textCaptured,
        streaming,
        cancelled,
        completed,
        empty
    };

    WorkflowStatus() = default;

    static WorkflowStatus failed(QString message) { return WorkflowStatus(Kind::failed, std::move(message)); }
    static WorkflowStatus idle() { return WorkflowStatus(Kind::idle); }
    static WorkflowStatus manualInput() { return WorkflowStatus(Kind::manualInput); }
    static WorkflowStatus capturing() { return WorkflowStatus(Kind::capturing); }
    static WorkflowStatus textCaptured() { return WorkflowStatus(Kind::textCaptured); }
    static WorkflowStatus streaming() { return WorkflowStatus(Kind::streaming); }
    static WorkflowStatus cancelled() { return WorkflowStatus(Kind::cancelled); }
    static WorkflowStatus completed(QString notice = {}) {
        return WorkflowStatus(Kind::completed, std::move(notice));
    }
    static WorkflowStatus empty() { return WorkflowStatus(Kind::empty); }

    Kind kind() const { return m_kind; }
    // The user-facing message of a `failed` status or the notice of a `completed` one; empty otherwise.
    const QString& message() const { return m_message; }

    // `capturing` and `streaming` count as busy.
    bool isBusy() const { return m_kind == Kind::capturing || m_kind == Kind::streaming; }

    // Same case and the same message.
    friend bool operator==(const WorkflowStatus& a, const WorkflowStatus& b) {
        return a.m_kind == b.m_kind && a.m_message == b.m_message;
    }

    // A stable name for logs and tests ("failed(<message>)", "completed(<notice>)" with a notice).
    QString debugName() const;

private:
    explicit WorkflowStatus(Kind kind, QString message = {}) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind = Kind::idle;
    QString m_message;
};

} // namespace tolvane

Q_DECLARE_METATYPE(tolvane::WorkflowStatus)

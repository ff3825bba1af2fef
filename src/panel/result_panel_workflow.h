#pragma once

#include "workflow/workflow_status.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

namespace tolvane {

class WorkflowCoordinator;

// What the result panel reads from and asks of the workflow coordinator: its published state with change
// signals, and the operations behind the panel's controls. Calls are made outside the coordinator's own
// change signals (the panel defers its reactions to a later event-loop turn).
class ResultPanelWorkflow : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual WorkflowStatus status() const = 0;
    virtual QString sourceText() const = 0;
    virtual QString resultText() const = 0;
    virtual bool canPasteBackToSource() const = 0;
    // The result is a whole answer, announced with the status and the result text.
    virtual bool isResultFinished() const = 0;
    virtual bool isManualInputMode() const = 0;
    virtual QUuid manualInputSessionID() const = 0;

    virtual void stopTranslation() = 0;
    virtual void dismissPanel() = 0;
    virtual void retranslate(const QString& text, bool canPasteBackToSource) = 0;
    virtual void panelInputDidChange(const QString& text) = 0;
    virtual void translateManualInput(const QString& text) = 0;
    virtual void translateText(const QString& text, bool canPasteBackToSource) = 0;
    virtual void copySourceText() = 0;
    virtual void copyResultText() = 0;
    virtual void replaceOriginal() = 0;

Q_SIGNALS:
    void statusChanged();
    void sourceTextChanged();
    void resultTextChanged();
    void canPasteBackToSourceChanged();
    void isManualInputModeChanged();
    void manualInputSessionIDChanged();
};

// The panel's view of the real coordinator, which must outlive it or be deleted first (calls then do
// nothing and the state reads as idle and empty).
class CoordinatorPanelWorkflow final : public ResultPanelWorkflow {
    Q_OBJECT

public:
    explicit CoordinatorPanelWorkflow(WorkflowCoordinator* coordinator, QObject* parent = nullptr);

    WorkflowStatus status() const override;
    QString sourceText() const override;
    QString resultText() const override;
    bool canPasteBackToSource() const override;
    bool isResultFinished() const override;
    bool isManualInputMode() const override;
    QUuid manualInputSessionID() const override;

    void stopTranslation() override;
    void dismissPanel() override;
    void retranslate(const QString& text, bool canPasteBackToSource) override;
    void panelInputDidChange(const QString& text) override;
    void translateManualInput(const QString& text) override;
    void translateText(const QString& text, bool canPasteBackToSource) override;
    void copySourceText() override;
    void copyResultText() override;
    void replaceOriginal() override;

private:
    QPointer<WorkflowCoordinator> m_coordinator;
};

} // namespace tolvane

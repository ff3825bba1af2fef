#pragma once

#include "platform/permission_service.h"
#include "ui/onboarding_content_context.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QShortcut;
class QStackedWidget;

namespace tolvane {

class FeaturesStep;
class PermissionRefreshTicker;
class PermissionsStep;
class StepDots;
class WelcomeStep;
class WorkflowStep;

// The first-run guide: the welcome page filling the window, then three framed pages (brand header with
// step dots, page, footer with "上一步" and "继续" / "开始使用"). Return and Enter press the step's default
// button and Left goes back. The permission states are read again every second while the guide is shown
// and shortly after every request.
class OnboardingView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int stepCount = 4;

    OnboardingView(OnboardingContentContext context, QWidget* parent = nullptr);

    static OnboardingContentFactory factory();

    int step() const { return m_step; }
    // Moves to a step in 0...3; `animated` fades the page in and slides the dots.
    void setStep(int step, bool animated = true);
    void goForward();
    void goBack();
    // Reads the permission states into the permissions page and the summary.
    void refreshPermissionStatus();

    WelcomeStep* welcome() const { return m_welcome; }
    FeaturesStep* features() const { return m_features; }
    PermissionsStep* permissions() const { return m_permissions; }
    WorkflowStep* workflow() const { return m_workflow; }
    StepDots* frameDots() const { return m_dots; }
    QWidget* header() const { return m_header; }
    QPushButton* backButton() const { return m_back; }
    QPushButton* forwardButton() const { return m_forward; }
    PermissionRefreshTicker* ticker() const { return m_ticker; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void requestPermission(PermissionKind kind);
    void fadeIn(QWidget* page);

    OnboardingContentContext m_context;
    int m_step = 0;
    QStackedWidget* m_stack;
    QStackedWidget* m_pages;
    WelcomeStep* m_welcome;
    QWidget* m_frame;
    QWidget* m_header;
    StepDots* m_dots;
    FeaturesStep* m_features;
    PermissionsStep* m_permissions;
    WorkflowStep* m_workflow;
    QPushButton* m_back;
    QPushButton* m_forward;
    QShortcut* m_return;
    QShortcut* m_enter;
    QShortcut* m_left;
    PermissionRefreshTicker* m_ticker;
};

} // namespace tolvane

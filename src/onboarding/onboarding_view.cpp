#include "onboarding/onboarding_view.h"

#include "onboarding/features_step.h"
#include "onboarding/onboarding_blocks.h"
#include "onboarding/permissions_step.h"
#include "onboarding/step_dots.h"
#include "onboarding/welcome_step.h"
#include "onboarding/workflow_step.h"
#include "platform/permission_service.h"
#include "ui/brand_lockup.h"
#include "ui/dark_controls.h"
#include "ui/permission_refresh_ticker.h"
#include "ui/theme.h"
#include "workflow/permission_helpers.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {

namespace {

QPixmap heroArtwork() {
    return QPixmap(QStringLiteral(":/onboarding/OnboardingHero.png"));
}

} // namespace

OnboardingView::OnboardingView(OnboardingContentContext context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)), m_stack(new QStackedWidget),
      m_pages(new QStackedWidget), m_welcome(new WelcomeStep(heroArtwork())), m_frame(new QWidget),
      m_header(new QWidget), m_dots(new StepDots(Theme::colorBDA46B(), Theme::color2B2824())),
      m_features(new FeaturesStep), m_permissions(new PermissionsStep),
      m_workflow(new WorkflowStep(*m_context.settings,
                                  {m_context.validateShortcut, m_context.setGlobalShortcutsPaused})),
      m_back(new QPushButton(tr("上一步"))), m_forward(new QPushButton(tr("继续"))),
      m_return(new QShortcut(QKeySequence(Qt::Key_Return), this)),
      m_enter(new QShortcut(QKeySequence(Qt::Key_Enter), this)),
      m_left(new QShortcut(QKeySequence(Qt::Key_Left), this)),
      m_ticker(new PermissionRefreshTicker({0, 800, 1800}, this)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::color0B0A09());
    setPalette(palette);
    setStyleSheet(darkControlStyleSheet());

    auto* header = new QHBoxLayout(m_header);
    header->setContentsMargins(28, 18, 28, 18);
    header->setSpacing(14);
    header->addWidget(new OndrelBrandLockup(34, 92, 7.6, QStringLiteral("翻译工具"), Theme::colorB6AEA2()));
    header->addStretch(1);
    header->addWidget(m_dots, 0, Qt::AlignVCenter);

    for (QWidget* page : {static_cast<QWidget*>(m_features), static_cast<QWidget*>(m_permissions),
                          static_cast<QWidget*>(m_workflow)}) {
        auto* inset = new QWidget;
        auto* insetLayout = new QVBoxLayout(inset);
        insetLayout->setContentsMargins(36, 36, 36, 36);
        insetLayout->addWidget(page);
        m_pages->addWidget(inset);
    }

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(28, 18, 28, 18);
    footer->setSpacing(12);
    m_back->setAutoDefault(false);
    m_back->setFixedHeight(32);
    footer->addWidget(m_back);
    footer->addStretch(1);
    m_forward->setAutoDefault(false);
    m_forward->setFixedHeight(32);
    m_forward->setFont(Theme::headline());
    m_forward->setStyleSheet(QStringLiteral("QPushButton { background: #BDA46B; color: white; border: none;"
                                            " border-radius: 6px; padding: 0 16px; }"
                                            "QPushButton:pressed { background: #A99260; }"));
    footer->addWidget(m_forward);

    auto* frame = new QVBoxLayout(m_frame);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->addWidget(m_header);
    frame->addWidget(makeGuideRule());
    frame->addWidget(m_pages, 1);
    frame->addWidget(makeGuideRule());
    frame->addLayout(footer);

    m_stack->addWidget(m_welcome);
    m_stack->addWidget(m_frame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    auto finish = [this] {
        if (m_context.onFinish)
            m_context.onFinish();
    };
    connect(m_welcome, &WelcomeStep::skipRequested, this, finish);
    connect(m_welcome, &WelcomeStep::startRequested, this, &OnboardingView::goForward);
    connect(m_back, &QPushButton::clicked, this, &OnboardingView::goBack);
    connect(m_forward, &QPushButton::clicked, this, &OnboardingView::goForward);
    for (QShortcut* key : {m_return, m_enter})
        connect(key, &QShortcut::activated, this, &OnboardingView::goForward);
    connect(m_left, &QShortcut::activated, this, &OnboardingView::goBack);
    connect(m_permissions, &PermissionsStep::requestPressed, this, &OnboardingView::requestPermission);
    connect(m_ticker, &PermissionRefreshTicker::tick, this, &OnboardingView::refreshPermissionStatus);

    refreshPermissionStatus();
    setStep(m_context.step, false);
}

OnboardingContentFactory OnboardingView::factory() {
    return [](const OnboardingContentContext& context, QWidget* parent) -> QWidget* {
        return new OnboardingView(context, parent);
    };
}

void OnboardingView::setStep(int step, bool animated) {
    m_step = std::clamp(step, 0, stepCount - 1);
    if (m_step == 0) {
        m_stack->setCurrentWidget(m_welcome);
        m_welcome->dots()->setStep(0, animated);
    } else {
        m_stack->setCurrentWidget(m_frame);
        m_pages->setCurrentIndex(m_step - 1);
        m_dots->setStep(m_step, animated && m_dots->isVisible());
        m_forward->setText(m_step == stepCount - 1 ? tr("开始使用") : tr("继续"));
    }
    m_left->setEnabled(m_step > 0);
    // The step's default button holds the focus, so no control of the new page starts out focused.
    (m_step == 0 ? m_welcome->startButton() : m_forward)->setFocus(Qt::OtherFocusReason);
    if (animated)
        fadeIn(m_step == 0 ? static_cast<QWidget*>(m_welcome) : m_pages->currentWidget());
}

void OnboardingView::goForward() {
    if (m_step == stepCount - 1) {
        if (m_context.onFinish)
            m_context.onFinish();
        return;
    }
    setStep(m_step + 1);
}

void OnboardingView::goBack() {
    if (m_step > 0)
        setStep(m_step - 1);
}

void OnboardingView::refreshPermissionStatus() {
    if (!m_context.permissions)
        return;
    const PermissionService& permissions = m_context.permissions();
    m_permissions->showPermissions(permissions);
    m_workflow->showPermissions(permissions);
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_ticker->refresh();
}

void OnboardingView::requestPermission(PermissionKind kind) {
    if (!m_context.permissions)
        return;
    const PermissionService& permissions = m_context.permissions();
    PermissionRequestResult result;
    switch (kind) {
    case PermissionKind::accessibility:
        result = AccessibilityPermissionManager::requestAccess(permissions);
        if (!permissions.isGranted(kind))
            openPrivacySettingsPane(privacyAccessibilityAnchor);
        break;
    case PermissionKind::inputMonitoring:
        registerInputMonitoringProbe();
        result = InputMonitoringPermissionManager::requestAccess(permissions);
        if (!permissions.isGranted(kind))
            openPrivacySettingsPane(privacyListenEventAnchor);
        break;
    case PermissionKind::screenRecording:
        result = permissions.request(kind);
        if (!permissions.isGranted(kind))
            openPrivacySettingsPane(privacyScreenCaptureAnchor);
        break;
    }
    m_permissions->showRequestResult(kind, result);
    m_ticker->refresh();
}

void OnboardingView::fadeIn(QWidget* page) {
    if (!page || !isVisible())
        return;
    auto* effect = new QGraphicsOpacityEffect(page);
    effect->setOpacity(0);
    page->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(StepDots::animationMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    // The effect renders the page off screen; it goes as soon as the fade is done.
    connect(
        animation, &QPropertyAnimation::finished, page,
        [page, effect = QPointer<QGraphicsOpacityEffect>(effect)] {
            if (effect && page->graphicsEffect() == effect)
                page->setGraphicsEffect(nullptr);
        },
        Qt::QueuedConnection);
    animation->start();
}

} // namespace tolvane

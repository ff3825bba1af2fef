#include "onboarding/permissions_step.h"

#include "onboarding/onboarding_blocks.h"
#include "ui/accessible_widgets.h"
#include "ui/theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tolvane {

namespace {

struct PermissionText {
    PermissionKind kind;
    const char* title;
    const char* text;
    const char* symbol;
};

const PermissionText permissionTexts[] = {
    {PermissionKind::accessibility, "辅助功能", "读取当前选中的文字，并将译文替换回原 App。",
     "cursorarrow.motionlines"},
    {PermissionKind::inputMonitoring, "输入监控", "监听全局快捷键和选词按钮，不记录键入的内容。", "keyboard"},
    {PermissionKind::screenRecording, "屏幕录制", "只截取你框选的区域，用于本地 OCR 识别。",
     "rectangle.dashed.badge.record"},
};

constexpr int rowPadding = 16;
constexpr int blockGap = 16;

} // namespace

QString guidePermissionStatusText(PermissionKind kind, PermissionState state) {
    if (state == PermissionState::granted)
        return QStringLiteral("已授权");
    if (kind == PermissionKind::inputMonitoring)
        return state == PermissionState::denied ? QStringLiteral("未授权") : QStringLiteral("待确认");
    return QStringLiteral("需要授权");
}

PermissionRow::PermissionRow(PermissionKind kind, const QString& title, const QString& text,
                             const QString& symbol, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_card(new OnboardingCard(10, this)),
      m_layout(new QBoxLayout(QBoxLayout::LeftToRight)), m_info(new QWidget), m_status(new QWidget),
      m_title(makeGuideLabel(title, Theme::headline(), Theme::colorE9E1D4())),
      m_text(makeGuideLabel(text, Theme::caption(), Theme::colorB6AEA2(), true)),
      m_reason(makeGuideLabel(QString(), Theme::caption(), Theme::colorB6AEA2(), true)),
      m_statusIcon(makeGuideSymbol(QStringLiteral("circle.dashed"), 14, Theme::colorB6AEA2())),
      m_statusLabel(
          makeGuideLabel(QString(), Theme::makeFont(QStringLiteral("Inter"), 500, 10), Theme::colorB6AEA2())),
      m_request(new QPushButton(tr("请求授权"))) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_card);

    auto* info = new QHBoxLayout(m_info);
    info->setContentsMargins(0, 0, 0, 0);
    info->setSpacing(16);
    QLabel* icon = makeGuideSymbol(symbol, 18, Theme::colorBDA46B());
    auto* iconColumn = new QWidget;
    iconColumn->setFixedWidth(28);
    auto* iconLayout = new QVBoxLayout(iconColumn);
    iconLayout->setContentsMargins(0, 0, 0, 0);
    iconLayout->addWidget(icon, 0, Qt::AlignHCenter | Qt::AlignTop);
    info->addWidget(iconColumn);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_title);
    texts->addWidget(m_text);
    texts->addWidget(m_reason);
    m_reason->hide();
    info->addLayout(texts, 1);

    auto* status = new QHBoxLayout(m_status);
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(10);
    auto* state = new QHBoxLayout;
    state->setSpacing(6);
    state->addWidget(m_statusIcon);
    state->addWidget(m_statusLabel);
    status->addLayout(state);
    status->addSpacing(8);
    status->addStretch(1);
    m_request->setAutoDefault(false);
    connect(m_request, &QPushButton::clicked, this, [this] { Q_EMIT requestPressed(m_kind); });
    status->addWidget(m_request);

    m_layout->setContentsMargins(rowPadding, rowPadding, rowPadding, rowPadding);
    m_layout->setSpacing(blockGap);
    m_layout->addWidget(m_info, 1);
    m_layout->addWidget(m_status, 0);
    m_card->setLayout(m_layout);
    exposeAsSummary(this, QAccessible::Pane);
    refreshAccessibleText();
}

void PermissionRow::refreshAccessibleText() {
    setAccessibleName(m_statusLabel->text().isEmpty()
                          ? m_title->text()
                          : m_title->text() + QStringLiteral("，") + m_statusLabel->text());
    setAccessibleDescription(reasonText().isEmpty() ? m_text->text()
                                                    : m_text->text() + QLatin1Char('\n') + reasonText());
}

void PermissionRow::showStatus(const PermissionStatus& status) {
    const bool granted = status.state == PermissionState::granted;
    m_statusLabel->setText(guidePermissionStatusText(m_kind, status.state));
    QPalette palette = m_statusLabel->palette();
    palette.setColor(QPalette::WindowText, granted ? Theme::color89947A() : Theme::colorB6AEA2());
    m_statusLabel->setPalette(palette);
    setGuideSymbol(m_statusIcon,
                   granted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle.dashed"), 14,
                   granted ? Theme::color89947A() : Theme::colorB6AEA2());
    m_request->setVisible(!granted);
    // Granted rows keep the reason out of the way; the others say why nothing works.
    setToolTip(granted ? status.reason : QString());
    m_reason->setText(m_explanation.isEmpty() ? status.reason : m_explanation);
    m_reason->setVisible(!granted && !m_reason->text().isEmpty());
    if (granted)
        m_explanation.clear();
    refreshAccessibleText();
    arrange(width());
}

void PermissionRow::setExplanation(const QString& explanation) {
    m_explanation = explanation;
    m_reason->setText(explanation);
    m_reason->setVisible(!explanation.isEmpty());
    refreshAccessibleText();
}

QString PermissionRow::statusText() const {
    return m_statusLabel->text();
}

QString PermissionRow::reasonText() const {
    return m_reason->isHidden() ? QString() : m_reason->text();
}

void PermissionRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(width());
}

void PermissionRow::arrange(int width) {
    // The ideal width of the text block is its longest line unwrapped.
    const int textWidth = std::max({m_title->fontMetrics().horizontalAdvance(m_title->text()),
                                    m_text->fontMetrics().horizontalAdvance(m_text->text())});
    const int infoIdeal = 28 + 16 + textWidth;
    const int statusIdeal = m_status->sizeHint().width();
    const bool stacked = infoIdeal + blockGap + statusIdeal + 2 * rowPadding > width;
    if (stacked == m_stacked)
        return;
    m_stacked = stacked;
    m_layout->setDirection(stacked ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_layout->setSpacing(stacked ? 10 : blockGap);
}

PermissionsStep::PermissionsStep(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeGuideStepHeader(tr("连接到你的工作流"),
                                          tr("权限按功能分别启用。你可以先跳过，使用相关功能时再授权。")));
    layout->addSpacing(22);
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    for (const PermissionText& text : permissionTexts) {
        auto* row =
            new PermissionRow(text.kind, tr(text.title), tr(text.text), QString::fromLatin1(text.symbol));
        connect(row, &PermissionRow::requestPressed, this, &PermissionsStep::requestPressed);
        m_rows[text.kind] = row;
        rows->addWidget(row);
    }
    layout->addLayout(rows);
    layout->addStretch(1);
}

void PermissionsStep::showPermissions(const PermissionService& permissions) {
    for (auto& [kind, row] : m_rows)
        row->showStatus(permissions.state(kind));
}

void PermissionsStep::showRequestResult(PermissionKind kind, const PermissionRequestResult& result) {
    m_rows.at(kind)->setExplanation(result.explanation);
}

} // namespace tolvane

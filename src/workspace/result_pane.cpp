#include "workspace/result_pane.h"

#include "panel/result_panel_text_view.h"
#include "ui/theme.h"
#include "workspace/meta_text.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_paint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int sidePadding = 35;
constexpr qreal resultLineSpacing = -3;

// The action row: its own ground and a hairline along its top edge.
class ActionRow final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::color17120D());
        paintHairline(painter, QRectF(0, -0.25, width(), 0.5));
    }
};

} // namespace

QString resultCaption(const WorkflowStatus& status, bool isSnapshotMode, bool hasResult) {
    using Kind = WorkflowStatus::Kind;
    const bool done = isSnapshotMode || status.kind() == Kind::streaming || status.kind() == Kind::completed;
    // A notice beside a completed result (the history could not be written, a damaged file set aside).
    if (!isSnapshotMode && status.kind() == Kind::completed && !status.message().isEmpty())
        return QStringLiteral("翻译 · 已完成 · ") + status.message();
    // A failure after part of the answer arrived: the part stays shown below its words.
    if (!isSnapshotMode && status.kind() == Kind::failed && hasResult)
        return QStringLiteral("翻译 · ") + status.message();
    return done ? QStringLiteral("翻译 · 已完成") : QStringLiteral("翻译 · 准备就绪");
}

QString resultPlaceholder(const WorkflowStatus& status) {
    using Kind = WorkflowStatus::Kind;
    switch (status.kind()) {
    case Kind::failed:
        return status.message();
    case Kind::manualInput:
    case Kind::empty:
        return QStringLiteral("输入文本后开始翻译。");
    case Kind::capturing:
    case Kind::streaming:
        return QStringLiteral("正在翻译…");
    case Kind::cancelled:
        return QStringLiteral("已停止翻译。");
    case Kind::idle:
    case Kind::textCaptured:
    case Kind::completed:
        break;
    }
    return QStringLiteral("译文会显示在这里。");
}

ResultPane::ResultPane(bool isSnapshotMode, Actions actions, QWidget* parent)
    : QWidget(parent), m_isSnapshotMode(isSnapshotMode) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_caption = new MetaText(QString(), Theme::colorBDA46B(), this);
    auto* captionRow = new QHBoxLayout;
    captionRow->setContentsMargins(sidePadding, 30, sidePadding, 24);
    captionRow->addWidget(m_caption);
    column->addLayout(captionRow);

    m_body = new QStackedWidget(this);
    m_text = new ResultPanelTextView(ResultPanelTextView::Sizing::scrolling,
                                     ResultPanelTextView::WhileHidden::keepsText, m_body);
    m_text->setFont(Theme::manropeMedium30());
    m_text->setAccessibleName(QStringLiteral("译文"));
    // A stop of the window's Tab chain, so the answer can be read and selected from the keyboard; being
    // read-only, Tab moves on from it.
    m_text->setFocusPolicy(Qt::StrongFocus);
    m_text->setTabChangesFocus(true);
    QPalette textPalette = m_text->palette();
    textPalette.setColor(QPalette::Text, Theme::colorE9E1D4());
    m_text->setPalette(textPalette);
    m_placeholder = new QLabel(m_body);
    m_placeholder->setFont(Theme::interRegular22());
    m_placeholder->setWordWrap(true);
    m_placeholder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette placeholderPalette = m_placeholder->palette();
    placeholderPalette.setColor(QPalette::WindowText, Theme::color797168());
    m_placeholder->setPalette(placeholderPalette);
    m_body->addWidget(m_text);
    m_body->addWidget(m_placeholder);
    auto* bodyRow = new QHBoxLayout;
    bodyRow->setContentsMargins(sidePadding, 0, sidePadding, 24);
    bodyRow->addWidget(m_body);
    column->addLayout(bodyRow, 1);

    auto* actionRow = new ActionRow(this);
    auto* row = new QHBoxLayout(actionRow);
    row->setContentsMargins(sidePadding, 12, sidePadding, 24);
    row->setSpacing(8);
    const auto add = [&](WorkspaceButton::Style style, PencilIconAsset icon, const QString& title,
                         std::function<void()> action) {
        auto* button = new WorkspaceButton(style, WorkspaceButton::actionLabel(icon, title), actionRow);
        connect(button, &QAbstractButton::clicked, this, [action = std::move(action)] {
            if (action)
                action();
        });
        row->addWidget(button);
        return button;
    };
    m_copy = add(WorkspaceButton::Style::secondary, PencilIconAsset::copy, QStringLiteral("复制"),
                 std::move(actions.onCopy));
    m_replace = add(WorkspaceButton::Style::secondary, PencilIconAsset::replace, QStringLiteral("替换原文"),
                    std::move(actions.onReplace));
    m_save = add(WorkspaceButton::Style::secondary, PencilIconAsset::save, QStringLiteral("保存译文"),
                 std::move(actions.onSave));
    row->addStretch(1);
    row->addSpacing(8);
    m_retry = add(WorkspaceButton::Style::outline, PencilIconAsset::retry, QStringLiteral("再次翻译"),
                  std::move(actions.onRetry));
    column->addWidget(actionRow);

    showResult(QString(), WorkflowStatus::idle(), false);
}

bool ResultPane::showsPlaceholder() const {
    return m_body->currentWidget() == m_placeholder;
}

void ResultPane::showResult(const QString& resultText, const WorkflowStatus& status, bool canReplace) {
    const bool hasResult = !resultText.isEmpty();
    m_caption->setText(resultCaption(status, m_isSnapshotMode, hasResult));
    if (hasResult) {
        const bool extends = !m_text->shownText().isEmpty() && resultText.startsWith(m_text->shownText());
        m_text->showText(resultText, ResultPanelTextView::Pace::framed);
        // A replaced text starts with plain blocks; appended text takes its block's format along.
        if (!extends)
            applyLineSpacing();
        m_body->setCurrentWidget(m_text);
    } else {
        m_text->showText(QString());
        m_placeholder->setText(resultPlaceholder(status));
        m_body->setCurrentWidget(m_placeholder);
    }
    m_copy->setEnabled(hasResult);
    m_save->setEnabled(hasResult);
    m_retry->setEnabled(hasResult);
    m_replace->setEnabled(hasResult && canReplace);
    m_replace->setToolTip(canReplace ? QStringLiteral("用译文替换原应用中的选中文本")
                                     : QStringLiteral("从其他应用选中文本并翻译后可替换原文"));
}

void ResultPane::applyLineSpacing() {
    QTextBlockFormat format;
    format.setLineHeight(resultLineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(m_text->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
}

void ResultPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color17120D());
}

} // namespace tolvane

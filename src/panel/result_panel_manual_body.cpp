#include "panel/result_panel_manual_body.h"

#include "core/text.h"
#include "panel/result_panel_status.h"
#include "panel/result_panel_text_view.h"
#include "ui/native_text_editor.h"
#include "ui/source_text_limit.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

QString colorRule(const QColor& color) {
    return QStringLiteral("color:%1;").arg(color.name());
}

QLabel* makeCaption(const QString& text, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = Theme::caption();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setStyleSheet(colorRule(color));
    return label;
}

QLabel* makeCentredNote(const QString& html, QWidget* parent) {
    auto* label = new QLabel(html, parent);
    label->setFont(Theme::callout());
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setStyleSheet(colorRule(Theme::color797168()));
    return label;
}

} // namespace

ResultPanelManualBody::ResultPanelManualBody(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Input pane.
    m_inputPane = new QWidget(this);
    auto* input = new QVBoxLayout(m_inputPane);
    input->setContentsMargins(16, 16, 16, 16);
    input->setSpacing(8);
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(makeCaption(QStringLiteral("输入"), Theme::colorBDA46B(), m_inputPane));
    captionRow->addStretch(1);
    m_count = new QLabel(m_inputPane);
    m_count->setFont(Theme::caption2());
    m_count->setStyleSheet(colorRule(Theme::color797168()));
    captionRow->addWidget(m_count);
    input->addLayout(captionRow);
    // A refused paste is told in a line of its own under the caption, wrapped to the pane's width: its
    // width never widens the pane.
    m_refusal = new QLabel(m_inputPane);
    m_refusal->setFont(Theme::caption2());
    m_refusal->setStyleSheet(colorRule(Theme::colorB86745()));
    m_refusal->setTextFormat(Qt::PlainText);
    m_refusal->setWordWrap(true);
    m_refusal->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_refusal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_refusal->hide();
    input->addWidget(m_refusal);
    m_editor = new NativeTextEditor(m_inputPane);
    NativeTextEditor::Typography typography;
    typography.fontSize = 13;
    typography.fontName = QStringLiteral("Inter-Regular");
    m_editor->setTypography(typography);
    m_editor->setTextColor(Theme::colorE9E1D4());
    m_editor->setInsertionPointColor(Theme::colorBDA46B());
    m_editor->setAccessibleName(QStringLiteral("待翻译文本"));
    m_editor->setAccessibleDescription(QStringLiteral("输入或粘贴文本，停止输入后自动翻译"));
    m_editor->setMaximumLength(maximumSourceLength);
    // Tab and Shift+Tab lead on to the panel's pickers and buttons instead of typing a tab.
    m_editor->setTabChangesFocus(true);
    input->addWidget(m_editor, 1);

    // Output pane.
    m_outputPane = new QWidget(this);
    auto* output = new QVBoxLayout(m_outputPane);
    output->setContentsMargins(16, 16, 16, 16);
    output->setSpacing(8);
    m_outputCaption = makeCaption(QStringLiteral("译文"), Theme::color89947A(), m_outputPane);
    m_outputCaption->setWordWrap(true);
    output->addWidget(m_outputCaption);
    m_output = new QStackedWidget(m_outputPane);
    m_result = new ResultPanelTextView(ResultPanelTextView::Sizing::scrolling,
                                       ResultPanelTextView::WhileHidden::dropsText, m_output);
    m_result->setAccessibleName(QStringLiteral("翻译结果"));
    // A Tab stop, as the failure shown in its place is: the keys reach the answer to read, select and copy.
    m_result->setFocusPolicy(Qt::StrongFocus);
    m_result->setFont(Theme::body());
    m_result->setStyleSheet(
        QStringLiteral("QTextEdit{background:transparent;%1}").arg(colorRule(Theme::colorE9E1D4())));
    m_hint = makeCentredNote(
        QStringLiteral("<p style='line-height:16px'>输入或粘贴文本<br>停止输入后自动翻译</p>"), m_output);
    m_progress = new QWidget(m_output);
    auto* progress = new QHBoxLayout(m_progress);
    progress->setSpacing(8);
    progress->addStretch(1);
    auto* spinner = new QProgressBar(m_progress);
    spinner->setRange(0, 0); // indeterminate
    spinner->setFixedSize(16, 4);
    spinner->setTextVisible(false);
    progress->addWidget(spinner);
    auto* busy = new QLabel(QStringLiteral("正在翻译…"), m_progress);
    busy->setFont(Theme::callout());
    busy->setStyleSheet(colorRule(Theme::colorB6AEA2()));
    progress->addWidget(busy);
    progress->addStretch(1);
    m_cancelled = makeCentredNote(QStringLiteral("已停止翻译，可继续编辑或重新翻译。"), m_output);
    m_failure = new QLabel(m_output);
    m_failure->setFont(Theme::callout());
    m_failure->setWordWrap(true);
    m_failure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_failure->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_failure->setTextFormat(Qt::PlainText);
    m_failure->setStyleSheet(colorRule(Theme::colorB86745()));
    for (QWidget* page :
         {static_cast<QWidget*>(m_result), m_hint, m_progress, m_cancelled, static_cast<QWidget*>(m_failure)})
        m_output->addWidget(page);
    output->addWidget(m_output, 1);

    layout->addWidget(m_inputPane, 1);
    layout->addSpacing(1); // the divider, painted
    layout->addWidget(m_outputPane, 1);

    connect(m_editor, &NativeTextEditor::textChanged, this, [this] { showCount(m_editor->toPlainText()); });
    // A refused paste is told until the text changes.
    connect(m_editor, &NativeTextEditor::textRefused, this, [this](qsizetype length) {
        m_refusal->setText(sourceTextRefusal(length));
        m_refusal->show();
    });
    showCount({});
    showOutput(WorkflowStatus::idle(), {});
}

void ResultPanelManualBody::showCount(const QString& text) {
    m_count->setText(QStringLiteral("%1 字符").arg(text::graphemeCount(text)));
    m_refusal->hide();
}

void ResultPanelManualBody::showOutput(const WorkflowStatus& status, const QString& resultText) {
    if (const QString caption = manualOutputCaption(status, resultText); m_outputCaption->text() != caption)
        m_outputCaption->setText(caption);
    switch (manualOutputKind(status, resultText)) {
    case ManualOutputKind::result:
        m_result->showText(resultText, status.kind() == WorkflowStatus::Kind::streaming
                                           ? ResultPanelTextView::Pace::framed
                                           : ResultPanelTextView::Pace::immediate);
        m_output->setCurrentWidget(m_result);
        break;
    case ManualOutputKind::hint:
        m_output->setCurrentWidget(m_hint);
        break;
    case ManualOutputKind::progress:
        m_output->setCurrentWidget(m_progress);
        break;
    case ManualOutputKind::cancelled:
        m_output->setCurrentWidget(m_cancelled);
        break;
    case ManualOutputKind::failure:
        m_failure->setText(panelFailureText(status));
        m_output->setCurrentWidget(m_failure);
        break;
    }
}

void ResultPanelManualBody::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(m_inputPane->geometry(), withAlpha(Theme::color161310(), 0.74));
    painter.fillRect(m_outputPane->geometry(), withAlpha(Theme::color17120D(), 0.68));
    const int dividerX = m_inputPane->geometry().right() + 1;
    painter.fillRect(QRect(dividerX, 0, 1, height()), withAlpha(Theme::color2B2824(), 0.5));
}

} // namespace tolvane

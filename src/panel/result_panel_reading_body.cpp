#include "panel/result_panel_reading_body.h"

#include "panel/result_panel_text_view.h"
#include "ui/dark_controls.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QWidget* makeSection(const QString& caption, ResultPanelTextView** view, QLabel** captionLabel,
                     QWidget* parent) {
    auto* section = new QWidget(parent);
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* label = new QLabel(caption, section);
    label->setWordWrap(true); // a failure's words may stand beside the caption
    label->setFont(Theme::caption());
    label->setStyleSheet(QStringLiteral("color:%1;").arg(Theme::secondaryLabelColor().name(QColor::HexArgb)));
    *view = new ResultPanelTextView(ResultPanelTextView::Sizing::fitted,
                                    ResultPanelTextView::WhileHidden::dropsText, section);
    (*view)->setAccessibleName(caption); // read by its caption, as it is seen
    (*view)->setFont(Theme::body());
    (*view)->setStyleSheet(QStringLiteral("QTextEdit{background:transparent;color:%1;}")
                               .arg(Theme::labelColor().name(QColor::HexArgb)));
    layout->addWidget(label);
    layout->addWidget(*view);
    if (captionLabel)
        *captionLabel = label;
    return section;
}

// A message in a padded box. The padding is the box's layout margin: a selectable label draws its text
// from its top edge whatever contents margins it has.
QLabel* makeMessage(QWidget* parent, int sidePadding, QWidget** box) {
    *box = new QWidget(parent);
    auto* layout = new QVBoxLayout(*box);
    layout->setContentsMargins(sidePadding, 42, sidePadding, 42);
    auto* label = new QLabel(*box);
    label->setFont(Theme::body());
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setStyleSheet(QStringLiteral("color:%1;").arg(Theme::secondaryLabelColor().name(QColor::HexArgb)));
    layout->addWidget(label);
    return label;
}

} // namespace

ResultPanelReadingBody::ResultPanelReadingBody(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // A stop of the panel's Tab chain: the keys scroll a text longer than the panel. A click leaves the
    // keys where they were (on the window itself at first), so Tab after clicking the panel starts at the
    // top row; the window hands the scroll keys on to the body.
    setAccessibleName(QStringLiteral("翻译内容"));
    setFocusPolicy(Qt::TabFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    useDarkScrollBars(this);
    viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(14);

    m_sourceSection = makeSection(QStringLiteral("原文"), &m_sourceView, nullptr, content);
    m_resultSection = makeSection(QStringLiteral("译文"), &m_resultView, &m_resultCaption, content);
    m_message = makeMessage(content, 0, &m_messageBox);
    m_failure = makeMessage(content, 32, &m_failureBox);
    m_progress = new QWidget(content);
    auto* progress = new QHBoxLayout(m_progress);
    progress->setContentsMargins(0, 42, 0, 42);
    auto* spinner = new QProgressBar(m_progress);
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedHeight(4);
    progress->addWidget(spinner);

    for (QWidget* part : {m_sourceSection, m_resultSection, m_messageBox, m_failureBox, m_progress})
        layout->addWidget(part);
    layout->addStretch(1);
    setWidget(content);
    // The scroll area makes its widget fill itself with the palette's window colour; the body shows the
    // panel's container through it instead.
    content->setAutoFillBackground(false);
    show(WorkflowStatus::idle(), {}, {});
}

void ResultPanelReadingBody::show(const WorkflowStatus& status, const QString& sourceText,
                                  const QString& resultText) {
    // Each part takes its new text before it is shown: a section shown again while its view still held the
    // last answer would lay all of that answer out again at the new layout's width, only to replace it.
    m_sourceView->showText(sourceText);
    m_sourceSection->setVisible(!sourceText.isEmpty());

    const ReadingResultArea area = readingResultArea(status, resultText);
    m_kind = area.kind;
    using K = ReadingResultArea::Kind;
    switch (area.kind) {
    case K::section:
        if (m_resultCaption->text() != area.caption) {
            m_resultCaption->setText(area.caption);
            m_resultView->setAccessibleName(area.caption);
        }
        // Streamed chunks are shown at most once a frame; any other state shows its text at once.
        m_resultView->showText(area.text, status.kind() == WorkflowStatus::Kind::streaming
                                              ? ResultPanelTextView::Pace::framed
                                              : ResultPanelTextView::Pace::immediate);
        break;
    case K::message:
        m_message->setText(area.text);
        break;
    case K::failure:
        m_failure->setText(area.text);
        break;
    case K::progress:
        break;
    }
    m_resultSection->setVisible(area.kind == K::section);
    m_messageBox->setVisible(area.kind == K::message);
    m_failureBox->setVisible(area.kind == K::failure);
    m_progress->setVisible(area.kind == K::progress);
}

} // namespace tolvane

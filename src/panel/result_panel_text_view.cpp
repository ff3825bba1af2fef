#include "panel/result_panel_text_view.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>
#include <cmath>
#include <memory>

namespace tolvane {

ResultPanelTextView::ResultPanelTextView(Sizing sizing, QWidget* parent)
    : QTextEdit(parent), m_sizing(sizing) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::ClickFocus);
    document()->setDocumentMargin(0);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frame.setSingleShot(true);
    m_frame.setInterval(frameIntervalMs);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        // Keep pacing only while chunks keep coming; an idle frame lets the next chunk show at once.
        if (hasPendingText()) {
            applyRequested();
            m_frame.start();
        }
    });
    if (sizing == Sizing::fitted) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                [this] { fitHeight(); });
    }
}

void ResultPanelTextView::showText(const QString& text, Pace pace) {
    m_requested = text;
    const bool extends = !m_shown.isEmpty() && text.startsWith(m_shown);
    if (pace == Pace::immediate || !extends || !m_frame.isActive()) {
        applyRequested();
        if (pace == Pace::framed)
            m_frame.start();
    }
    // Otherwise the running frame shows the waiting extension when it ends.
}

void ResultPanelTextView::flushPendingText() {
    applyRequested();
}

void ResultPanelTextView::applyRequested() {
    if (m_requested == m_shown)
        return;
    QElapsedTimer cost;
    cost.start();
    const bool extends = !m_shown.isEmpty() && m_requested.startsWith(m_shown);
    if (extends) {
        // Insert through a cursor of our own: the view's cursor (the user's selection) stays put, and the
        // scroll bar does not jump to the end.
        QScrollBar* bar = verticalScrollBar();
        const int scroll = bar->value();
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        // A "\r\n" is one line break; split between two chunks, the "\r" already made it.
        qsizetype from = m_shown.size();
        if (m_shown.endsWith(QLatin1Char('\r')) && m_requested.at(from) == QLatin1Char('\n'))
            ++from;
        if (from < m_requested.size())
            cursor.insertText(m_requested.mid(from));
        bar->setValue(scroll);
    } else {
        setPlainText(m_requested);
    }
    m_shown = m_requested;
    // A paced update lays the whole last paragraph out again; for very long texts a frame is not enough,
    // so the pause after an update grows with its cost and layout never takes most of the loop's time.
    m_frame.setInterval(std::clamp(int(2 * cost.elapsed()), frameIntervalMs, maxFrameIntervalMs));
}

int ResultPanelTextView::heightForWidth(int width) const {
    // The shown document is already laid out at the current width; another width needs a laid-out copy,
    // which is kept until the text changes (layouts ask the same widths again and again).
    if (qFuzzyCompare(document()->textWidth(), qreal(width)))
        return int(std::ceil(document()->size().height()));
    const int revision = document()->revision();
    if (m_measured.revision == revision && m_measured.width == width)
        return m_measured.height;
    std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setTextWidth(width);
    m_measured = {revision, width, int(std::ceil(copy->size().height()))};
    return m_measured.height;
}

QSize ResultPanelTextView::sizeHint() const {
    if (m_sizing == Sizing::scrolling)
        return QTextEdit::sizeHint();
    // Layouts ask the height for the hinted width: hint the width the text is laid out at, so the
    // question is answered from the shown document instead of a fresh layout of a copy.
    const qreal laidOut = document()->textWidth();
    const int width = laidOut > 0 ? int(laidOut) : QTextEdit::sizeHint().width();
    return {width, int(std::ceil(document()->size().height()))};
}

void ResultPanelTextView::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    if (m_sizing == Sizing::fitted)
        fitHeight();
}

void ResultPanelTextView::fitHeight() {
    const int height = std::max(1, int(std::ceil(document()->size().height())));
    if (height != this->height())
        setFixedHeight(height);
}

} // namespace tolvane

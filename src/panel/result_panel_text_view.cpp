#include "panel/result_panel_text_view.h"

#include "panel/result_panel_text_accessible.h"
#include "ui/dark_controls.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <algorithm>
#include <cmath>
#include <memory>

namespace tolvane {

namespace {

bool endsLine(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator;
}

// A block that has grown long preferably ends after one of these.
bool endsPhrase(QChar c) {
    static const QString marks = QStringLiteral("。！？；，、：）」』.!?;,:");
    return (c.isSpace() && c != QChar::Nbsp) || marks.contains(c);
}

// Whether `next` begins a character rather than continuing the one before it (a surrogate pair, a
// combining mark, a joined emoji).
bool startsCharacter(QChar previous, QChar next) {
    constexpr char16_t zeroWidthJoiner = 0x200D;
    return !next.isLowSurrogate() && !next.isMark() && next != QChar(zeroWidthJoiner) &&
           previous != QChar(zeroWidthJoiner);
}

} // namespace

ResultPanelTextView::ResultPanelTextView(Sizing sizing, WhileHidden whileHidden, QWidget* parent)
    : QTextEdit(parent), m_sizing(sizing), m_whileHidden(whileHidden) {
    installResultPanelTextAccessible();
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::ClickFocus);
    document()->setDocumentMargin(0);
    document()->setUndoRedoEnabled(false); // read-only: an undo history would only hold the answer again
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frame.setSingleShot(true);
    m_frame.setInterval(frameIntervalMs);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        // Keep pacing only while chunks keep coming; an idle frame lets the next chunk show at once.
        if (hasPendingText()) {
            applyPending();
            m_frame.start();
        }
    });
    // A scrolling view stands in a dark window; a fitted one never shows its bars.
    if (sizing == Sizing::scrolling)
        useDarkScrollBars(this);
    if (sizing == Sizing::fitted) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                [this] { fitHeight(); });
    }
}

void ResultPanelTextView::showText(const QString& text, Pace pace) {
    if (m_whileHidden == WhileHidden::dropsText && !window()->isVisible()) {
        dropText();
        m_missesText = true;
        return;
    }
    m_missesText = false;
    const qsizetype known = m_shown.size() + m_pending.size();
    const QStringView asked(text);
    const bool extends = !m_shown.isEmpty() && asked.size() >= known &&
                         asked.first(m_shown.size()) == m_shown &&
                         asked.sliced(m_shown.size(), m_pending.size()) == m_pending;
    if (!extends) {
        if (text == m_shown && m_pending.isEmpty())
            return;
        replaceText(text);
    } else {
        m_pending.append(asked.sliced(known));
        if (pace == Pace::framed && m_frame.isActive())
            return; // the running frame shows the waiting extension when it ends
        applyPending();
    }
    // The rest of a long text follows frame by frame.
    if (pace == Pace::framed || hasPendingText())
        m_frame.start();
}

void ResultPanelTextView::flushPendingText() {
    while (hasPendingText())
        applyPending();
}

bool ResultPanelTextView::allTextShown() {
    const QWidgetList widgets = QApplication::allWidgets();
    return std::none_of(widgets.begin(), widgets.end(), [](QWidget* widget) {
        const auto* view = qobject_cast<ResultPanelTextView*>(widget);
        return view && view->hasPendingText();
    });
}

void ResultPanelTextView::replaceText(const QString& text) {
    setPlainText(QString());
    m_blockEnds.clear();
    m_shown.clear();
    m_pending.clear();
    m_pending.append(QStringView(text)); // a copy of our own, see m_shown
    applyPending();
}

void ResultPanelTextView::dropText() {
    m_frame.stop();
    m_pending.clear();
    if (m_shown.isEmpty())
        return;
    setPlainText(QString());
    m_blockEnds.clear();
    m_shown.clear();
}

void ResultPanelTextView::showEvent(QShowEvent* event) {
    QTextEdit::showEvent(event);
    if (m_missesText)
        Q_EMIT textWanted();
}

void ResultPanelTextView::applyPending() {
    if (m_pending.isEmpty())
        return;
    QElapsedTimer cost;
    cost.start();
    // Insert through a cursor of our own: the view's cursor (the user's selection) stays put, and the
    // scroll bar does not jump to the end.
    QScrollBar* bar = verticalScrollBar();
    const int scroll = bar->value();
    qsizetype length = std::min(m_pending.size(), kUpdateLength);
    if (length < m_pending.size() && m_pending.at(length - 1).isHighSurrogate())
        --length; // a character is not drawn in halves
    const QStringView part = QStringView(m_pending).first(length);
    QStringView addition = part;
    // A "\r\n" is one line break; split between two chunks, the "\r" already made it.
    if (m_shown.endsWith(QLatin1Char('\r')) && addition.startsWith(QLatin1Char('\n')))
        addition = addition.sliced(1);
    appendInBlocks(addition);
    bar->setValue(scroll);
    m_shown.append(part);
    m_pending.remove(0, length);
    // Each update lays out a bounded part of the text, but painting and the document's own bookkeeping
    // still cost something: the pause after an update grows with its cost, so showing text never takes
    // most of the loop's time.
    m_frame.setInterval(std::clamp(int(2 * cost.elapsed()), frameIntervalMs, maxFrameIntervalMs));
}

void ResultPanelTextView::appendInBlocks(QStringView text) {
    if (text.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    qsizetype blockLength = cursor.block().length() - 1;
    QChar previous = m_shown.isEmpty() ? QChar() : m_shown.back();
    qsizetype from = 0;
    cursor.beginEditBlock();
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar next = text[at];
        if (endsLine(next)) {
            blockLength = 0;
            previous = next;
            continue;
        }
        if (blockLength >= kBlockLength && startsCharacter(previous, next) &&
            (endsPhrase(previous) || blockLength >= 2 * kBlockLength)) {
            cursor.insertText(text.sliced(from, at - from).toString());
            m_blockEnds.push_back(cursor.position());
            cursor.insertBlock();
            from = at;
            blockLength = 0;
        }
        ++blockLength;
        previous = next;
    }
    cursor.insertText(text.sliced(from).toString());
    cursor.endEditBlock();
}

QMimeData* ResultPanelTextView::createMimeDataFromSelection() const {
    const QTextCursor selection = textCursor();
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    if (std::lower_bound(m_blockEnds.begin(), m_blockEnds.end(), start) ==
        std::lower_bound(m_blockEnds.begin(), m_blockEnds.end(), end))
        return QTextEdit::createMimeDataFromSelection();
    auto* data = new QMimeData;
    data->setText(textBetween(start, end));
    return data;
}

QString ResultPanelTextView::textBetween(int start, int end) const {
    QTextCursor range(document());
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    // One character for each position; the block ends added for showing are taken out from the back.
    QString text = range.selection().toPlainText();
    const auto first = std::lower_bound(m_blockEnds.begin(), m_blockEnds.end(), start);
    for (auto blockEnd = std::lower_bound(first, m_blockEnds.end(), end); blockEnd != first;) {
        --blockEnd;
        text.remove(*blockEnd - start, 1);
    }
    return text;
}

int ResultPanelTextView::readableLength() const {
    return document()->characterCount() - 1 - int(m_blockEnds.size());
}

QString ResultPanelTextView::readableText(int from, int to) const {
    const int length = readableLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    return textBetween(positionOfOffset(from), positionOfOffset(to));
}

int ResultPanelTextView::positionOfOffset(int offset) const {
    // The i-th block end stands after (blockEnd - i) characters of the readable text: every one standing
    // after at most `offset` characters comes before the character at `offset`.
    int low = 0;
    int high = int(m_blockEnds.size());
    while (low < high) {
        const int middle = (low + high) / 2;
        if (m_blockEnds[size_t(middle)] - middle <= offset)
            low = middle + 1;
        else
            high = middle;
    }
    return offset + low;
}

int ResultPanelTextView::offsetOfPosition(int position) const {
    return position -
           int(std::lower_bound(m_blockEnds.begin(), m_blockEnds.end(), position) - m_blockEnds.begin());
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

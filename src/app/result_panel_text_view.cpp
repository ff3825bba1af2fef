#include "app/result_panel_text_view.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <cmath>

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
    if (sizing == Sizing::fitted) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                [this] { fitHeight(); });
    }
}

void ResultPanelTextView::showText(const QString& text) {
    const QString shown = toPlainText();
    if (shown == text)
        return;
    if (!shown.isEmpty() && text.startsWith(shown)) {
        // Insert through a cursor of our own: the view's cursor (the user's selection) stays put, and the
        // scroll bar does not jump to the end.
        QScrollBar* bar = verticalScrollBar();
        const int scroll = bar->value();
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text.mid(shown.size()));
        bar->setValue(scroll);
    } else {
        setPlainText(text);
    }
}

int ResultPanelTextView::heightForWidth(int width) const {
    // The shown document is already laid out at the current width; only another width needs a copy.
    if (qFuzzyCompare(document()->textWidth(), qreal(width)))
        return int(std::ceil(document()->size().height()));
    std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setTextWidth(width);
    return int(std::ceil(copy->size().height()));
}

QSize ResultPanelTextView::sizeHint() const {
    if (m_sizing == Sizing::scrolling)
        return QTextEdit::sizeHint();
    return {QTextEdit::sizeHint().width(), int(std::ceil(document()->size().height()))};
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

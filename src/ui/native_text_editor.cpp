#include "ui/native_text_editor.h"

#include "ui/theme.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <cmath>

namespace tolvane {

NativeTextEditor::NativeTextEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setFrameShape(QFrame::NoFrame);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical{width:6px;background:transparent;margin:0}"
        "QScrollBar::handle:vertical{background:rgba(255,255,255,60);border-radius:3px;min-height:20px}"
        "QScrollBar::add-line,QScrollBar::sub-line{height:0}"
        "QScrollBar::add-page,QScrollBar::sub-page{background:transparent}"));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDocumentMargin(0);
    setCursorWidth(0); // the caret is painted in its own colour
    setUndoRedoEnabled(true);
    updatePalette();
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        viewport()->update();
        publishUserText();
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(document(), &QTextDocument::undoCommandAdded, this, [this] { ++m_undoLevels; });
    applyTypography();
}

bool NativeTextEditor::setText(const QString& text) {
    if (text.size() > m_maximumLength) {
        Q_EMIT textRefused(text.size());
        return false;
    }
    m_boundText = text;
    if (m_composing || toPlainText() == text)
        return true;
    // One undoable step in the current typography: Ctrl+Z brings back what the user had before.
    m_applying = true;
    trimUndoHistory();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(blockFormat());
    cursor.insertText(text, characterFormat());
    cursor.endEditBlock();
    m_applying = false;
    moveCursor(hasFocus() ? QTextCursor::End : QTextCursor::Start);
    return true;
}

void NativeTextEditor::trimUndoHistory() {
    if (m_undoLevels < undoLevelsBeforeTrim)
        return;
    // The document's undo history cannot be cut, and its text buffer keeps every text ever removed while
    // undo is on. So the newest levels are undone one by one, their texts noted, and the document is set
    // afresh to the oldest of them (dropping the rest and the buffer); writing the newer texts again as
    // edits rebuilds those levels.
    QTextDocument* document = this->document();
    QStringList texts{toPlainText()};
    qsizetype noted = texts.first().size();
    while (texts.size() <= undoLevelsKept && noted < undoTextKept && document->isUndoAvailable()) {
        document->undo();
        texts.prepend(toPlainText());
        noted += texts.first().size();
    }
    document->setPlainText(texts.takeFirst());
    formatDocument();
    m_undoLevels = 0;
    for (const QString& text : std::as_const(texts))
        replaceDifferingPart(text);
}

void NativeTextEditor::replaceDifferingPart(const QString& next) {
    const QString current = toPlainText();
    const qsizetype shorter = std::min(current.size(), next.size());
    qsizetype prefix = 0;
    while (prefix < shorter && current[prefix] == next[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           current[current.size() - 1 - suffix] == next[next.size() - 1 - suffix])
        ++suffix;
    if (prefix + suffix == current.size() && current.size() == next.size())
        return; // a level that changed no text (formats only) has nothing to rebuild
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(int(prefix));
    cursor.setPosition(int(current.size() - suffix), QTextCursor::KeepAnchor);
    cursor.insertText(next.mid(prefix, next.size() - prefix - suffix), characterFormat());
    cursor.endEditBlock();
}

void NativeTextEditor::setTypography(const Typography& typography) {
    m_typography = typography;
    if (m_composing || m_lastTypography == typography)
        return;
    applyTypography();
}

QTextCharFormat NativeTextEditor::characterFormat() const {
    // With a line height: the letter spacing. Without one: none, clearing what an earlier typography set
    // (the kerning applies only together with a line height).
    QTextCharFormat characters;
    characters.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    characters.setFontLetterSpacing(m_typography.lineHeight ? m_typography.kerning : 0);
    return characters;
}

QTextBlockFormat NativeTextEditor::blockFormat(QTextBlockFormat format) const {
    if (m_typography.lineHeight) {
        format.setLineHeight(*m_typography.lineHeight, QTextBlockFormat::FixedHeight);
    } else {
        format.clearProperty(QTextFormat::LineHeight);
        format.clearProperty(QTextFormat::LineHeightType);
    }
    return format;
}

void NativeTextEditor::applyTypography() {
    m_applying = true;
    QFont font = m_typography.fontName
                     ? Theme::fontForFace(*m_typography.fontName, m_typography.fontSize)
                     : Theme::makeFont(QApplication::font().family(), 400, m_typography.fontSize);
    setFont(font);
    formatDocument();
    // The typing attributes: new text takes the same spacing.
    QTextCharFormat typingChars = currentCharFormat();
    typingChars.merge(characterFormat());
    setCurrentCharFormat(typingChars);
    m_lastTypography = m_typography;
    m_applying = false;
    viewport()->update();
    Q_EMIT typographyApplied();
}

void NativeTextEditor::formatDocument() {
    // Formatting the whole text must not become an undo step of the user's.
    const bool hadUndo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        cursor.setBlockFormat(blockFormat(block.blockFormat()));
    }
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(characterFormat());
    document()->setUndoRedoEnabled(hadUndo);
}

void NativeTextEditor::publishUserText() {
    if (m_applying || m_composing)
        return;
    const QString current = toPlainText();
    if (current == m_boundText)
        return;
    m_boundText = current;
    Q_EMIT textEdited(current);
}

void NativeTextEditor::setPlaceholder(const QString& placeholder) {
    if (m_placeholder == placeholder)
        return;
    m_placeholder = placeholder;
    viewport()->update();
}

void NativeTextEditor::setTextColor(const QColor& color) {
    m_textColor = color;
    updatePalette();
}

void NativeTextEditor::setPlaceholderColor(const QColor& color) {
    m_placeholderColor = color;
    viewport()->update();
}

void NativeTextEditor::setInsertionPointColor(const QColor& color) {
    m_caretColor = color;
    viewport()->update();
}

void NativeTextEditor::updatePalette() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, m_textColor);
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Window, Qt::transparent);
    setPalette(palette);
}

void NativeTextEditor::setContentInset(QSizeF inset) {
    if (m_inset == inset)
        return;
    m_inset = inset;
    setViewportMargins(qRound(inset.width()), qRound(inset.height()), qRound(inset.width()),
                       qRound(inset.height()));
}

void NativeTextEditor::setEditable(bool editable) {
    setReadOnly(!editable);
    setTextInteractionFlags(editable ? Qt::TextEditorInteraction : Qt::NoTextInteraction);
    serveFocusRequest();
}

void NativeTextEditor::setFocusRequest(int request) {
    m_focusRequest = request;
    serveFocusRequest();
}

void NativeTextEditor::serveFocusRequest() {
    if (isReadOnly() || m_focusRequest == m_lastFocusRequest)
        return;
    m_lastFocusRequest = m_focusRequest;
    QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}

void NativeTextEditor::inputMethodEvent(QInputMethodEvent* event) {
    m_composing = !event->preeditString().isEmpty();
    QPlainTextEdit::inputMethodEvent(event);
    if (!m_composing) {
        // Outside changes that arrived while composing were held back; the committed text wins and is
        // reported, and the held typography is applied now.
        publishUserText();
        if (m_lastTypography != m_typography)
            applyTypography();
    }
}

void NativeTextEditor::keyPressEvent(QKeyEvent* event) {
    // On an empty line Qt's Return only resets a paragraph that carries a format (the fixed line height)
    // and inserts nothing; here Return always starts a new line in the same typography.
    if (event->matches(QKeySequence::InsertParagraphSeparator) && !isReadOnly()) {
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        cursor.insertBlock();
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

QVariant NativeTextEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    QVariant value = QPlainTextEdit::inputMethodQuery(query);
    if (query == Qt::ImCursorRectangle) // the candidate window goes next to the caret, margins included
        return value.toRectF().translated(viewport()->pos());
    return value;
}

void NativeTextEditor::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        Q_EMIT editingChanged(true);
}

void NativeTextEditor::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        publishUserText();
        Q_EMIT editingChanged(false);
    }
}

void NativeTextEditor::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    if (document()->isEmpty() && !m_placeholder.isEmpty() && !m_composing) {
        painter.setFont(font());
        painter.setPen(m_placeholderColor);
        const qreal width = std::max<qreal>(0, viewport()->width());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        QRectF rect(0, 1, width, viewport()->height());
        if (m_typography.lineHeight) {
            QTextLayout layout(m_placeholder, font());
            layout.setTextOption(option);
            layout.beginLayout();
            qreal y = 1;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                line.setPosition(QPointF(0, y));
                y += *m_typography.lineHeight;
            }
            layout.endLayout();
            layout.draw(&painter, QPointF(0, 0));
        } else {
            painter.drawText(rect, m_placeholder, option);
        }
    }
    if (hasFocus() && !isReadOnly()) {
        const QRect caret = cursorRect();
        painter.fillRect(QRect(caret.left(), caret.top(), 1, caret.height()), m_caretColor);
    }
}

void NativeTextEditor::insertFromMimeData(const QMimeData* source) {
    // Only the plain text of a paste is taken, whatever rich form the source offers, and only when the
    // whole text stays within the maximum.
    if (!source || !source->hasText())
        return;
    const QString text = source->text();
    const QTextCursor cursor = textCursor();
    const qsizetype length =
        document()->characterCount() - 1 - (cursor.selectionEnd() - cursor.selectionStart()) + text.size();
    if (length > m_maximumLength) {
        Q_EMIT textRefused(length);
        return;
    }
    textCursor().insertText(text);
}

} // namespace tolvane

#include "panel/result_panel_text_accessible.h"

#include "panel/result_panel_text_view.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace tolvane {

namespace {

// The text as the accessibility bus carries it. A string there ends at a NUL, so a reader would get
// nothing of the answer after one: a NUL is read as U+FFFD instead, which keeps every offset.
QString busText(QString text) {
    return text.replace(QChar(char16_t(0)), QChar::ReplacementCharacter);
}

class ResultTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ResultTextAccessible(ResultPanelTextView* view)
        : QAccessibleWidget(view, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return busText(view()->readableText(0, view()->readableLength()));
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = view()->isReadOnly();
        state.editable = !state.readOnly;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        const QTextCursor cursor = view()->textCursor();
        if (selectionIndex != 0 || !cursor.hasSelection())
            return;
        *startOffset = view()->offsetOfPosition(cursor.selectionStart());
        *endOffset = view()->offsetOfPosition(cursor.selectionEnd());
    }
    int selectionCount() const override { return view()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = view()->textCursor();
        cursor.clearSelection();
        view()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = cursorAt(startOffset);
        cursor.setPosition(cursorAt(endOffset).position(), QTextCursor::KeepAnchor);
        view()->setTextCursor(cursor);
    }
    int cursorPosition() const override { return view()->offsetOfPosition(view()->textCursor().position()); }
    void setCursorPosition(int position) override { view()->setTextCursor(cursorAt(position)); }

    QString text(int startOffset, int endOffset) const override {
        return busText(view()->readableText(startOffset, endOffset));
    }
    // Lines are the lines shown; the other boundaries are found in the text.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override {
        if (boundaryType != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
        const Line line = lineAt(positionAt(offset));
        return lineText(line.start > 0 ? lineAt(line.start - 1) : Line{}, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override {
        if (boundaryType != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
        const Line line = lineAt(positionAt(offset));
        const int last = view()->document()->characterCount() - 1;
        // A line that ends its block is followed by the block's end, a wrapped one directly by the next.
        const int next = line.endsBlock ? line.end + 1 : line.end;
        return lineText(next <= last ? lineAt(next) : Line{last, last}, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override {
        if (boundaryType != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
        return lineText(lineAt(positionAt(offset)), startOffset, endOffset);
    }
    int characterCount() const override { return view()->readableLength(); }

    QRect characterRect(int offset) const override {
        const QTextCursor cursor = cursorAt(offset);
        QRect box = view()->cursorRect(cursor);
        const QString character = view()->readableText(offset, offset + 1);
        box.setWidth(std::max(1, view()->fontMetrics().horizontalAdvance(character)));
        return box.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint local = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(local))
            return -1;
        return view()->offsetOfPosition(view()->cursorForPosition(local).position());
    }
    void scrollToSubstring(int startIndex, int) override {
        // The substring's start is brought to the top when it is out of sight.
        const QRect first = view()->cursorRect(cursorAt(startIndex));
        if (first.top() < 0 || first.bottom() > view()->viewport()->height())
            view()->verticalScrollBar()->setValue(view()->verticalScrollBar()->value() + first.top());
    }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    ResultPanelTextView* view() const { return static_cast<ResultPanelTextView*>(widget()); }
    int positionAt(int offset) const {
        return view()->positionOfOffset(std::clamp(offset, 0, characterCount()));
    }
    QTextCursor cursorAt(int offset) const {
        QTextCursor cursor(view()->document());
        cursor.setPosition(positionAt(offset));
        return cursor;
    }
    // A shown line, from the document position of its first character to the one after its last.
    struct Line {
        int start = 0;
        int end = 0;
        bool endsBlock = true;
    };
    Line lineAt(int position) const {
        const QTextBlock block = view()->document()->findBlock(position);
        const int blockEnd = block.position() + block.length() - 1;
        const QTextLayout* layout = block.layout();
        const QTextLine line =
            layout ? layout->lineForTextPosition(position - block.position()) : QTextLine();
        // A block not laid out yet counts as one line.
        if (!line.isValid())
            return {block.position(), blockEnd, true};
        const int start = block.position() + line.textStart();
        const int end = start + line.textLength();
        return {start, end, end >= blockEnd};
    }
    QString lineText(Line line, int* startOffset, int* endOffset) const {
        *startOffset = view()->offsetOfPosition(line.start);
        *endOffset = view()->offsetOfPosition(line.end);
        return busText(view()->readableText(*startOffset, *endOffset));
    }
};

QAccessibleInterface* createAccessible(const QString&, QObject* object) {
    auto* view = qobject_cast<ResultPanelTextView*>(object);
    return view ? new ResultTextAccessible(view) : nullptr;
}

} // namespace

void installResultPanelTextAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(createAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace tolvane

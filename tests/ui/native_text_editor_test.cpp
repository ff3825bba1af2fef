#include "support/image_probes.h"
#include "support/virtual_clock.h"
#include "ui/native_text_editor.h"
#include "ui/theme.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

namespace tolvane {
namespace {
using testing::drainEventLoop;

void sendPreedit(NativeTextEditor& editor, const QString& preedit) {
    QInputMethodEvent event(preedit, {});
    QApplication::sendEvent(&editor, &event);
}

void sendCommit(NativeTextEditor& editor, const QString& commit) {
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(&editor, &event);
}

NativeTextEditor::Typography sourcePaneTypography() {
    NativeTextEditor::Typography t;
    t.fontSize = 22;
    t.fontName = QStringLiteral("Inter-Regular");
    t.lineHeight = 29.7;
    t.kerning = 0.4;
    return t;
}

TEST(NativeTextEditorTest, CompositionIsHeldBackUntilCommitted) {
    NativeTextEditor editor;
    editor.setText(QStringLiteral("ab"));
    editor.moveCursor(QTextCursor::End);
    QSignalSpy edited(&editor, &NativeTextEditor::textEdited);

    sendPreedit(editor, QStringLiteral("ni"));
    EXPECT_TRUE(editor.isComposing());
    EXPECT_EQ(editor.text(), QStringLiteral("ab")); // the preedit is not part of the text
    EXPECT_EQ(edited.count(), 0);

    // An outside change while composing leaves the document alone.
    editor.setText(QStringLiteral("other"));
    EXPECT_EQ(editor.text(), QStringLiteral("ab"));
    EXPECT_EQ(edited.count(), 0);

    sendCommit(editor, QStringLiteral("你"));
    EXPECT_FALSE(editor.isComposing());
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toString(), QStringLiteral("ab你"));
}

TEST(NativeTextEditorTest, OutsideSetAppliesTypographyWithoutEditsAsOneUndoStep) {
    NativeTextEditor editor;
    editor.setTypography(sourcePaneTypography());
    QSignalSpy edited(&editor, &NativeTextEditor::textEdited);
    editor.setText(QStringLiteral("first line\nsecond line\nthird"));

    EXPECT_EQ(edited.count(), 0);
    int blocks = 0;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next(), ++blocks) {
        EXPECT_EQ(block.blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
        EXPECT_DOUBLE_EQ(block.blockFormat().lineHeight(), 29.7);
        for (auto it = block.begin(); !it.atEnd(); ++it)
            EXPECT_DOUBLE_EQ(it.fragment().charFormat().fontLetterSpacing(), 0.4);
    }
    EXPECT_EQ(blocks, 3);

    // Typing after an outside set keeps the spacing and is reported.
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, QStringLiteral("x"));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toString(), QStringLiteral("first line\nsecond line\nthirdx"));
    EXPECT_DOUBLE_EQ(editor.document()->lastBlock().blockFormat().lineHeight(), 29.7);
    // Return always starts a new line in the same typography, also on an empty line.
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(editor.text(), QStringLiteral("first line\nsecond line\nthirdx\n\n"));
    EXPECT_DOUBLE_EQ(editor.document()->lastBlock().blockFormat().lineHeight(), 29.7);

    // Each outside set is one undo step; undoing it brings the earlier text back as an edit.
    editor.setText(QStringLiteral("replaced"));
    editor.setText(QString());
    editor.undo();
    EXPECT_EQ(editor.text(), QStringLiteral("replaced"));
    editor.undo();
    EXPECT_EQ(editor.text(), QStringLiteral("first line\nsecond line\nthirdx\n\n"));
    EXPECT_EQ(edited.last().at(0).toString(), editor.text());
    EXPECT_DOUBLE_EQ(editor.document()->firstBlock().blockFormat().lineHeight(), 29.7);
}

TEST(NativeTextEditorTest, TypographyAppliesOnlyOnRealChanges) {
    NativeTextEditor editor;
    editor.setText(QStringLiteral("abc"));
    QSignalSpy applied(&editor, &NativeTextEditor::typographyApplied);

    NativeTextEditor::Typography t = sourcePaneTypography();
    editor.setTypography(t);
    editor.setTypography(t);
    EXPECT_EQ(applied.count(), 1);
    t.kerning = 1.0;
    editor.setTypography(t);
    editor.setTypography(t);
    EXPECT_EQ(applied.count(), 2);
    EXPECT_DOUBLE_EQ(editor.document()->begin().begin().fragment().charFormat().fontLetterSpacing(), 1.0);

    // A later typography without a line height takes back the fixed lines and the spacing, for new text too.
    NativeTextEditor::Typography natural;
    natural.fontSize = 15;
    natural.kerning = 2;
    editor.setTypography(natural);
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, QStringLiteral("d"));
    EXPECT_NE(editor.document()->begin().blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
    for (auto it = editor.document()->begin().begin(); !it.atEnd(); ++it)
        EXPECT_DOUBLE_EQ(it.fragment().charFormat().fontLetterSpacing(), 0.0)
            << it.fragment().text().toStdString();

    // Without a line height only the font changes: no fixed lines, no extra spacing on new text.
    NativeTextEditor plain;
    NativeTextEditor::Typography font;
    font.fontSize = 17;
    font.kerning = 3;
    plain.setText(QStringLiteral("abc"));
    plain.setTypography(font);
    EXPECT_EQ(plain.font().pixelSize(), 17);
    EXPECT_NE(plain.document()->begin().blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
    EXPECT_DOUBLE_EQ(plain.document()->begin().begin().fragment().charFormat().fontLetterSpacing(), 0.0);
}

TEST(NativeTextEditorTest, FocusRequestsAreServedOnceAndWaitForEditability) {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* editor = new NativeTextEditor(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    drainEventLoop();

    editor->setFocusRequest(0); // the initial value moves nothing
    drainEventLoop();
    EXPECT_TRUE(other->hasFocus());

    editor->setFocusRequest(1);
    EXPECT_FALSE(editor->hasFocus()); // deferred to a later turn
    drainEventLoop();
    EXPECT_TRUE(editor->hasFocus());

    other->setFocus();
    editor->setFocusRequest(1); // the same value again: nothing
    drainEventLoop();
    EXPECT_TRUE(other->hasFocus());

    editor->setEditable(false);
    editor->setFocusRequest(2);
    drainEventLoop();
    EXPECT_TRUE(other->hasFocus());
    editor->setEditable(true); // the pending request is served now
    drainEventLoop();
    EXPECT_TRUE(editor->hasFocus());
}

TEST(NativeTextEditorTest, RichPasteInsertsPlainTextWithUndoAndRedo) {
    NativeTextEditor editor;
    QSignalSpy edited(&editor, &NativeTextEditor::textEdited);
    auto* mime = new QMimeData; // the clipboard takes ownership
    mime->setHtml(QStringLiteral("<b>bold</b> <i>words</i>"));
    mime->setText(QStringLiteral("bold words"));
    QApplication::clipboard()->setMimeData(mime);
    editor.paste();
    EXPECT_EQ(editor.text(), QStringLiteral("bold words"));
    EXPECT_FALSE(editor.document()->begin().begin().fragment().charFormat().font().bold());
    EXPECT_EQ(edited.count(), 1);
    editor.undo();
    EXPECT_EQ(editor.text(), QString());
    editor.redo();
    EXPECT_EQ(editor.text(), QStringLiteral("bold words"));
    EXPECT_EQ(edited.count(), 3);
}

TEST(NativeTextEditorTest, PastesAndOutsideSetsBeyondTheMaximumAreRefusedWholeAndTheTextKept) {
    NativeTextEditor editor;
    editor.setMaximumLength(10);
    QSignalSpy edited(&editor, &NativeTextEditor::textEdited);
    QSignalSpy refused(&editor, &NativeTextEditor::textRefused);
    ASSERT_TRUE(editor.setText(QStringLiteral("12345")));
    editor.moveCursor(QTextCursor::End);

    // 5 + 8 characters: nothing of the paste goes in.
    QApplication::clipboard()->setText(QStringLiteral("abcdefgh"));
    editor.paste();
    EXPECT_EQ(editor.text(), QStringLiteral("12345"));
    ASSERT_EQ(refused.count(), 1);
    EXPECT_EQ(refused.at(0).at(0).value<qsizetype>(), 13);
    EXPECT_EQ(edited.count(), 0);

    // The selection it replaces does not count: 1 + 8 characters fit.
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(1);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    editor.paste();
    EXPECT_EQ(editor.text(), QStringLiteral("1abcdefgh"));
    EXPECT_EQ(refused.count(), 1);

    EXPECT_FALSE(editor.setText(QStringLiteral("x").repeated(11)));
    EXPECT_EQ(editor.text(), QStringLiteral("1abcdefgh"));
    ASSERT_EQ(refused.count(), 2);
    EXPECT_EQ(refused.at(1).at(0).value<qsizetype>(), 11);
    EXPECT_TRUE(editor.setText(QStringLiteral("x").repeated(10)));
}

TEST(NativeTextEditorTest, OutsideSetsBoundTheUndoHistoryAndKeepItsNewestStepsIntact) {
    NativeTextEditor editor;
    editor.setTypography(sourcePaneTypography());
    QSignalSpy edited(&editor, &NativeTextEditor::textEdited);
    QStringList states;
    for (int i = 0; i < 2 * NativeTextEditor::undoLevelsBeforeTrim; ++i) {
        editor.setText(QStringLiteral("Text %1\nline %2").arg(i).arg(i % 7));
        states << editor.text();
    }
    EXPECT_EQ(edited.count(), 0) << "trimming is no edit";
    // Typing after the sets still undoes to the newest set.
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, QStringLiteral("!"));
    editor.undo();
    EXPECT_EQ(editor.text(), states.last());

    // Every level left restores the text it stood for, in the typography; there are fewer than before.
    int levels = 0;
    while (editor.document()->isUndoAvailable()) {
        editor.undo();
        ++levels;
        ASSERT_EQ(editor.text(), states.value(states.size() - 1 - levels)) << "after " << levels;
        EXPECT_DOUBLE_EQ(editor.document()->lastBlock().blockFormat().lineHeight(), 29.7);
    }
    EXPECT_GE(levels, NativeTextEditor::undoLevelsKept);
    EXPECT_LT(levels, NativeTextEditor::undoLevelsBeforeTrim);
    // Redo walks forward again to the newest text.
    while (editor.document()->isRedoAvailable())
        editor.redo();
    EXPECT_EQ(editor.text(), states.last() + QStringLiteral("!"));
}

TEST(NativeTextEditorTest, PlaceholderIsPaintedAtTheInsetUntilTheFirstCharacter) {
    NativeTextEditor editor;
    editor.resize(240, 120);
    editor.setContentInset(QSizeF(10, 8));
    editor.setPlaceholder(QStringLiteral("██████"));
    editor.setPlaceholderColor(QColor(255, 0, 0));
    NativeTextEditor::Typography t;
    t.fontSize = 20;
    editor.setTypography(t);
    const auto redAt = [](const QImage& image, QRect area) {
        return testing::countPixels(
                   image, [](const QColor& c) { return c.red() > 200 && c.green() < 60; }, area) > 0;
    };
    QImage image = editor.grab().toImage();
    EXPECT_FALSE(redAt(image, QRect(0, 0, 10, 120))); // nothing left of the inset
    EXPECT_FALSE(redAt(image, QRect(0, 0, 240, 9)));  // nothing above inset + 1
    EXPECT_TRUE(redAt(image, QRect(10, 9, 60, 30)));  // the placeholder starts there

    editor.setText(QStringLiteral("a"));
    image = editor.grab().toImage();
    EXPECT_FALSE(redAt(image, QRect(0, 0, 240, 120)));
}

} // namespace
} // namespace tolvane

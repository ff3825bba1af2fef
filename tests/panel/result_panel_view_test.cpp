#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_view.h"
#include "result_panel_fakes.h"
#include "support/virtual_clock.h"
#include "ui/native_text_editor.h"
#include "ui/source_text_limit.h"
#include "ui/theme.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::MemoryPanelSettings;
using testing::RecordingPanelWorkflow;

class ResultPanelViewTest : public ::testing::Test {
protected:
    RecordingPanelWorkflow workflow;
    MemoryPanelSettings settings;
    std::unique_ptr<ResultPanelView> view = std::make_unique<ResultPanelView>(&workflow, &settings);

    void showPanel() {
        view->show();
        QApplication::setActiveWindow(view.get());
        drainEventLoop();
        workflow.calls.clear();
    }
    QStringList buttonTitles() const {
        QStringList titles;
        for (QPushButton* button : view->footer()->visibleButtons())
            titles << button->text() + (button->isEnabled() ? QString() : QStringLiteral("(off)"));
        return titles;
    }
};

TEST_F(ResultPanelViewTest, EveryStatusShowsItsIconTitleAndResultArea) {
    showPanel(); // a hidden panel holds no text
    struct Row {
        WorkflowStatus status;
        bool manual;
        QString symbol, title;
        QColor tint;
        ReadingResultArea::Kind kind;
    };
    using K = ReadingResultArea::Kind;
    const Row rows[] = {
        {WorkflowStatus::idle(), false, "sparkles", "准备就绪", Theme::accentColor(), K::message},
        {WorkflowStatus::manualInput(), false, "cursorarrow", "手动翻译", Theme::colorBDA46B(), K::message},
        {WorkflowStatus::capturing(), false, "sparkles", "正在取词", Theme::accentColor(), K::progress},
        {WorkflowStatus::capturing(), true, "sparkles", "正在翻译", Theme::accentColor(), K::progress},
        {WorkflowStatus::textCaptured(), false, "checkmark.circle.fill", "取词完成", Theme::systemGreen(),
         K::message},
        {WorkflowStatus::streaming(), false, "sparkles", "正在翻译", Theme::accentColor(), K::section},
        {WorkflowStatus::cancelled(), false, "stop.circle.fill", "已停止", Theme::colorBDA46B(), K::message},
        {WorkflowStatus::completed(), false, "checkmark.circle.fill", "翻译完成", Theme::systemGreen(),
         K::section},
        {WorkflowStatus::empty(), false, "text.badge.xmark", "未取到文本", Theme::accentColor(), K::message},
        {WorkflowStatus::failed("密钥无效"), false, "exclamationmark.triangle.fill", "需要处理",
         Theme::systemOrange(), K::failure},
    };
    for (const Row& row : rows) {
        workflow.m_manual = row.manual;
        workflow.m_status = row.status;
        Q_EMIT workflow.statusChanged();
        SCOPED_TRACE(row.status.debugName().toStdString());
        EXPECT_EQ(view->header()->symbolName(), row.symbol);
        EXPECT_EQ(view->header()->title(), row.title);
        EXPECT_EQ(view->header()->tint().rgb(), row.tint.rgb());
        if (!row.manual)
            EXPECT_EQ(view->readingBody()->shownKind(), row.kind);
    }
    workflow.m_manual = false;

    // Streaming before the first chunk: the result section with a single space.
    workflow.setStatus(WorkflowStatus::streaming());
    EXPECT_EQ(view->readingBody()->resultCaption()->text(), QStringLiteral("译文"));
    EXPECT_EQ(view->readingBody()->resultView()->shownText(), QStringLiteral(" "));
    // A whitespace-only partial result after a stop is a message, not an empty section.
    workflow.setResult(QStringLiteral(" \n "));
    workflow.setStatus(WorkflowStatus::cancelled());
    EXPECT_EQ(view->readingBody()->shownKind(), ReadingResultArea::Kind::message);
    EXPECT_EQ(view->readingBody()->messageLabel()->text(), QStringLiteral("已停止翻译。"));
    workflow.setResult(QStringLiteral("半句"));
    EXPECT_EQ(view->readingBody()->resultCaption()->text(), QStringLiteral("部分译文"));
    // A completion's notice stands beside the caption.
    workflow.setStatus(WorkflowStatus::completed(QStringLiteral("历史记录已重建")));
    EXPECT_EQ(view->readingBody()->resultCaption()->text(), QStringLiteral("译文 · 历史记录已重建"));
    // The source section is shown only for a source text.
    EXPECT_TRUE(view->readingBody()->sourceSection()->isHidden());
    workflow.setSource(QStringLiteral("hello"));
    EXPECT_FALSE(view->readingBody()->sourceSection()->isHidden());
    // A failure after part of the answer arrived keeps the part, with the failure's words beside it.
    workflow.setStatus(WorkflowStatus::failed(QStringLiteral("译文不完整：连接断开")));
    EXPECT_EQ(view->readingBody()->shownKind(), ReadingResultArea::Kind::section);
    EXPECT_EQ(view->readingBody()->resultCaption()->text(), QStringLiteral("译文 · 译文不完整：连接断开"));
    EXPECT_EQ(view->readingBody()->resultView()->shownText(), QStringLiteral("半句"));
    workflow.setResult(QString());
    // The failure message is shown verbatim and can be selected.
    workflow.setStatus(WorkflowStatus::failed(QStringLiteral("<b>401</b>")));
    EXPECT_EQ(view->readingBody()->failureLabel()->text(), QStringLiteral("<b>401</b>"));
    EXPECT_TRUE(view->readingBody()->failureLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);
}

TEST_F(ResultPanelViewTest, SettingChangesRetranslateOncePerTurnOnlyWhileVisible) {
    workflow.setSource(QStringLiteral("  hello \n"));
    workflow.setPasteBack(true);
    showPanel();

    settings.setTargetLanguage(QStringLiteral("ja"));
    EXPECT_TRUE(workflow.calls.isEmpty()); // never inside the setting's signal
    drainEventLoop();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("retranslate(hello,1)")});

    // Resetting several settings at once: one re-translation with the final values.
    workflow.calls.clear();
    settings.setSourceLanguage(QStringLiteral("en"));
    settings.setTargetLanguage(QStringLiteral("fr"));
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    settings.selectCloudTranslationQuality(CloudTranslationQuality::advanced);
    settings.setStyle(QStringLiteral("formal"));
    drainEventLoop();
    EXPECT_EQ(workflow.calls.size(), 1);

    // Changed and changed back within one turn: nothing.
    workflow.calls.clear();
    settings.setTargetLanguage(QStringLiteral("de"));
    settings.setTargetLanguage(QStringLiteral("fr"));
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());

    // A blank source: nothing.
    workflow.setSource(QStringLiteral(" \n"));
    settings.setTargetLanguage(QStringLiteral("ko"));
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());

    // Hidden: nothing, and nothing on a later show either.
    workflow.setSource(QStringLiteral("hello"));
    view->hide();
    settings.setTargetLanguage(QStringLiteral("es"));
    drainEventLoop();
    view->show();
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());

    // In manual mode the editor's text is translated again.
    workflow.setManual(true);
    drainEventLoop();
    view->setManualInputText(QStringLiteral(" typed "));
    workflow.calls.clear();
    settings.setTargetLanguage(QStringLiteral("it"));
    drainEventLoop();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("retranslate(typed,1)")});
}

TEST_F(ResultPanelViewTest, ManualModeFillsFocusesAndForwardsEdits) {
    showPanel();
    workflow.setSource(QStringLiteral("draft"));
    workflow.setStatus(WorkflowStatus::manualInput());
    workflow.setManual(true);
    workflow.newSession();
    EXPECT_TRUE(view->manualInputText().isEmpty()); // deferred
    drainEventLoop();
    EXPECT_EQ(view->manualInputText(), QStringLiteral("draft"));
    EXPECT_EQ(view->manualBody()->editor()->text(), QStringLiteral("draft"));
    EXPECT_EQ(view->body()->currentWidget(), view->manualBody());
    EXPECT_TRUE(view->manualBody()->editor()->hasFocus());
    EXPECT_EQ(view->manualBody()->countLabel()->text(), QStringLiteral("5 字符"));
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("input(draft)")});

    // A new session with an equal text: no input call; typing: exactly one per edit.
    workflow.calls.clear();
    workflow.newSession();
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());
    NativeTextEditor* editor = view->manualBody()->editor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("ab"));
    EXPECT_EQ(workflow.calls,
              (QStringList{QStringLiteral("input(drafta)"), QStringLiteral("input(draftab)")}));

    // Input-method preedit is not handed over; the commit is, once; the count ignores the preedit.
    workflow.calls.clear();
    QInputMethodEvent preedit(QStringLiteral("ni"), {});
    QApplication::sendEvent(editor, &preedit);
    EXPECT_TRUE(workflow.calls.isEmpty());
    EXPECT_EQ(view->manualBody()->countLabel()->text(), QStringLiteral("7 字符"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你"));
    QApplication::sendEvent(editor, &commit);
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("input(draftab你)")});

    // A ZWJ family counts as one character.
    view->setManualInputText(
        QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"));
    EXPECT_EQ(view->manualBody()->countLabel()->text(), QStringLiteral("1 字符"));

    // A paste beyond the longest source text is refused whole, told under the count until the text changes.
    workflow.calls.clear();
    const QString before = editor->text();
    QApplication::clipboard()->setText(QString(maximumSourceLength, QLatin1Char('x')));
    editor->paste();
    EXPECT_EQ(editor->text(), before);
    EXPECT_TRUE(workflow.calls.isEmpty());
    QLabel* refusal = view->manualBody()->refusalLabel();
    EXPECT_TRUE(refusal->isVisibleTo(view.get()) &&
                refusal->text().startsWith(QStringLiteral("文本过长，未放入")))
        << refusal->text().toStdString();
    EXPECT_EQ(view->manualBody()->countLabel()->text(), QStringLiteral("1 字符"));

    // Leaving empties the editor and hands nothing over.
    workflow.calls.clear();
    workflow.setManual(false);
    drainEventLoop();
    EXPECT_TRUE(view->manualInputText().isEmpty());
    EXPECT_TRUE(editor->text().isEmpty());
    EXPECT_TRUE(workflow.calls.isEmpty());
    EXPECT_EQ(view->body()->currentWidget(), view->readingBody());
}

TEST_F(ResultPanelViewTest, ManualOutputPrefersAnyResultOverTheStatus) {
    workflow.setManual(true);
    ResultPanelManualBody* body = view->manualBody();
    workflow.setStatus(WorkflowStatus::manualInput());
    EXPECT_EQ(body->output()->currentWidget(), body->hintPage());
    workflow.setStatus(WorkflowStatus::streaming());
    EXPECT_EQ(body->output()->currentWidget(), body->progressPage());
    workflow.setResult(QStringLiteral("部分"));
    EXPECT_EQ(body->output()->currentWidget(), body->resultView());
    workflow.setStatus(WorkflowStatus::failed(QStringLiteral("超时")));
    EXPECT_EQ(body->output()->currentWidget(), body->resultView()); // the partial result stays
    EXPECT_EQ(body->outputCaption()->text(), QStringLiteral("译文 · 超时"));
    workflow.setResult(QString());
    EXPECT_EQ(body->outputCaption()->text(), QStringLiteral("译文"));
    EXPECT_EQ(body->output()->currentWidget(), body->failureLabel());
    EXPECT_EQ(body->failureLabel()->text(), QStringLiteral("超时"));
    workflow.setStatus(WorkflowStatus::cancelled());
    EXPECT_EQ(body->output()->currentWidget(), body->cancelledPage());
}

TEST_F(ResultPanelViewTest, StreamedChunksWithinAFrameCostOneUpdate) {
    showPanel(); // a hidden panel holds no text
    workflow.setStatus(WorkflowStatus::streaming());
    ResultPanelTextView* text = view->readingBody()->resultView();
    QTextDocument* document = text->document();
    int updates = 0;
    QObject::connect(document, &QTextDocument::contentsChange, [&] { ++updates; });

    // The first chunk replaces the placeholder at once; a burst after it is shown together when the frame
    // ends.
    QString result = QStringLiteral("chunk 0 ");
    workflow.setResult(result);
    EXPECT_EQ(text->toPlainText(), result);
    updates = 0;
    for (int chunk = 1; chunk < 50; ++chunk) {
        result += QStringLiteral("chunk %1 ").arg(chunk);
        workflow.setResult(result);
    }
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(text->requestedText(), result);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text->hasPendingText(); }));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(text->toPlainText(), result);

    // A new translation replaces the text at once, and a waiting extension of the old one is dropped.
    workflow.setResult(result + QStringLiteral("more"));
    workflow.setResult(QStringLiteral("fresh"));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("fresh"));
    drainEventLoop();
    EXPECT_EQ(text->toPlainText(), QStringLiteral("fresh"));

    // In the manual body the streamed result is paced the same way and completes at once.
    workflow.setResult(QString());
    workflow.setManual(true);
    ResultPanelTextView* manual = view->manualBody()->resultView();
    workflow.setResult(QStringLiteral("a"));
    workflow.setResult(QStringLiteral("ab"));
    EXPECT_EQ(manual->shownText(), QStringLiteral("a"));
    workflow.setStatus(WorkflowStatus::completed());
    EXPECT_EQ(manual->toPlainText(), QStringLiteral("ab"));
}

TEST_F(ResultPanelViewTest, StreamedAppendsKeepTheSelectionAndMatchAWholeFill) {
    showPanel(); // a hidden panel holds no text
    workflow.setStatus(WorkflowStatus::streaming());
    ResultPanelTextView* text = view->readingBody()->resultView();
    // A non-breaking space or a line separator reads back differently from the document; a line break
    // split between chunks as "\r" + "\n" must still be a single break.
    const QStringList chunks{QStringLiteral("价格\u00A0100"), QStringLiteral(" 元\u2028第二行"),
                             QStringLiteral(" 末\r"), QStringLiteral("\n下一段"), QStringLiteral(" 完")};
    QString result;
    for (const QString& chunk : chunks) {
        result += chunk;
        workflow.setResult(result);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !text->hasPendingText(); }));
        if (result.size() == chunks[0].size()) {
            QTextCursor selection = text->textCursor();
            selection.setPosition(0);
            selection.setPosition(2, QTextCursor::KeepAnchor);
            text->setTextCursor(selection);
        }
    }
    // The selection made after the first chunk survived the characters that read back differently...
    EXPECT_EQ(text->textCursor().selectedText(), QStringLiteral("价格"));
    // ...and the streamed document is the one a single fill gives.
    ResultPanelTextView whole(ResultPanelTextView::Sizing::scrolling,
                              ResultPanelTextView::WhileHidden::keepsText);
    whole.showText(result);
    EXPECT_EQ(text->toPlainText(), whole.toPlainText());
    EXPECT_EQ(text->document()->blockCount(), whole.document()->blockCount());

    // Completion shows the whole result in the same widget and keeps the selection.
    workflow.setResult(result + QStringLiteral(" 尾"));
    workflow.setStatus(WorkflowStatus::completed());
    EXPECT_EQ(view->readingBody()->resultView(), text);
    EXPECT_EQ(text->shownText(), workflow.resultText());
    whole.showText(workflow.resultText());
    EXPECT_EQ(text->toPlainText(), whole.toPlainText());
    EXPECT_EQ(text->textCursor().selectedText(), QStringLiteral("价格"));

    view->header()->closeButton()->click();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("dismiss")});
}

// An answer of one endless paragraph: each update lays out one block of bounded length, never the whole
// paragraph; a copied selection and the streamed document are the same as for the text filled at once.
TEST_F(ResultPanelViewTest, ALongParagraphIsShownInBoundedBlocksAndCopiedWhole) {
    showPanel(); // a hidden panel holds no text
    workflow.setStatus(WorkflowStatus::streaming());
    ResultPanelTextView* text = view->readingBody()->resultView();
    QString result;
    for (int piece = 0; result.size() < 30 * ResultPanelTextView::kBlockLength; ++piece) {
        // Words, a stretch without blanks (as in Chinese), and characters that must not be split.
        result += piece % 50 < 25 ? QStringLiteral("word%1 ").arg(piece)
                                  : QStringLiteral("词语e\u0301👍🏽%1").arg(piece % 10);
        workflow.setResult(result);
        text->flushPendingText();
    }
    QTextDocument* document = text->document();
    EXPECT_GT(document->blockCount(), 10);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        EXPECT_LE(block.length(), 2 * ResultPanelTextView::kBlockLength + 1);

    ResultPanelTextView whole(ResultPanelTextView::Sizing::scrolling,
                              ResultPanelTextView::WhileHidden::keepsText);
    whole.showText(result);
    whole.flushPendingText();
    EXPECT_EQ(text->toPlainText(), whole.toPlainText());

    // Copying the whole text or a part across block ends gives the answer's own characters.
    text->selectAll();
    text->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), result);
    QTextCursor part = text->textCursor();
    part.setPosition(ResultPanelTextView::kBlockLength / 2);
    part.setPosition(document->characterCount() / 2, QTextCursor::KeepAnchor);
    text->setTextCursor(part);
    text->copy();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_GT(copied.size(), 5 * ResultPanelTextView::kBlockLength);
    EXPECT_TRUE(result.contains(copied));
    EXPECT_FALSE(copied.contains(QLatin1Char('\n')));
}

// A long answer given at once is laid out a bounded part at a time, the rest on the following frames, and
// ends holding the whole answer. The next translation's section is shown holding its own text, never the
// last answer, which it would lay out again.
TEST_F(ResultPanelViewTest, ALongAnswerIsShownInBoundedPartsAndNotLaidOutAgainForTheNext) {
    showPanel(); // a hidden panel holds no text
    ResultPanelTextView* text = view->readingBody()->resultView();
    int largestUpdate = 0;
    QObject::connect(text->document(), &QTextDocument::contentsChange,
                     [&](int, int, int added) { largestUpdate = std::max(largestUpdate, added); });
    constexpr qsizetype part = ResultPanelTextView::kUpdateLength;
    // A "\r\n" across the end of the first part is still one line break.
    QString result = QString(part - 1, QLatin1Char('a')) + QStringLiteral("\r\n");
    while (result.size() < 5 * part)
        result += QStringLiteral("词语%1 ").arg(result.size());
    workflow.setResult(result);
    workflow.setStatus(WorkflowStatus::completed());
    EXPECT_TRUE(text->hasPendingText());
    EXPECT_FALSE(ResultPanelTextView::allTextShown());
    ASSERT_TRUE(QTest::qWaitFor(&ResultPanelTextView::allTextShown));
    EXPECT_LE(largestUpdate, part + part / ResultPanelTextView::kBlockLength); // its text and its block ends
    text->selectAll();
    text->copy();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString(result).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    struct ShowProbe : QObject {
        ResultPanelTextView* text;
        QList<int> lengths; // the view's document length at each showing of its section
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Show)
                lengths << text->document()->characterCount();
            return false;
        }
    } probe;
    probe.text = text;
    view->readingBody()->resultSection()->installEventFilter(&probe);
    workflow.setStatus(WorkflowStatus::capturing());
    workflow.setResult(QString());
    workflow.setStatus(WorkflowStatus::streaming());
    EXPECT_EQ(probe.lengths, QList<int>{2}); // the placeholder " " and the document's end
}

// A hidden panel keeps no answer in its views (a long one would be held and laid out for nobody); shown,
// it shows the whole current text, and follows the answer from there.
TEST_F(ResultPanelViewTest, AHiddenPanelHoldsNoTextAndShowsTheWholeAnswerOnceShown) {
    ResultPanelTextView* source = view->readingBody()->sourceView();
    ResultPanelTextView* text = view->readingBody()->resultView();
    workflow.setSource(QStringLiteral("原文"));
    workflow.setStatus(WorkflowStatus::streaming());
    QString result;
    for (int piece = 0; piece < 50; ++piece) {
        result += QStringLiteral("piece %1 ").arg(piece);
        workflow.setResult(result);
    }
    drainEventLoop();
    EXPECT_TRUE(text->document()->isEmpty());
    EXPECT_TRUE(source->document()->isEmpty());

    showPanel();
    EXPECT_EQ(text->toPlainText(), result);
    EXPECT_EQ(source->toPlainText(), QStringLiteral("原文"));
    result += QStringLiteral("end");
    workflow.setResult(result);
    workflow.setStatus(WorkflowStatus::completed());
    EXPECT_EQ(text->toPlainText(), result);

    // Hidden again, a new answer is not kept; the manual body's view does the same.
    view->hide();
    workflow.setResult(QStringLiteral("下一个"));
    EXPECT_TRUE(text->document()->isEmpty());
    workflow.setManual(true);
    workflow.setResult(QStringLiteral("手动译文"));
    ResultPanelTextView* manual = view->manualBody()->resultView();
    EXPECT_TRUE(manual->document()->isEmpty());
    showPanel();
    EXPECT_EQ(manual->toPlainText(), QStringLiteral("手动译文"));
    workflow.setManual(false);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("手动译文"));
}

TEST_F(ResultPanelViewTest, FooterOffersTheActionsOfEachState) {
    struct Row {
        WorkflowStatus status;
        bool manual;
        QStringList withoutPasteBack;
    };
    const Row rows[] = {
        {WorkflowStatus::streaming(), false, {"停止", "复制(off)"}},
        {WorkflowStatus::streaming(), true, {"停止", "复制(off)"}},
        {WorkflowStatus::manualInput(), true, {"翻译(off)", "复制(off)"}},
        {WorkflowStatus::textCaptured(), false, {"复制原文", "翻译", "复制(off)"}},
        {WorkflowStatus::completed(), false, {"复制(off)"}},
    };
    workflow.m_source = QStringLiteral("src");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status.debugName().toStdString());
        workflow.m_manual = row.manual;
        workflow.m_status = row.status;
        workflow.setPasteBack(false);
        Q_EMIT workflow.statusChanged();
        EXPECT_EQ(buttonTitles(), row.withoutPasteBack);
        workflow.setPasteBack(true);
        EXPECT_EQ(buttonTitles(), row.withoutPasteBack + QStringList{QStringLiteral("替换原文(off)")});
    }
    // Whitespace is a result worth copying; only the manual translate button trims.
    workflow.setResult(QStringLiteral(" "));
    EXPECT_TRUE(view->footer()->copyButton()->isEnabled());
    workflow.m_manual = true;
    workflow.setStatus(WorkflowStatus::manualInput());
    view->setManualInputText(QStringLiteral(" \n "));
    EXPECT_FALSE(view->footer()->manualTranslateButton()->isEnabled());
    view->setManualInputText(QStringLiteral("  ab \n"));
    EXPECT_TRUE(view->footer()->manualTranslateButton()->isEnabled());
}

TEST_F(ResultPanelViewTest, ShortcutsClickOnlyVisibleEnabledButtons) {
    workflow.m_manual = true;
    workflow.setStatus(WorkflowStatus::manualInput());
    showPanel();
    drainEventLoop();
    NativeTextEditor* editor = view->manualBody()->editor();
    editor->setFocus();
    view->setManualInputText(QStringLiteral("  ab \n"));
    workflow.calls.clear();

    QSignalSpy clicked(view->footer()->manualTranslateButton(), &QPushButton::clicked);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(clicked.wait(1000));
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("manual(  ab \n)")}); // untrimmed

    // Return in the editor is a newline; the hidden replace button does not answer it.
    workflow.calls.clear();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\n\n")));
    // Ctrl+Shift+C on an empty result copies nothing.
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::qWait(250);
    for (const QString& call : workflow.calls)
        EXPECT_TRUE(call.startsWith(QStringLiteral("input("))) << call.toStdString();

    // Busy in manual mode: stop replaces translate, which comes back afterwards.
    workflow.setStatus(WorkflowStatus::streaming());
    EXPECT_EQ(view->footer()->visibleButtons().first(), view->footer()->stopButton());
    workflow.setStatus(WorkflowStatus::cancelled());
    EXPECT_EQ(view->footer()->visibleButtons().first(), view->footer()->manualTranslateButton());
}

TEST_F(ResultPanelViewTest, EngineSwitchAndQualityChoice) {
    showPanel();
    ResultPanelFooter* footer = view->footer();
    workflow.setSource(QStringLiteral("text"));
    settings.selectCloudTranslationQuality(CloudTranslationQuality::advanced);
    drainEventLoop();
    workflow.calls.clear();
    // The quality picker belongs to the cloud engine only and comes back with its choice.
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    EXPECT_TRUE(footer->qualityPicker()->isHidden());
    settings.setTranslationEngine(TranslationEngine::cloudStandard);
    EXPECT_FALSE(footer->qualityPicker()->isHidden());
    EXPECT_EQ(footer->qualityPicker()->currentData().toString(), QStringLiteral("advanced"));
    drainEventLoop();
    // Every engine's and quality's name is shown whole, not cut at the picker's edge.
    for (QComboBox* picker : {footer->enginePicker(), footer->qualityPicker()})
        EXPECT_LE(picker->sizeHint().width(), picker->width()) << picker->accessibleName().toStdString();

    // Choosing a quality in the picker writes it and translates again once.
    Q_EMIT footer->qualityPicker()->activated(0);
    drainEventLoop();
    EXPECT_EQ(settings.quality, CloudTranslationQuality::standard);
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("retranslate(text,0)")});

    // Recognised text translates the source without paste-back.
    workflow.calls.clear();
    workflow.setStatus(WorkflowStatus::textCaptured());
    footer->recognizedTranslateButton()->click();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("translateText(text,0)")});
}

TEST_F(ResultPanelViewTest, UnknownLanguageCodeIsShownNotReplaced) {
    settings.source = QStringLiteral("tlh");
    Q_EMIT settings.sourceLanguageChanged();
    QComboBox* picker = view->header()->sourcePicker();
    EXPECT_EQ(picker->currentData().toString(), QStringLiteral("tlh"));
    EXPECT_EQ(settings.source, QStringLiteral("tlh"));
    settings.setSourceLanguage(QStringLiteral("auto"));
    EXPECT_EQ(picker->currentData().toString(), QStringLiteral("auto"));
    EXPECT_EQ(picker->findData(QStringLiteral("tlh")), -1);
}

} // namespace
} // namespace tolvane

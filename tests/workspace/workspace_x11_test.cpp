// The workspace in the assembled application, in this process on the test session's desktop: the real
// delegate with the workspace as its main window content, a fresh home with a real history database, a
// fake OpenAI-compatible service, and input through XTest (xdotool).
#include "app/app_delegate.h"
#include "app/desktop_delegate.h"
#include "app/main_window_controller.h"
#include "app/scoped_environment.h"
#include "model/app_settings.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "model/raw_enum.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_window.h"
#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "support/full_disk.h"
#include "support/image_probes.h"
#include "support/in_sight.h"
#include "support/task_outcome.h"
#include "support/virtual_clock.h"
#include "support/x11_tools.h"
#include "ui/native_text_editor.h"
#include "ui/theme.h"
#include "workflow/helper_process.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/glossary_editor.h"
#include "workspace/main_translate_view.h"
#include "workspace/meta_text.h"
#include "workspace/option_list.h"
#include "workspace/premium_selector.h"
#include "workspace/rail_button.h"
#include "workspace/result_pane.h"
#include "workspace/route_pill.h"
#include "workspace/signal_row.h"
#include "workspace/signal_sidebar.h"
#include "workspace/source_pane.h"
#include "workspace/style_quick_picker.h"
#include "workspace/title_bar.h"
#include "workspace/tool_rail.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

// Generous by default: typed keys and replies each wait for the X server and this process on a busy machine.
bool until(const std::function<bool()>& condition, int timeoutMs = 30000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// Runs xdotool (arguments split at spaces unless given as a list) without blocking this process's event
// loop, which has to answer what it does.
bool xdo(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return until([&] { return tool.state() == QProcess::NotRunning; }, 20000) && tool.exitCode() == 0;
}
bool xdo(const QString& command) {
    return xdo(command.split(QLatin1Char(' ')));
}

QPoint centre(const QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

class WorkspaceDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        userFolders.redirectUserFolders(home.path());
        LaunchEnvironment environment;
        environment.arguments = {QStringLiteral("tolvane")};
        environment.environment = QProcessEnvironment::systemEnvironment();
        environment.environment.remove(LaunchEnvironment::testHostVariable);
        delegate = std::make_unique<AppDelegate>(environment,
                                                 AppFactories{.mainContent = MainTranslateView::factory()},
                                                 DesktopServices::x11(SessionKind::x11));
        AppSettings& settings = delegate->settings();
        settings.defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
        settings.setModel(QStringLiteral("test-model"));
        settings.setSourceLanguage(QStringLiteral("en-US"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        delegate->storage().keychainStore().saveAPIKey(QStringLiteral("sk-workspace"));
        ASSERT_TRUE(startUntilFinished(*delegate));
        ASSERT_TRUE(until(
            [&] { return window() && window()->windowHandle() && window()->windowHandle()->isExposed(); }));
        view = window()->findChild<MainTranslateView*>();
        ASSERT_NE(view, nullptr);
        activate();
    }
    void TearDown() override { delegate.reset(); }

    QWidget* window() const {
        return delegate->mainWindowController() ? delegate->mainWindowController()->window() : nullptr;
    }
    WorkflowCoordinator& workflow() const { return delegate->workflow(); }
    NativeTextEditor* editor() const { return view->sourcePane()->editor(); }
    bool panelShown() const { return delegate->panelController()->panelWindow()->isVisible(); }
    void activate() {
        ASSERT_TRUE(xdo(QStringLiteral("windowactivate --sync %1").arg(window()->winId())));
        ASSERT_TRUE(until([&] { return window()->isActiveWindow(); }));
    }
    void click(const QWidget* widget) {
        ASSERT_TRUE(
            xdo(QStringLiteral("mousemove %1 %2 click 1").arg(centre(widget).x()).arg(centre(widget).y())));
    }
    // Types into the editor after clicking it, and waits until the text arrived.
    void typeIntoEditor(const QString& text) {
        click(editor());
        const QString before = view->inputText();
        ASSERT_TRUE(xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}));
        ASSERT_TRUE(until([&] { return view->inputText() != before && view->inputText().endsWith(text); }));
    }
    bool requests(int count) {
        return until([&] { return openai.requests().size() == count; });
    }
    bool status(Kind kind) {
        return until([&] { return workflow().status().kind() == kind; });
    }
    // Focus on a control of the window other than the editor, as Tab would put it.
    void focusOutsideTheEditor() {
        view->controls()->sourceSelector()->setFocus(Qt::TabFocusReason);
        QTest::qWait(50);
    }
    // Drags what the test application offers (its options) onto the source pane, with the steps a user's
    // pointer takes; the drag's end as the source saw it (a Qt::DropAction), none when it never ended.
    std::optional<int> dragOntoSourcePane(const QStringList& offer) {
        HelperProcess source(QStringLiteral(CLIPBOARD_TEST_APP), QStringList{QStringLiteral("drag")} + offer);
        const QString id = QString::number(source.window());
        // Out of the way of the main window (openbox may report the move as failed while doing it).
        xdo(QStringLiteral("windowmove --sync %1 0 0").arg(id));
        source.send("field");
        const QStringList field = source.waitForLine(QStringLiteral("FIELD ")).value_or(QString()).split(' ');
        if (field.size() < 5 || !xdo(QStringLiteral("mousemove --window %1 %2 %3 mousedown 1")
                                         .arg(id)
                                         .arg(field[1].toInt() + 20)
                                         .arg(field[2].toInt() + field[4].toInt() / 2)))
            return std::nullopt;
        const QPoint from = QCursor::pos(), to = centre(view->sourcePane());
        for (int step = 1; step <= 6; ++step) {
            const QPoint at = from + (to - from) * step / 6;
            xdo(QStringLiteral("mousemove %1 %2").arg(at.x()).arg(at.y()));
            QTest::qWait(150);
        }
        // Release only once the pane has taken the drag: a release the busy source handles before the pane
        // answered its last position ends the drag without a drop.
        (void)QTest::qWaitFor([&] { return view->sourcePane()->isDropTargeted(); }, 10000);
        xdo(QStringLiteral("mouseup 1"));
        const std::optional<QString> ended = source.waitForLine(QStringLiteral("DRAG "), 10000);
        return ended ? std::optional(ended->section(QLatin1Char('='), 1).toInt()) : std::nullopt;
    }

    // The captions the source pane shows (its count and its status line).
    QStringList sourceCaptions() const {
        QStringList texts;
        for (const MetaText* caption : view->sourcePane()->findChildren<MetaText*>())
            texts << caption->text();
        return texts;
    }
    bool selecting() const {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() &&
                QByteArray(top->metaObject()->className()).contains("ScreenshotSelectionView"))
                return true;
        return false;
    }
    void typeKeys(const QString& text) {
        ASSERT_TRUE(xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}));
    }

    QTemporaryDir home;
    ScopedEnvironment userFolders;
    FakeHttpServer openai;
    std::unique_ptr<AppDelegate> delegate;
    MainTranslateView* view = nullptr;
};

TEST_F(WorkspaceDesktop, TypedTextIsTranslatedCopiedAndStoppedFromTheKeyboard) {
    const QString translation = "你好，工作区";
    openai.enqueue(openai::stream({"你好，", "工作区"}, 20));
    ResultPane* result = view->resultPane();
    EXPECT_EQ(result->placeholder()->text(), "译文会显示在这里。");

    typeIntoEditor("Hello workspace");
    ASSERT_TRUE(requests(1));
    ASSERT_TRUE(status(Kind::completed)) << workflow().status().debugName().toStdString();
    EXPECT_TRUE(openai.requests().first().body.contains("Hello workspace"));
    EXPECT_TRUE(until([&] { return result->resultView()->toPlainText() == translation; }));
    EXPECT_FALSE(result->showsPlaceholder());
    EXPECT_EQ(result->caption()->text(), "翻译 · 已完成");
    EXPECT_EQ(view->sourcePane()->countLabel()->text(), "原文 · 15 字符");
    QTest::qWait(1500);
    EXPECT_EQ(openai.requests().size(), 1) << "one request for the typed text";

    click(result->copyButton());
    EXPECT_TRUE(until([&] { return desktopClipboard() == translation; })) << desktopClipboard().toStdString();
    EXPECT_TRUE(editor()->hasFocus()) << "a click on a button leaves the editor focused";

    // Return with focus outside the editor: nothing for an empty editor.
    delegate->settings().setAutoTranslateWhileTyping(false);
    click(view->sourcePane()->clearButton());
    ASSERT_TRUE(until([&] { return editor()->text().isEmpty(); }));
    focusOutsideTheEditor();
    xdo(QStringLiteral("key Return"));
    QTest::qWait(300);
    EXPECT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(workflow().status().kind(), Kind::idle);

    // With text, one request; while it streams slowly the button stops it, and Return (then Escape) stops.
    const QStringList slow(40, "慢");
    openai.enqueue(openai::stream(slow, 250));
    openai.enqueue(openai::stream(slow, 250));
    typeIntoEditor("Slow text");
    focusOutsideTheEditor();
    xdo(QStringLiteral("key Return"));
    ASSERT_TRUE(requests(2));
    ASSERT_TRUE(status(Kind::streaming));
    WorkspaceButton* translate = view->titleBar()->translateButton();
    EXPECT_EQ(translate->label().title, "停止");
    EXPECT_EQ(translate->accessibleName(), "停止翻译");
    xdo(QStringLiteral("key Return"));
    ASSERT_TRUE(status(Kind::cancelled));
    EXPECT_EQ(translate->label().title, "翻译");
    focusOutsideTheEditor();
    xdo(QStringLiteral("key Return"));
    ASSERT_TRUE(requests(3));
    ASSERT_TRUE(status(Kind::streaming));
    xdo(QStringLiteral("key Escape"));
    EXPECT_TRUE(status(Kind::cancelled)) << workflow().status().debugName().toStdString();
}

TEST_F(WorkspaceDesktop, LanguageChoicesTranslateTheTypedTextAgainOnlyWhenTheyChangeSomething) {
    for (int i = 0; i < 4; ++i)
        openai.enqueue(openai::stream({"译文"}, 10));
    AppSettings& settings = delegate->settings();
    typeIntoEditor("Pick a target");
    ASSERT_TRUE(requests(1));
    ASSERT_TRUE(status(Kind::completed));

    // A target picked in its list (a row fully in view): stored, the list closed, one request with it.
    PremiumSelector* target = view->controls()->targetSelector();
    click(target);
    ASSERT_TRUE(until([&] { return target->list() && target->list()->isVisible(); }));
    const QList<QAbstractButton*> rows = target->list()->findChildren<QAbstractButton*>();
    qsizetype index = 0;
    while (index < rows.size() && (target->options().at(index).id == settings.targetLanguage() ||
                                   rows.at(index)->visibleRegion().boundingRect() != rows.at(index)->rect()))
        ++index;
    ASSERT_LT(index, rows.size());
    const QString picked = target->options().at(index).id;
    click(rows.at(index));
    ASSERT_TRUE(requests(2));
    EXPECT_EQ(settings.targetLanguage(), picked);
    EXPECT_EQ(settings.defaults().value("translation.targetLanguage").toString(), picked);
    EXPECT_FALSE(target->isPresented());
    ASSERT_TRUE(status(Kind::completed));

    // Swap: one request; the value already chosen: none.
    click(view->controls()->swapButton());
    ASSERT_TRUE(requests(3));
    EXPECT_EQ(settings.sourceLanguage(), picked);
    EXPECT_EQ(settings.targetLanguage(), "en-US");
    ASSERT_TRUE(status(Kind::completed));
    target->choose(settings.targetLanguage());
    QTest::qWait(1000);
    EXPECT_EQ(openai.requests().size(), 3);

    // While the floating panel shows, the panel re-translates what it shows; the workspace's own (longer)
    // text is not sent.
    settings.setAutoTranslateWhileTyping(false);
    xdo(QStringLiteral("key End"));
    typeIntoEditor("!");
    workflow().presentPanel(std::nullopt);
    ASSERT_TRUE(until([&] { return panelShown(); }));
    settings.setTargetLanguage("zh-Hans");
    QTest::qWait(1500);
    for (const auto& request : openai.requests())
        EXPECT_FALSE(request.body.contains("Pick a target!"));
}

TEST_F(WorkspaceDesktop, ATranslationFromElsewhereNeverReplacesTypedText) {
    openai.enqueue(openai::stream({"一"}, 10));
    openai.enqueue(openai::stream({"二"}, 10));
    delegate->settings().setAutoTranslateWhileTyping(false);
    typeIntoEditor("My own words");

    // Another application comes to the front; a translation starts from there.
    HelperProcess other(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), QStringLiteral("x")});
    ASSERT_TRUE(other.isReady());
    ASSERT_TRUE(xdo(QStringLiteral("windowactivate --sync %1").arg(other.window())));
    ASSERT_TRUE(until([&] { return !window()->isActiveWindow(); }));
    workflow().translateText("Outside text", false);
    ASSERT_TRUE(status(Kind::completed));
    EXPECT_EQ(editor()->text(), "My own words");
    EXPECT_EQ(view->inputText(), "My own words");

    // Back in the window, focus moved off the editor: the untouched editor takes the next source.
    activate();
    click(view->resultPane()->resultView());
    ASSERT_TRUE(until([&] { return !view->isInputEditing(); }));
    workflow().translateText("Another outside text", false);
    EXPECT_TRUE(until([&] { return editor()->text() == "Another outside text"; }));
}

TEST_F(WorkspaceDesktop, DroppedTextFilesAndImagesBecomeTheSourceAndOtherDropsChangeNothing) {
    for (int i = 0; i < 4; ++i)
        openai.enqueue(openai::stream({"译文"}, 10));
    QImage picture(640, 160, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(64);
        painter.setFont(font);
        painter.drawText(picture.rect(), Qt::AlignCenter, "HELLO OCR");
    }
    const QString png = home.filePath("words.png");
    ASSERT_TRUE(picture.save(png));
    const int copy = int(Qt::CopyAction);

    // Text, then a UTF-8 file: each becomes the source and is translated once.
    EXPECT_EQ(dragOntoSourcePane({QStringLiteral("--text"), QStringLiteral("Dropped words")}), copy);
    EXPECT_TRUE(until([&] { return editor()->text() == "Dropped words"; }));
    ASSERT_TRUE(requests(1));
    ASSERT_TRUE(status(Kind::completed));
    EXPECT_EQ(dragOntoSourcePane({"--file", writeFile(home.filePath("note.txt"), "  Words from a file\n")}),
              copy);
    EXPECT_TRUE(until([&] { return editor()->text() == "Words from a file"; }));
    ASSERT_TRUE(requests(2));
    ASSERT_TRUE(status(Kind::completed));

    // Files that cannot be used: accepted as a copy, nothing changes, and the status line says why.
    const std::vector<std::pair<QString, QString>> unusable{
        {writeFile(home.filePath("big.txt"), QByteArray(3 * 1024 * 1024, 'a')), "文件过大"},
        {home.path(), "不是文本或图片"},
        {writeFile(home.filePath("data.bin"), QByteArray("\x00\xff\xfe\x01binary", 10)), "不是文本或图片"},
    };
    for (const auto& [path, expected] : unusable) {
        const QString reason = expected;
        EXPECT_EQ(dragOntoSourcePane({"--file", path}), copy) << path.toStdString();
        EXPECT_TRUE(until([&] { return sourceCaptions().join('|').contains(reason); }))
            << path.toStdString() << ": " << sourceCaptions().join('|').toStdString();
        EXPECT_EQ(editor()->text(), "Words from a file");
    }
    EXPECT_EQ(openai.requests().size(), 2);

    // Typed text, then an image file: its recognised text is translated and replaces the typed text.
    typeIntoEditor(" and typed");
    EXPECT_FALSE(sourceCaptions().join('|').contains("不是文本或图片")) << "an edit ends the notice";
    EXPECT_EQ(dragOntoSourcePane({"--file", png}), copy);
    EXPECT_TRUE(until([&] { return workflow().sourceText().contains("HELLO", Qt::CaseInsensitive); }, 30000))
        << workflow().sourceText().toStdString() << " " << workflow().status().debugName().toStdString();
    EXPECT_TRUE(until([&] { return editor()->text() == workflow().sourceText(); }))
        << editor()->text().toStdString();
    EXPECT_EQ(view->inputText(), editor()->text());
}

TEST_F(WorkspaceDesktop, SavingThroughTheDialogWritesTheResultOrShowsWhyNot) {
    const QString translation = "保存的译文 ✓";
    openai.enqueue(openai::stream({translation}, 10));
    typeIntoEditor("Save me");
    ASSERT_TRUE(status(Kind::completed));
    ASSERT_TRUE(until([&] { return workflow().resultText() == translation; }));

    // Types `path` into the save dialog once it is up and active, and accepts it; the dialog's question
    // whether to replace an existing file is answered Yes. The dialog runs its own loop inside the click, so
    // a timer does the typing.
    const auto saveTo = [&](const QString& path) {
        auto* poll = new QTimer(view);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, path, typed = false]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* question = qobject_cast<QMessageBox*>(modal)) {
                if (QAbstractButton* yes = question->button(QMessageBox::Yes))
                    yes->click();
                return;
            }
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                // Closed: the file was chosen.
                if (typed) {
                    poll->deleteLater();
                    poll->stop();
                }
                return;
            }
            if (typed || !dialog->isActiveWindow())
                return;
            typed = true;
            QProcess::startDetached(
                "sh", {"-c", "xdotool key ctrl+a && xdotool type \"$0\" && xdotool key Return", path});
        });
        poll->start(100);
        click(view->resultPane()->saveButton());
    };
    const QString saved = home.filePath("saved.txt");
    saveTo(saved);
    ASSERT_TRUE(until([&] { return QFile::exists(saved); }, 20000));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), translation.toUtf8());

    // A disk that takes no more bytes: the file the user chose to replace keeps its bytes, a new one is not
    // made, and the failure says so in words.
    const QString earlier = writeFile(home.filePath("earlier.txt"), "earlier words");
    const QString fresh = home.filePath("fresh.txt");
    const std::pair<QString, QString> fullDiskSaves[] = {
        {earlier, "保存译文失败：文件过大，原来的文件没有改动"},
        {fresh, "保存译文失败：文件过大"},
    };
    for (const auto& [path, message] : fullDiskSaves) {
        workflow().setStatus(WorkflowStatus::completed());
        {
            FileSizeLimit full(0);
            ASSERT_TRUE(full.isApplied());
            saveTo(path);
            ASSERT_TRUE(status(Kind::failed)) << path.toStdString();
        }
        EXPECT_EQ(workflow().status().message().toStdString(), message.toStdString());
    }
    QFile kept(earlier);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "earlier words");
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(QDir(home.path()).entryList({"*.txt*"}, QDir::Files), QStringList({"earlier.txt", "saved.txt"}))
        << "a temporary file was left";

    // A folder that is a regular file: the failure, in Chinese words, is the status, and the panel shows it.
    saveTo(writeFile(home.filePath("plain"), {}) + "/out.txt");
    ASSERT_TRUE(status(Kind::failed));
    EXPECT_EQ(workflow().status().message(), QStringLiteral("保存译文失败：路径中有一部分不是文件夹"));
    EXPECT_TRUE(until([&] { return panelShown(); }));
    EXPECT_EQ(workflow().resultText(), translation);
}

// The dark windows' scroll bars are dark and slim like them, with no light track or arrow buttons: the
// answer's, a language list's, the glossary's and the floating panel's, each with more than it can show.
TEST_F(WorkspaceDesktop, ScrollBarsAreDarkAndSlimLikeTheWindow) {
    QStringList lines;
    for (int line = 0; line < 80; ++line)
        lines << QStringLiteral("第 %1 行译文").arg(line);
    const QString answer = lines.join(QLatin1Char('\n'));
    openai.enqueue(openai::stream({answer}, 10));
    openai.enqueue(openai::stream({answer}, 10));
    QList<GlossaryTerm> terms;
    for (int term = 0; term < 20; ++term)
        terms << GlossaryTerm{QUuid::createUuid(), QStringLiteral("term %1").arg(term),
                              QStringLiteral("术语")};
    delegate->settings().setGlossaryTerms(terms);

    // The bar as the screen shows it: its window drawn under it, each of its pixels dark, the handle in it.
    const auto expectDarkAndSlim = [](QScrollBar* bar, const char* name) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(until([&] { return bar->isVisible() && bar->maximum() > 0; }));
        EXPECT_LE(bar->width(), 10);
        QWidget* window = bar->window();
        const QImage image = window->grab(QRect(bar->mapTo(window, QPoint()), bar->size()))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const int light = countPixels(image, [](const QColor& c) {
            return std::max({c.red(), c.green(), c.blue()}) > 0x60;
        });
        EXPECT_EQ(light, 0) << "of " << image.width() << " x " << image.height();
        EXPECT_GT(countPixels(image, [](const QColor& c) { return distance(c, Theme::color2B2824()) <= 4; }),
                  0)
            << "the handle shows";
    };

    workflow().translateText(QStringLiteral("A long text"), false);
    ASSERT_TRUE(status(Kind::completed));
    expectDarkAndSlim(view->resultPane()->resultView()->verticalScrollBar(), "answer");

    PremiumSelector* target = view->controls()->targetSelector();
    click(target);
    ASSERT_TRUE(until([&] { return target->list() && target->list()->isVisible(); }));
    auto* languages = target->list()->findChild<OptionList*>();
    ASSERT_NE(languages, nullptr);
    expectDarkAndSlim(languages->verticalScrollBar(), "language list");
    xdo(QStringLiteral("key Escape"));
    ASSERT_TRUE(until([&] { return !target->isPresented(); }));

    ToolRail* rail = view->rail();
    click(rail->glossaryButton());
    ASSERT_TRUE(until([&] { return rail->glossaryPopover() && rail->glossaryPopover()->isVisible(); }));
    auto* glossary = rail->glossaryPopover()->findChild<QScrollArea*>();
    ASSERT_NE(glossary, nullptr);
    expectDarkAndSlim(glossary->verticalScrollBar(), "glossary");
    click(rail->glossaryButton());
    ASSERT_TRUE(until([&] { return !rail->showsGlossary(); }));

    workflow().translateCapturedSelection({QStringLiteral("A long selection"), QRect(400, 300, 120, 20)});
    ASSERT_TRUE(until([&] { return panelShown() && workflow().status().kind() == Kind::completed; }));
    auto* reading = delegate->panelController()->panelWindow()->findChild<ResultPanelReadingBody*>();
    ASSERT_NE(reading, nullptr);
    expectDarkAndSlim(reading->verticalScrollBar(), "panel");
}

TEST_F(WorkspaceDesktop, TheWindowOpensAndComesBackWithTypingInTheEditorAndItsResultUpToDate) {
    AppSettings& settings = delegate->settings();
    settings.setAutoTranslateWhileTyping(false);
    // Just opened: letters and a space land in the editor, no capture starts.
    typeKeys("first words");
    EXPECT_TRUE(until([&] { return view->inputText() == "first words"; })) << view->inputText().toStdString();
    EXPECT_FALSE(selecting());

    // Translated, then hidden with the focus elsewhere; the target language changes meanwhile.
    openai.enqueue(openai::stream({"旧"}, 10));
    openai.enqueue(openai::stream({"新"}, 10));
    click(view->titleBar()->translateButton());
    ASSERT_TRUE(requests(1));
    ASSERT_TRUE(status(Kind::completed));
    focusOutsideTheEditor();
    window()->hide();
    settings.setTargetLanguage("ja");
    QTest::qWait(500);
    EXPECT_EQ(openai.requests().size(), 1) << "nothing is sent while hidden";

    // Back by its hot key: the result is translated again once, and typing goes to the editor.
    ASSERT_TRUE(
        xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+o")}));
    ASSERT_TRUE(until([&] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(requests(2));
    EXPECT_EQ(workflow().lastRequest()->targetLanguage, "ja");
    ASSERT_TRUE(status(Kind::completed));
    typeKeys(" again");
    EXPECT_TRUE(until([&] { return view->inputText() == "first words again"; }))
        << view->inputText().toStdString();
    QTest::qWait(1000);
    EXPECT_EQ(openai.requests().size(), 2);
    EXPECT_FALSE(selecting());
}

TEST_F(WorkspaceDesktop, DraftsReplacedByTheProgramComeBackWithUndo) {
    delegate->settings().setAutoTranslateWhileTyping(false);
    openai.enqueue(openai::stream({"外"}, 10));
    const std::vector<std::pair<const char*, std::function<void()>>> replacements{
        {"clear button", [&] { click(view->sourcePane()->clearButton()); }},
        {"Ctrl+N", [&] { xdo(QStringLiteral("key ctrl+n")); }},
        {"translation from elsewhere",
         [&] {
             focusOutsideTheEditor();
             workflow().translateText("Outside text", false);
         }},
        {"text drop",
         [&] {
             dragOntoSourcePane({QStringLiteral("--text"), QStringLiteral("Dropped")});
         }},
    };
    int index = 0;
    for (const auto& [name, replace] : replacements) {
        SCOPED_TRACE(name);
        const QString draft = QStringLiteral("Draft %1").arg(++index);
        click(view->sourcePane()->clearButton());
        typeIntoEditor(draft);
        replace();
        ASSERT_TRUE(until([&] { return editor()->text() != draft; }));
        activate();
        click(editor());
        xdo(QStringLiteral("key ctrl+z"));
        EXPECT_TRUE(until([&] { return editor()->text() == draft && view->inputText() == draft; }))
            << editor()->text().toStdString();
    }
}

TEST_F(WorkspaceDesktop, EscapeAndTheTypingSwitchLeaveTheFloatingPanelsWorkAlone) {
    // An error in the floating panel: Escape in the main window leaves it for the user to read.
    workflow().setStatus(WorkflowStatus::failed("服务暂时不可用"));
    workflow().presentPanel(std::nullopt);
    ASSERT_TRUE(until([&] { return panelShown(); }));
    activate();
    xdo(QStringLiteral("key Escape"));
    QTest::qWait(500);
    EXPECT_TRUE(panelShown());

    // A translation from elsewhere streams: switching automatic translation off lets it finish.
    openai.enqueue(openai::stream(QStringList(8, "慢"), 150));
    workflow().translateText("Selected elsewhere", true);
    ASSERT_TRUE(status(Kind::streaming));
    delegate->settings().setAutoTranslateWhileTyping(false);
    EXPECT_TRUE(status(Kind::completed)) << workflow().status().debugName().toStdString();
}

TEST_F(WorkspaceDesktop, TextBeyondTheLimitIsNeverSentAndTheWindowSaysTheLimit) {
    const QString large = QStringLiteral("Long text.").repeated(3000);
    QGuiApplication::clipboard()->setText(large);
    click(editor());
    ASSERT_TRUE(xdo(QStringLiteral("key ctrl+v")));
    ASSERT_TRUE(until([&] { return view->inputText() == large; }));
    EXPECT_TRUE(status(Kind::failed)) << workflow().status().debugName().toStdString();
    EXPECT_TRUE(until([&] { return view->resultPane()->placeholder()->text().contains("20000"); }))
        << view->resultPane()->placeholder()->text().toStdString();
    focusOutsideTheEditor();
    xdo(QStringLiteral("key Return"));
    QTest::qWait(1500);
    EXPECT_EQ(workflow().status().kind(), Kind::failed);
    EXPECT_TRUE(openai.requests().isEmpty());
}

TEST_F(WorkspaceDesktop, TextsFarBeyondTheLimitAndDropsWithoutTextAreRefusedWithWordsAndTheDraftKept) {
    delegate->settings().setAutoTranslateWhileTyping(false);
    typeIntoEditor("My draft");
    const auto told = [&](const QString& words) {
        return until([&] { return sourceCaptions().join('|').contains(words); });
    };
    const QString limit = QStringLiteral("原文最多 %1 个").arg(maximumSourceLength);

    // Another application owns the clipboard with 20 MB of text: the paste is refused with the limit, and
    // the window goes on taking keys.
    const QString pasted =
        writeFile(home.filePath("paste.txt"), QByteArray("A long line of pasted words.\n").repeated(700'000));
    HelperProcess owner(QStringLiteral(CLIPBOARD_TEST_APP),
                        {QStringLiteral("owner"), QStringLiteral("--text-file"), pasted});
    ASSERT_TRUE(owner.isReady());
    activate();
    ASSERT_TRUE(editor()->hasFocus());
    ASSERT_TRUE(xdo(QStringLiteral("key ctrl+v")));
    EXPECT_TRUE(told(limit)) << sourceCaptions().join('|').toStdString();
    // Told whole and in sight: on as many lines as the words need at the caption's width.
    const MetaText* refusal = nullptr;
    for (const MetaText* caption : view->sourcePane()->findChildren<MetaText*>())
        if (caption->text().contains(limit))
            refusal = caption;
    ASSERT_NE(refusal, nullptr);
    EXPECT_TRUE(until([&] {
        const QRectF lines =
            QFontMetricsF(MetaText::font())
                .boundingRect(QRectF(0, 0, refusal->width(), 1e6), Qt::TextWordWrap, refusal->text());
        return wholeInSight(refusal) && refusal->height() >= lines.height();
    })) << refusal->width()
        << " wide, " << refusal->height() << " high";
    EXPECT_EQ(editor()->text(), "My draft");
    typeKeys(" kept");
    EXPECT_TRUE(until([&] { return view->inputText() == "My draft kept"; }))
        << view->inputText().toStdString();

    // Drops of too much text, of no text and of files that fail while read (the system's words said in
    // Chinese): each is told, none changes the editor.
    const int copy = int(Qt::CopyAction);
    const std::vector<std::pair<QStringList, QString>> refused{
        {{QStringLiteral("--text"), QString(60000, QLatin1Char('w'))}, limit},
        {{QStringLiteral("--file"), writeFile(home.filePath("long.txt"), QByteArray(60000, 'w'))}, limit},
        {{QStringLiteral("--text"), QStringLiteral(" \n  ")}, QStringLiteral("拖放的内容没有文字")},
        {{QStringLiteral("--file"), writeFile(home.filePath("empty.txt"), {})},
         QStringLiteral("文件里没有文字")},
        {{QStringLiteral("--file"), QStringLiteral("/proc/self/mem")},
         QStringLiteral("无法读取文件：读写出错，磁盘、存储设备或文件系统可能有问题。")},
        // Its reads must come in whole entries, which a text file's read is not.
        {{QStringLiteral("--file"), QStringLiteral("/proc/self/pagemap")},
         QStringLiteral("无法读取文件：系统不接受这个操作，文件系统可能不支持这种读写或这个文件名。")},
    };
    for (const auto& [offer, words] : refused) {
        SCOPED_TRACE(offer.last().left(40).toStdString());
        EXPECT_EQ(dragOntoSourcePane(offer), copy);
        EXPECT_TRUE(told(words)) << sourceCaptions().join('|').toStdString();
        EXPECT_EQ(editor()->text(), "My draft kept");
        EXPECT_EQ(view->inputText(), "My draft kept");
    }
    EXPECT_TRUE(openai.requests().isEmpty());
}

TEST_F(WorkspaceDesktop, TextsTheProgramSetsKeepOnlyTheNewestUndoSteps) {
    delegate->settings().setAutoTranslateWhileTyping(false);
    typeIntoEditor("Typed draft");
    focusOutsideTheEditor();
    ASSERT_TRUE(until([&] { return !view->isInputEditing(); }));
    // Rows reopened from the history one after another, each replacing the untouched editor's text.
    const int replacements = 2 * NativeTextEditor::undoLevelsBeforeTrim;
    for (int i = 0; i < replacements; ++i) {
        HistoryEntry entry;
        entry.id = QStringLiteral("ENTRY-%1").arg(i);
        entry.sourceText = QStringLiteral("Entry %1").arg(i);
        entry.resultText = QStringLiteral("条目 %1").arg(i);
        entry.provider = QStringLiteral("test");
        workflow().showHistoryEntry(entry);
    }
    ASSERT_TRUE(until([&] { return editor()->text() == QStringLiteral("Entry %1").arg(replacements - 1); }));

    // The keyboard's undo walks back through the newest steps.
    click(editor());
    for (int back = 1; back <= 3; ++back) {
        ASSERT_TRUE(xdo(QStringLiteral("key ctrl+z")));
        const QString expected = QStringLiteral("Entry %1").arg(replacements - 1 - back);
        EXPECT_TRUE(until([&] { return editor()->text() == expected && view->inputText() == expected; }))
            << editor()->text().toStdString();
    }
    // Far fewer steps remain than were made.
    int remaining = 0;
    while (editor()->document()->isUndoAvailable() && remaining <= replacements) {
        editor()->undo();
        ++remaining;
    }
    EXPECT_LT(remaining + 3, NativeTextEditor::undoLevelsBeforeTrim);
    EXPECT_GE(remaining + 3, NativeTextEditor::undoLevelsKept);
}

TEST_F(WorkspaceDesktop, PickersLabelsAndStatusesShowTheirOwnValues) {
    AppSettings& settings = delegate->settings();
    settings.setAutoTranslateWhileTyping(false);
    WorkspaceControls* controls = view->controls();
    const auto values = [&] {
        return QStringList{settings.sourceLanguage(), settings.targetLanguage(),
                           rawValue(settings.translationStyle())};
    };
    // Each picker stores its own setting only, and its title shows the pick.
    const std::vector<std::tuple<PremiumSelector*, int, std::function<QString(QString)>>> pickers{
        {controls->sourceSelector(), 0, workspaceLanguageName},
        {controls->targetSelector(), 1, workspaceLanguageName},
        {controls->styleSelector(), 2,
         [](const QString& id) {
             return styleSelectorTitle(displayName(*fromRawValue<TranslationStyle>(id)));
         }},
    };
    for (const auto& [picker, slot, title] : pickers) {
        SCOPED_TRACE(slot);
        PremiumSelector* selector = picker;
        click(selector);
        ASSERT_TRUE(until([&] { return selector->list() && selector->list()->isVisible(); }));
        const QList<QAbstractButton*> rows = selector->list()->findChildren<QAbstractButton*>();
        qsizetype index = 0;
        while (index < rows.size() &&
               (selector->options().at(index).id == values()[slot] ||
                rows.at(index)->visibleRegion().boundingRect() != rows.at(index)->rect()))
            ++index;
        ASSERT_LT(index, rows.size());
        QStringList expected = values();
        expected[slot] = selector->options().at(index).id;
        click(rows.at(index));
        EXPECT_TRUE(until([&] { return values() == expected; })) << values().join('|').toStdString();
        EXPECT_EQ(selector->title(), title(expected[slot]));
    }
    // The route pill names the engine.
    settings.setTranslationEngine(TranslationEngine::cloudStandard);
    EXPECT_TRUE(until([&] { return view->titleBar()->routePill()->text() == "云端线路"; }));
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    EXPECT_TRUE(until([&] { return view->titleBar()->routePill()->text() == "BYOK 线路 · 安全"; }));

    // Statuses: the result pane's caption and placeholder, and the title bar's button.
    ResultPane* result = view->resultPane();
    WorkspaceButton* translate = view->titleBar()->translateButton();
    for (const auto& [shown, caption, placeholder, button] :
         std::vector<std::tuple<WorkflowStatus, QString, QString, QString>>{
             {WorkflowStatus::streaming(), "翻译 · 已完成", "正在翻译…", "停止"},
             {WorkflowStatus::cancelled(), "翻译 · 准备就绪", "已停止翻译。", "翻译"},
             {WorkflowStatus::failed("密钥无效"), "翻译 · 准备就绪", "密钥无效", "翻译"},
             {WorkflowStatus::idle(), "翻译 · 准备就绪", "译文会显示在这里。", "翻译"}}) {
        workflow().setStatus(shown);
        EXPECT_EQ(result->caption()->text(), caption) << shown.debugName().toStdString();
        EXPECT_EQ(result->placeholder()->text(), placeholder) << shown.debugName().toStdString();
        EXPECT_EQ(translate->label().title, button) << shown.debugName().toStdString();
    }

    // Disabled buttons look disabled: translate with an empty editor, copy without a result.
    const QImage translateOff = translate->grab().toImage(), copyOff = result->copyButton()->grab().toImage();
    ASSERT_FALSE(translate->isEnabled());
    ASSERT_FALSE(result->copyButton()->isEnabled());
    openai.enqueue(openai::stream({"译文"}, 10));
    typeIntoEditor("Enable me");
    EXPECT_TRUE(translate->isEnabled());
    EXPECT_NE(translate->grab().toImage(), translateOff);
    click(translate);
    ASSERT_TRUE(status(Kind::completed));
    EXPECT_TRUE(result->copyButton()->isEnabled());
    EXPECT_NE(result->copyButton()->grab().toImage(), copyOff);
}

TEST_F(WorkspaceDesktop, APickersListIsWorkedByTheKeysWhoseReturnOnlyChooses) {
    AppSettings& settings = delegate->settings();
    PremiumSelector* style = view->controls()->styleSelector();
    // The window's Return and Enter translate (their shortcuts fire with the empty editor too, doing
    // nothing).
    std::vector<std::unique_ptr<QSignalSpy>> translateKeys;
    for (QShortcut* shortcut : view->titleBar()->findChildren<QShortcut*>())
        translateKeys.push_back(std::make_unique<QSignalSpy>(shortcut, &QShortcut::activated));
    ASSERT_EQ(translateKeys.size(), 2u);
    const auto translateKeyPresses = [&] { return translateKeys[0]->count() + translateKeys[1]->count(); };
    const auto rowWithKeys = [&]() -> qsizetype {
        const OptionList* list = style->list() ? style->list()->findChild<OptionList*>() : nullptr;
        return list ? list->rows().indexOf(QApplication::focusWidget()) : -1;
    };
    // Space on the focused drop-down opens its list with the keys on the current style.
    const auto openByKeys = [&] {
        style->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(until([&] { return style->hasFocus(); }));
        xdo(QStringLiteral("key space"));
        ASSERT_TRUE(until([&] { return rowWithKeys() == int(settings.translationStyle()); }));
    };
    const auto keyReaches = [&](const QString& key, TranslationStyle row) {
        xdo(QStringLiteral("key ") + key);
        EXPECT_TRUE(until([&] { return rowWithKeys() == int(row); })) << key.toStdString();
    };
    const auto chooseWith = [&](const QString& key, TranslationStyle chosen) {
        xdo(QStringLiteral("key ") + key);
        EXPECT_TRUE(until([&] { return settings.translationStyle() == chosen && !style->isPresented(); }))
            << key.toStdString();
        EXPECT_EQ(style->title(), styleSelectorTitle(displayName(chosen)));
        EXPECT_TRUE(until([&] { return style->hasFocus(); })) << "back on the drop-down";
    };

    settings.selectTranslationStyle(TranslationStyle::polished);
    openByKeys();
    keyReaches(QStringLiteral("Down"), TranslationStyle::technical);
    chooseWith(QStringLiteral("Return"), TranslationStyle::technical);
    openByKeys();
    keyReaches(QStringLiteral("End"), TranslationStyle::email);
    keyReaches(QStringLiteral("Home"), TranslationStyle::literal);
    keyReaches(QStringLiteral("e"), TranslationStyle::email);
    keyReaches(QStringLiteral("p"), TranslationStyle::polished);
    chooseWith(QStringLiteral("KP_Enter"), TranslationStyle::polished);
    EXPECT_EQ(translateKeyPresses(), 0) << "Return and Enter in the list only choose";

    // Escape closes the list and keeps the style.
    openByKeys();
    keyReaches(QStringLiteral("Up"), TranslationStyle::literal);
    xdo(QStringLiteral("key Escape"));
    EXPECT_TRUE(until([&] { return !style->isPresented() && style->hasFocus(); }));
    EXPECT_EQ(settings.translationStyle(), TranslationStyle::polished);
    // Outside the list Return is the window's again.
    xdo(QStringLiteral("key Return"));
    EXPECT_TRUE(until([&] { return translateKeyPresses() == 1; }));
}

// Recent history in the sidebar and the tool rail, through the assembled application.
class SidebarDesktop : public WorkspaceDesktop {
protected:
    SignalSidebar* sidebar() const { return view->sidebar(); }
    QStringList titles() const {
        QStringList titles;
        for (SignalRow* row : sidebar()->rows())
            titles << row->body()->title();
        return titles;
    }
    SignalRow* row(const QString& title) const {
        for (SignalRow* row : sidebar()->rows())
            if (row->body()->title() == title)
                return row;
        return nullptr;
    }
    // Rows written beside the running application, the oldest `age` seconds ago, then the list loaded again.
    void store(int count, const QString& provider = QStringLiteral("OpenAI"), int age = 3600) {
        VirtualClock clock;
        HistoryStore other(clock, delegate->storage().historyDatabasePath());
        const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-age);
        for (int i = 0; i < count; ++i)
            await(other.upsertHistoryEntry(
                QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                AIRequest{.sourceText = QStringLiteral("%1 row %2").arg(provider).arg(i),
                          .sourceLanguage = "en-US",
                          .targetLanguage = "zh-Hans"},
                QStringLiteral("结果 %1").arg(i), provider, start.addSecs(i)));
        sidebar()->reload();
    }
    // Clicks a widget once it is laid out and its window is on screen.
    void clickPlaced(const QWidget* widget) {
        ASSERT_TRUE(until([&] {
            return widget->isVisible() && widget->window()->windowHandle() &&
                   widget->window()->windowHandle()->isExposed();
        }));
        QTest::qWait(100);
        click(widget);
    }
    void translateTyped(const QString& text, int request) {
        openai.enqueue(openai::stream({"译文：" + text}, 10));
        typeIntoEditor(text);
        ASSERT_TRUE(requests(request));
        ASSERT_TRUE(status(Kind::completed));
    }
    QList<HistoryEntry> stored() {
        VirtualClock clock;
        HistoryStore other(clock, delegate->storage().historyDatabasePath());
        return await(other.fetchHistory());
    }
};

TEST_F(SidebarDesktop, CompletedTranslationsAreListedReopenedWithoutARequestAndDeleted) {
    EXPECT_TRUE(until([&] { return sidebar()->emptyText() == "完成翻译后会显示在这里"; }));
    translateTyped("First text", 1);
    ASSERT_TRUE(until([&] { return titles() == QStringList{"First text"}; }))
        << titles().join('|').toStdString();
    const QString detail = row("First text")->body()->detail();
    EXPECT_TRUE(detail.startsWith("EN → ZH · ") && detail == detail.toUpper()) << detail.toStdString();
    EXPECT_FALSE(detail.contains("· IN ") || detail.endsWith("后")) << "a row just made is not in the future";
    click(sidebar()->newTranslationButton());
    ASSERT_TRUE(until([&] { return view->inputText().isEmpty(); }));
    translateTyped("Second text", 2);
    ASSERT_TRUE(until([&] {
        return titles() == QStringList{"Second text", "First text"};
    })) << titles().join('|').toStdString();

    // A click shows the stored pair without asking the service again, and selects the row.
    clickPlaced(row("First text")->body());
    ASSERT_TRUE(until([&] { return view->inputText() == "First text"; }));
    EXPECT_TRUE(until([&] { return workflow().resultText() == "译文：First text"; }));
    EXPECT_TRUE(until([&] { return row("First text") && row("First text")->isSelected(); }));
    EXPECT_FALSE(row("Second text")->isSelected());
    QTest::qWait(500);
    EXPECT_EQ(openai.requests().size(), 2);

    // Its trash removes one row from the list and the file, and nothing else.
    clickPlaced(row("Second text")->trash());
    ASSERT_TRUE(until([&] { return titles() == QStringList{"First text"}; }))
        << titles().join('|').toStdString();
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().first().sourceText, "First text");

    // 26 stored rows: the newest 20 are listed.
    store(25);
    EXPECT_TRUE(until([&] { return sidebar()->rows().size() == 20; })) << sidebar()->rows().size();

    // Cleared elsewhere: the notification reloads the list.
    VirtualClock clock;
    await(HistoryStore(clock, delegate->storage().historyDatabasePath()).clearAll());
    delegate->historyEvents().announceCleared(nullptr);
    EXPECT_TRUE(until([&] { return sidebar()->emptyText() == "完成翻译后会显示在这里"; }));
    EXPECT_TRUE(sidebar()->rows().isEmpty());
}

// The interface is Chinese, and so are the rows' ages, whatever the process's locale.
TEST_F(SidebarDesktop, AgesReadInChineseUnderAnyLocale) {
    struct RestoreLocale {
        QLocale locale;
        ~RestoreLocale() { QLocale::setDefault(locale); }
    } restore;
    for (const auto& [locale, name] : std::vector<std::pair<QLocale, QString>>{
             {QLocale::c(), "C"}, {QLocale(QLocale::English, QLocale::UnitedStates), "en_US"}}) {
        QLocale::setDefault(locale);
        store(1, name, 90);
        const QString title = name + " row 0";
        ASSERT_TRUE(until([&] { return row(title); })) << titles().join('|').toStdString();
        EXPECT_EQ(row(title)->body()->detail(), "EN → ZH · 1分钟前")
            << name.toStdString() << ": " << row(title)->body()->detail().toStdString();
    }
}

TEST_F(SidebarDesktop, SearchFiltersByTextAndProviderAndCtrlNStartsOver) {
    store(2, QStringLiteral("OpenAI"));
    store(1, QStringLiteral("Hosted"));
    ASSERT_TRUE(until([&] { return sidebar()->rows().size() == 3; }));
    click(sidebar()->searchToggle());
    ASSERT_TRUE(until([&] { return sidebar()->searchField()->hasFocus(); }));
    const auto search = [&](const QString& text, int rows) {
        sidebar()->searchField()->clear();
        xdo({QStringLiteral("type"), text});
        return until(
            [&] { return sidebar()->searchField()->text() == text && sidebar()->rows().size() == rows; });
    };
    EXPECT_TRUE(search("openai", 2)) << sidebar()->rows().size();
    EXPECT_TRUE(search("   ", 3));
    EXPECT_TRUE(search("zzz", 0));
    EXPECT_EQ(sidebar()->emptyText(), "没有匹配的历史记录");
    xdo(QStringLiteral("key Return"));
    QTest::qWait(300);
    EXPECT_TRUE(openai.requests().isEmpty()) << "Return in the search field translates nothing";

    typeIntoEditor("Draft");
    click(sidebar()->searchToggle());
    ASSERT_TRUE(until([&] { return !sidebar()->isSearching(); }));
    EXPECT_TRUE(sidebar()->searchField()->text().isEmpty());
    clickPlaced(sidebar()->searchToggle());
    ASSERT_TRUE(until([&] { return sidebar()->isSearching() && sidebar()->searchField()->hasFocus(); }));
    xdo({QStringLiteral("type"), QStringLiteral("row")});
    xdo(QStringLiteral("key ctrl+n"));
    EXPECT_TRUE(until([&] { return !sidebar()->isSearching() && editor()->hasFocus(); }));
    EXPECT_TRUE(sidebar()->searchField()->text().isEmpty());
    EXPECT_TRUE(view->inputText().isEmpty());
    EXPECT_EQ(workflow().status().kind(), Kind::idle);
    EXPECT_EQ(sidebar()->rows().size(), 3);
}

TEST_F(SidebarDesktop, RailOpensStylesAndGlossaryAndSwitchesTheCapsule) {
    ToolRail* rail = view->rail();
    translateTyped("Style me", 1);

    click(rail->stylesButton());
    ASSERT_TRUE(until([&] { return rail->stylePopover() && rail->stylePopover()->isVisible(); }));
    EXPECT_GT(rail->stylePopover()->geometry().left(),
              rail->stylesButton()->mapToGlobal(QPoint(rail->stylesButton()->width(), 0)).x());
    auto* picker = rail->stylePopover()->findChild<StyleQuickPicker*>();
    StyleRow* technical = picker->rows()[int(TranslationStyle::technical)];
    clickPlaced(technical);
    EXPECT_TRUE(
        until([&] { return delegate->settings().translationStyle() == TranslationStyle::technical; }));
    EXPECT_TRUE(requests(2)) << "one translation again with the new style";
    EXPECT_TRUE(technical->isChecked());
    EXPECT_FALSE(picker->rows()[0]->isChecked());
    EXPECT_TRUE(rail->stylePopover()->isVisible());
    click(rail->stylesButton());
    EXPECT_TRUE(until([&] { return !rail->showsStylePicker(); }));
    QTest::qWait(300);
    EXPECT_FALSE(rail->showsStylePicker()) << "the closing click does not open it again";

    click(rail->glossaryButton());
    ASSERT_TRUE(until([&] { return rail->glossaryPopover() && rail->glossaryPopover()->isVisible(); }));
    auto* glossary = rail->glossaryPopover()->findChild<GlossaryEditor*>();
    clickPlaced(glossary->addButton());
    ASSERT_TRUE(until([&] { return delegate->settings().glossaryTerms().size() == 1; }));
    ASSERT_TRUE(rail->glossaryPopover()) << "a click inside keeps the popover";
    EXPECT_EQ(rail->glossaryPopover()->width(), 500);
    QLineEdit* target = glossary->rows()[0]->targetField();
    clickPlaced(glossary->rows()[0]->sourceField());
    xdo({QStringLiteral("type"), QStringLiteral("API")});
    clickPlaced(target);
    // (xdotool drops characters it has to map to spare key codes, so the test types Latin text.)
    xdo({QStringLiteral("type"), QStringLiteral("interface")});
    EXPECT_TRUE(until([&] { return glossary->countLabel()->text() == "已启用 1 条"; }));
    EXPECT_TRUE(target->hasFocus());
    const QList<GlossaryTerm> terms = delegate->settings().glossaryTerms();
    ASSERT_EQ(terms.size(), 1);
    EXPECT_EQ(terms[0].source, "API");
    EXPECT_EQ(terms[0].target, "interface");
    const QString file =
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Tolvane", "Tolvane").fileName();
    EXPECT_TRUE(until([&] {
        QFile ini(file);
        return ini.open(QIODevice::ReadOnly) && ini.readAll().contains("API");
    })) << file.toStdString();
    xdo(QStringLiteral("key Escape"));
    EXPECT_TRUE(until([&] { return !rail->showsGlossary(); }));

    // The capsule switch flips the setting and its label.
    const bool capsule = delegate->settings().autoSelectionButtonEnabled();
    click(rail->autoSelectionButton());
    EXPECT_TRUE(until([&] { return delegate->settings().autoSelectionButtonEnabled() != capsule; }));
    EXPECT_EQ(rail->autoSelectionButton()->toolTip(), capsule ? "开启自动划词" : "关闭自动划词");
    EXPECT_EQ(rail->autoSelectionButton()->isChecked(), !capsule);

    // Capture starts a recognise-only selection over the screen; Escape ends it.
    click(rail->captureButton());
    EXPECT_TRUE(until([&] { return selecting(); }));
    xdo(QStringLiteral("key Escape"));
    EXPECT_TRUE(until([&] { return !selecting(); }));
    activate();

    // History and settings open their windows.
    click(rail->historyButton());
    EXPECT_TRUE(until(
        [&] { return delegate->hostedWindow("history") && delegate->hostedWindow("history")->isVisible(); }));
    activate();
    click(rail->settingsButton());
    EXPECT_TRUE(until([&] {
        return delegate->hostedWindow("settings") && delegate->hostedWindow("settings")->isVisible();
    }));
}

} // namespace
} // namespace tolvane::testing

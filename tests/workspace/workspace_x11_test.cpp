// The workspace in the assembled application, in this process on the test session's desktop: the real
// delegate with the workspace as its main window content, a fresh home with a real history database, a
// fake OpenAI-compatible service, and input through XTest (xdotool).
#include "app/app_delegate.h"
#include "app/main_window_controller.h"
#include "app/scoped_environment.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_window.h"
#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "support/x11_tools.h"
#include "ui/native_text_editor.h"
#include "workflow/helper_process.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/main_translate_view.h"
#include "workspace/meta_text.h"
#include "workspace/popover.h"
#include "workspace/premium_selector.h"
#include "workspace/result_pane.h"
#include "workspace/source_pane.h"
#include "workspace/title_bar.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_controls.h"

#include "panel/result_panel_text_view.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

// Runs xdotool without blocking this process's event loop, which has to answer what it does.
bool xdotoolAsync(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 20000) &&
           tool.exitCode() == 0;
}

QPoint globalCentre(const QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
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
        delegate->start();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window() && window()->windowHandle() && window()->windowHandle()->isExposed(); },
            10000));
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
    void activate() {
        ASSERT_TRUE(xdotoolAsync({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                  QString::number(window()->winId())}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window()->isActiveWindow(); }, 10000));
    }
    void click(const QWidget* widget) {
        const QPoint at = globalCentre(widget);
        ASSERT_TRUE(xdotoolAsync({QStringLiteral("mousemove"), QString::number(at.x()),
                                  QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")}));
    }
    void typeText(const QString& text) {
        ASSERT_TRUE(
            xdotoolAsync({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}));
    }
    void key(const QString& name) { ASSERT_TRUE(xdotoolAsync({QStringLiteral("key"), name})); }
    bool waitForStatus(Kind kind) {
        return QTest::qWaitFor([&] { return workflow().status().kind() == kind; }, 10000);
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
        if (!source.isReady())
            return std::nullopt;
        const QString id = QString::number(source.window());
        xdotoolAsync({QStringLiteral("windowmove"), QStringLiteral("--sync"), id, QStringLiteral("0"),
                      QStringLiteral("0")});
        source.send("field");
        const std::optional<QString> field = source.waitForLine(QStringLiteral("FIELD "));
        if (!field)
            return std::nullopt;
        const QStringList rect = field->split(QLatin1Char(' '));
        const QPoint from(rect.value(1).toInt() + 20, rect.value(2).toInt() + rect.value(4).toInt() / 2);
        xdotoolAsync({QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(from.x()),
                      QString::number(from.y()), QStringLiteral("mousedown"), QStringLiteral("1")});
        const QPoint start = QCursor::pos();
        const QPoint to = globalCentre(view->sourcePane());
        for (int step = 1; step <= 6; ++step) {
            const QPoint at = start + (to - start) * step / 6;
            xdotoolAsync({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
            QTest::qWait(150);
        }
        xdotoolAsync({QStringLiteral("mouseup"), QStringLiteral("1")});
        const std::optional<QString> ended = source.waitForLine(QStringLiteral("DRAG "), 10000);
        if (!ended)
            return std::nullopt;
        return ended->section(QLatin1Char('='), 1).toInt();
    }

    QTemporaryDir home;
    ScopedEnvironment userFolders;
    FakeHttpServer openai;
    std::unique_ptr<AppDelegate> delegate;
    MainTranslateView* view = nullptr;
};

TEST_F(WorkspaceDesktop, TypedTextIsTranslatedCopiedAndStoppedFromTheKeyboard) {
    const QString translation = QStringLiteral("你好，工作区");
    openai.enqueue(openai::stream({QStringLiteral("你好，"), QStringLiteral("工作区")}, 20));
    ResultPane* result = view->resultPane();
    EXPECT_EQ(result->placeholder()->text(), QStringLiteral("译文会显示在这里。"));

    click(editor());
    typeText(QStringLiteral("Hello workspace"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 1; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::completed)) << workflow().status().debugName().toStdString();
    EXPECT_TRUE(openai.requests().first().body.contains("Hello workspace"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return result->resultView()->toPlainText() == translation; }, 5000));
    EXPECT_FALSE(result->showsPlaceholder());
    EXPECT_EQ(result->caption()->text(), QStringLiteral("翻译 · 已完成"));
    EXPECT_EQ(view->sourcePane()->countLabel()->text(), QStringLiteral("原文 · 15 字符"));
    QTest::qWait(1500);
    EXPECT_EQ(openai.requests().size(), 1) << "one request for the typed text";

    click(result->copyButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktopClipboard() == translation; }, 10000))
        << desktopClipboard().toStdString();
    EXPECT_TRUE(editor()->hasFocus()) << "a click on a button leaves the editor focused";

    // Return with focus outside the editor: nothing for an empty editor.
    delegate->settings().setAutoTranslateWhileTyping(false);
    click(view->sourcePane()->clearButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor()->text().isEmpty(); }, 5000));
    focusOutsideTheEditor();
    key(QStringLiteral("Return"));
    QTest::qWait(300);
    EXPECT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(workflow().status().kind(), Kind::idle);

    // With text, one request; while it streams slowly the button stops it, and Return (then Escape) stops.
    QStringList slow;
    for (int i = 0; i < 40; ++i)
        slow << QStringLiteral("慢");
    openai.enqueue(openai::stream(slow, 250));
    openai.enqueue(openai::stream(slow, 250));
    click(editor());
    typeText(QStringLiteral("Slow text"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->inputText() == QStringLiteral("Slow text"); }, 5000));
    focusOutsideTheEditor();
    key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 2; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::streaming));
    WorkspaceButton* translate = view->titleBar()->translateButton();
    EXPECT_EQ(translate->label().title, QStringLiteral("停止"));
    EXPECT_EQ(translate->accessibleName(), QStringLiteral("停止翻译"));
    key(QStringLiteral("Return"));
    ASSERT_TRUE(waitForStatus(Kind::cancelled));
    EXPECT_EQ(translate->label().title, QStringLiteral("翻译"));

    focusOutsideTheEditor();
    key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 3; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::streaming));
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitForStatus(Kind::cancelled)) << workflow().status().debugName().toStdString();
}

TEST_F(WorkspaceDesktop, LanguageChoicesTranslateTheTypedTextAgainOnlyWhenTheyChangeSomething) {
    for (int i = 0; i < 4; ++i)
        openai.enqueue(openai::stream({QStringLiteral("译文")}, 10));
    AppSettings& settings = delegate->settings();
    click(editor());
    typeText(QStringLiteral("Pick a target"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 1; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::completed));

    // A target picked in its list: stored, the list closed, one request with it.
    PremiumSelector* target = view->controls()->targetSelector();
    click(target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return target->list() && target->list()->isVisible(); }, 5000));
    QAbstractButton* row = nullptr;
    QString picked;
    for (QAbstractButton* candidate : target->list()->findChildren<QAbstractButton*>()) {
        const auto option =
            std::find_if(target->options().begin(), target->options().end(),
                         [&](const auto& o) { return o.title == candidate->accessibleName(); });
        if (option != target->options().end() && option->id != settings.targetLanguage() &&
            candidate->visibleRegion().boundingRect().height() == candidate->height()) {
            row = candidate;
            picked = option->id;
            break;
        }
    }
    ASSERT_NE(row, nullptr);
    click(row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 2; }, 10000));
    EXPECT_EQ(settings.targetLanguage(), picked);
    EXPECT_EQ(settings.defaults().value(QStringLiteral("translation.targetLanguage")).toString(), picked);
    EXPECT_FALSE(target->isPresented());
    ASSERT_TRUE(waitForStatus(Kind::completed));

    // Swap: one request; the value already chosen: none.
    click(view->controls()->swapButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 3; }, 10000));
    EXPECT_EQ(settings.sourceLanguage(), picked);
    EXPECT_EQ(settings.targetLanguage(), QStringLiteral("en-US"));
    ASSERT_TRUE(waitForStatus(Kind::completed));
    target->choose(settings.targetLanguage());
    QTest::qWait(1000);
    EXPECT_EQ(openai.requests().size(), 3);

    // While the floating panel shows, the panel re-translates what it shows; the workspace's own (longer)
    // text is not sent.
    settings.setAutoTranslateWhileTyping(false);
    click(editor());
    key(QStringLiteral("End"));
    typeText(QStringLiteral("!"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->inputText().endsWith(QLatin1Char('!')); }, 5000));
    workflow().presentPanel(std::nullopt);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return delegate->panelController()->panelWindow()->isVisible(); }, 5000));
    settings.setTargetLanguage(QStringLiteral("zh-Hans"));
    QTest::qWait(1500);
    for (const auto& request : openai.requests())
        EXPECT_FALSE(request.body.contains("Pick a target!"));
}

TEST_F(WorkspaceDesktop, ATranslationFromElsewhereNeverReplacesTypedText) {
    openai.enqueue(openai::stream({QStringLiteral("一")}, 10));
    openai.enqueue(openai::stream({QStringLiteral("二")}, 10));
    delegate->settings().setAutoTranslateWhileTyping(false);
    click(editor());
    typeText(QStringLiteral("My own words"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->inputText() == QStringLiteral("My own words"); }, 5000));

    // Another application comes to the front; a translation starts from there.
    HelperProcess other(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), QStringLiteral("x")});
    ASSERT_TRUE(other.isReady());
    ASSERT_TRUE(xdotoolAsync(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(other.window())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window()->isActiveWindow(); }, 5000));
    workflow().translateText(QStringLiteral("Outside text"), false);
    ASSERT_TRUE(waitForStatus(Kind::completed));
    EXPECT_EQ(editor()->text(), QStringLiteral("My own words"));
    EXPECT_EQ(view->inputText(), QStringLiteral("My own words"));

    // Back in the window, focus moved off the editor: the untouched editor takes the next source.
    activate();
    click(view->resultPane()->resultView());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isInputEditing(); }, 5000));
    workflow().translateText(QStringLiteral("Another outside text"), false);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return editor()->text() == QStringLiteral("Another outside text"); }, 5000));
}

TEST_F(WorkspaceDesktop, DroppedTextFilesAndImagesBecomeTheSourceAndOtherDropsChangeNothing) {
    for (int i = 0; i < 3; ++i)
        openai.enqueue(openai::stream({QStringLiteral("译文")}, 10));
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(files.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QImage picture(640, 160, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(64);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("HELLO OCR"));
    }
    const QString png = files.filePath(QStringLiteral("words.png"));
    ASSERT_TRUE(picture.save(png));
    const int copy = int(Qt::CopyAction);

    // Text, then a UTF-8 file: each becomes the source and is translated once.
    EXPECT_EQ(dragOntoSourcePane({QStringLiteral("--text"), QStringLiteral("Dropped words")}), copy);
    EXPECT_TRUE(QTest::qWaitFor([&] { return editor()->text() == QStringLiteral("Dropped words"); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 1; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::completed));
    const QString note = write(QStringLiteral("note.txt"), QStringLiteral("  Words from a file\n").toUtf8());
    EXPECT_EQ(dragOntoSourcePane({QStringLiteral("--file"), note}), copy);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return editor()->text() == QStringLiteral("Words from a file"); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 2; }, 10000));
    ASSERT_TRUE(waitForStatus(Kind::completed));

    // Too large a text file, a folder: accepted as a copy, and nothing changes.
    const QString big = write(QStringLiteral("big.txt"), QByteArray(3 * 1024 * 1024, 'a'));
    for (const QString& path : {big, files.path()}) {
        EXPECT_EQ(dragOntoSourcePane({QStringLiteral("--file"), path}), copy) << path.toStdString();
        QTest::qWait(1000);
        EXPECT_EQ(editor()->text(), QStringLiteral("Words from a file"));
    }
    EXPECT_EQ(openai.requests().size(), 2);

    // An image file: its recognised text reaches the coordinator.
    EXPECT_EQ(dragOntoSourcePane({QStringLiteral("--file"), png}), copy);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return workflow().sourceText().contains(QStringLiteral("HELLO"), Qt::CaseInsensitive); },
        30000))
        << workflow().sourceText().toStdString() << " " << workflow().status().debugName().toStdString();
}

TEST_F(WorkspaceDesktop, SavingThroughTheDialogWritesTheResultOrShowsWhyNot) {
    const QString translation = QStringLiteral("保存的译文 ✓");
    openai.enqueue(openai::stream({translation}, 10));
    click(editor());
    typeText(QStringLiteral("Save me"));
    ASSERT_TRUE(waitForStatus(Kind::completed));
    ASSERT_TRUE(QTest::qWaitFor([&] { return workflow().resultText() == translation; }, 5000));

    // Types `path` into the save dialog once it is up, and accepts it.
    const auto answerDialogWith = [&](const QString& path) {
        auto* poll = new QTimer(view);
        poll->setInterval(100);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isActiveWindow())
                return;
            poll->deleteLater();
            poll->stop();
            // "type" takes every later argument as text: one xdotool per step.
            QProcess::startDetached(
                QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("xdotool key ctrl+a && xdotool type --delay 10 \"$0\" && xdotool key Return"),
                 path});
        });
        poll->start();
    };
    const QString saved = home.filePath(QStringLiteral("saved.txt"));
    answerDialogWith(saved);
    click(view->resultPane()->saveButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(saved); }, 20000));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), translation.toUtf8());

    // A folder that is a regular file: the failure is the status, and the panel shows it.
    QFile plain(home.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    answerDialogWith(home.filePath(QStringLiteral("plain/out.txt")));
    click(view->resultPane()->saveButton());
    ASSERT_TRUE(waitForStatus(Kind::failed));
    EXPECT_TRUE(workflow().status().message().startsWith(QStringLiteral("保存译文失败：")))
        << workflow().status().message().toStdString();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return delegate->panelController()->panelWindow()->isVisible(); }, 5000));
    EXPECT_EQ(workflow().resultText(), translation);
}

} // namespace
} // namespace tolvane::testing

// The screenshot road through the real delegate on the test session's desktop (overlay, capture, Tesseract),
// driven by a second X client through XTest; and the tray's accessibility item.
#include "app/app_delegate.h"
#include "app/screenshot_assembly.h"
#include "app/status_menu.h"
#include "desktop_delegate.h"
#include "model/app_settings.h"
#include "ocr/application_window.h"
#include "ocr/other_x_client.h"
#include "ocr/overlay_drag.h"
#include "ocr/picture_window.h"
#include "ocr/screenshot_ocr_service.h"
#include "ocr/screenshot_run_controller.h"
#include "ocr/text_corpus.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_window.h"
#include "scoped_environment.h"
#include "screenshot_overlay_shown.h"
#include "support/x11_tools.h"
#include "workflow/helper_process.h"
#include "workflow/log_capture.h"
#include "workflow/workflow_coordinator.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

const QStringList kLines{QStringLiteral("Quarterly report draft"), QStringLiteral("Please review by Friday")};

// The arguments of a white xterm, black text in DejaVu Sans Mono 22, showing kLines.
QStringList whiteTerminalShowingTheLines() {
    return terminalShowing(kLines.join(u'\n'),
                           {QStringLiteral("-geometry"), QStringLiteral("40x3+120+140"),
                            QStringLiteral("-bg"), QStringLiteral("white"), QStringLiteral("-fg"),
                            QStringLiteral("black"), QStringLiteral("-fa"),
                            QStringLiteral("DejaVu Sans Mono"), QStringLiteral("-fs"), QStringLiteral("22")});
}

class ScreenshotRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(other.connected()) << "needs the test session's X server";
        userHome.set("HOME", home.path().toUtf8());
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11));
        delegate->settings().defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        delegate->settings().setSourceLanguage(QStringLiteral("en"));
        ASSERT_TRUE(startUntilFinished(*delegate));
    }
    WorkflowCoordinator& workflow() { return delegate->workflow(); }
    TranslatorPanel* panel() { return delegate->panelController()->panelWindow(); }

    ScreenshotOverlayController* waitForOverlay() { return testing::waitForOverlay(*delegate, other); }

    // Recognises `region` in `mode` (the overlay's number key), as a user would.
    void recognize(const QRect& region, KeySym mode) {
        delegate->startScreenshotRecognition();
        ScreenshotOverlayController* overlay = waitForOverlay();
        ASSERT_TRUE(overlay);
        other.pressKey(mode);
        ASSERT_TRUE(dragRegion(other, *overlay, region));
        other.pressKey(XK_Return);
    }

    // Recognises the window the overlay pre-selects, as a user accepting it with Return, in a single run: the
    // overlay keeps the mode chosen last, in settings the whole test session shares.
    void recognizePreSelected() {
        delegate->startScreenshotRecognition();
        ScreenshotOverlayController* overlay = waitForOverlay();
        ASSERT_TRUE(overlay);
        other.pressKey(XK_1);
        ASSERT_TRUE(overlay->keyView()->globalSelection().has_value());
        other.pressKey(XK_Return);
    }

    bool runEnded() {
        return QTest::qWaitFor([&] { return !delegate->screenshotAssembly()->runs().isRunActive(); }, 60000);
    }

    QTemporaryDir home;
    ScopedEnvironment userHome;
    OtherXClient other;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(ScreenshotRoad, ASingleRunReadsTheWindowNotThePanelShownOverItAndPlacesThePanelBesideIt) {
    PictureWindow text(QPoint(137, 91), renderText(kLines, 16, false, QStringLiteral("Inter"), 20),
                       Qt::Window);
    ASSERT_TRUE(showAndWait(text));
    const QRect region(text.mapToGlobal(QPoint()), text.size());
    // The panel, showing words of its own, lies over the text before the run starts.
    workflow().showRecognizedText(QStringLiteral("Panel words never to be read"),
                                  QRect(region.center().x(), region.top() - 10, 1, 1));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel()));
    const QRect covered = panel()->frameGeometry().intersected(region);
    ASSERT_FALSE(covered.isEmpty());
    const QPoint probe = covered.center();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QImage screen =
            QGuiApplication::primaryScreen()->grabWindow(0, probe.x(), probe.y(), 1, 1).toImage();
        return screen.pixelColor(0, 0) != QColor(250, 250, 250);
    })) << "the panel is on top of the text";

    recognize(region, XK_1);
    ASSERT_TRUE(runEnded());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return workflow().status().kind() == WorkflowStatus::Kind::textCaptured; }, 60000))
        << workflow().status().debugName().toStdString();
    EXPECT_LE(characterErrorRate(workflow().sourceText(), kLines.join(u'\n')), 0.02)
        << workflow().sourceText().toStdString();
    EXPECT_FALSE(workflow().sourceText().contains(QStringLiteral("Panel")));
    // The result is shown beside the region, not over it.
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_FALSE(panel()->frameGeometry().intersects(region)) << panel()->y();
}

// The default chords, pressed as a user presses them, are told apart: Ctrl+Alt+X only recognises the
// region's text, Ctrl+Alt+S translates it as well.
TEST_F(ScreenshotRoad, TheDefaultChordsRecognizeOnlyAndTranslate) {
    FakeHttpServer openai;
    useFakeChatService(*delegate, openai, QStringLiteral("sk-screenshot-road"));
    PictureWindow text(QPoint(137, 91), renderText(kLines, 16, false, QStringLiteral("Inter"), 20),
                       Qt::Window);
    ASSERT_TRUE(showAndWait(text));
    const QRect region(text.mapToGlobal(QPoint()), text.size());
    // Presses the chord without waiting for xdotool (the hot key is handled in this process), then drags
    // the region in the overlay it opens and accepts it.
    const auto runWith = [&](const char* chord) {
        QProcess key;
        key.start(QStringLiteral("xdotool"),
                  {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QLatin1String(chord)});
        ScreenshotOverlayController* overlay = waitForOverlay();
        ASSERT_TRUE(overlay) << chord;
        ASSERT_TRUE(QTest::qWaitFor([&] { return key.state() == QProcess::NotRunning; }, 10000));
        other.pressKey(XK_1);
        ASSERT_TRUE(dragRegion(other, *overlay, region));
        other.pressKey(XK_Return);
        ASSERT_TRUE(runEnded());
    };
    using Kind = WorkflowStatus::Kind;
    const auto kind = [&] { return workflow().status().kind(); };

    ASSERT_NO_FATAL_FAILURE(runWith("ctrl+alt+x"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return kind() == Kind::textCaptured || kind() == Kind::completed || kind() == Kind::failed; },
        60000))
        << workflow().status().debugName().toStdString();
    EXPECT_EQ(kind(), Kind::textCaptured) << workflow().status().debugName().toStdString();
    EXPECT_LE(characterErrorRate(workflow().sourceText(), kLines.join(u'\n')), 0.02)
        << workflow().sourceText().toStdString();
    EXPECT_TRUE(workflow().resultText().isEmpty()) << workflow().resultText().toStdString();
    workflow().dismissPanel();

    ASSERT_NO_FATAL_FAILURE(runWith("ctrl+alt+s"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return kind() == Kind::completed || kind() == Kind::failed; }, 60000))
        << workflow().status().debugName().toStdString();
    EXPECT_EQ(kind(), Kind::completed) << workflow().status().debugName().toStdString();
    ASSERT_EQ(openai.requests().size(), 1) << "only the translating run asks the service";
    EXPECT_TRUE(openai.requests().first().body.contains("Quarterly report"));
    EXPECT_TRUE(workflow().resultText().startsWith(QStringLiteral("[fake]")))
        << workflow().resultText().toStdString();
}

TEST_F(ScreenshotRoad, AContinuousRunThePanelCannotAvoidReadsTheWindowOnceAcrossItsCycles) {
    // A region the full height of the screen: the panel finds room neither below nor above it, so it lies
    // over the region between the grabs and must be out of each one.
    QImage picture(560, 1000, QImage::Format_RGB32);
    picture.fill(QColor(250, 250, 250));
    QPainter(&picture).drawImage(0, 0, renderText(kLines, 16, false, QStringLiteral("Inter"), 20));
    PictureWindow text(QPoint(137, 40), picture, Qt::Window);
    ASSERT_TRUE(showAndWait(text));
    const QRect region(text.mapToGlobal(QPoint()), text.size());
    LogCapture log("com.tolvane.app.OCR");
    auto count = [&](const QString& line) {
        const QStringList lines = log.lines();
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const QString& logged) { return logged.startsWith(line); }));
    };

    recognize(region, XK_2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return count(QStringLiteral("Captured OCR selection")) >= 3; }, 60000))
        << log.lines().join(u'\n').toStdString();
    other.pressKey(XK_Escape);
    ASSERT_TRUE(runEnded());

    EXPECT_EQ(count(QStringLiteral("OCR completed")), 1) << "an unchanged picture is recognised once";
    EXPECT_LE(characterErrorRate(workflow().sourceText(), kLines.join(u'\n')), 0.02)
        << workflow().sourceText().toStdString();
    EXPECT_TRUE(panel()->frameGeometry().intersects(region));
    // Esc may land while a grab has the panel hidden: the run ends at once, the panel comes back as the
    // grab unwinds.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel()->isVisible(); }, 10000))
        << "shown again after each grab";
}

TEST_F(ScreenshotRoad, TheOverlayOpensOnTheFrontmostApplicationsWindowsContent) {
    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP),
                         {QStringLiteral("edit"), QStringLiteral("front")});
    ASSERT_TRUE(editor.isReady());
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor.window())}));
    const QRect client = clientArea(QString::number(editor.window()));
    ASSERT_TRUE(client.isValid());

    delegate->startScreenshotRecognition();
    ScreenshotOverlayController* overlay = waitForOverlay();
    ASSERT_TRUE(overlay);
    // The client area alone: the manager's title bar and borders are no part of it.
    EXPECT_EQ(overlay->keyView()->globalSelection(), QRectF(client));
    other.pressKey(XK_Escape);
    EXPECT_TRUE(runEnded());
}

TEST_F(ScreenshotRoad, ATerminalReadsAsItsLinesPreSelectedOrDraggedThroughItsFrame) {
    // Black on white with the block cursor right after the last word, as a new user first tries it.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    ApplicationWindow terminal(QStringLiteral("xterm"), whiteTerminalShowingTheLines());
    ASSERT_TRUE(terminal.isShown());
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
    const QRect client = terminal.clientArea();

    // Pre-selected: no line from the title bar, nothing from the cursor.
    delegate->startScreenshotRecognition();
    ScreenshotOverlayController* overlay = waitForOverlay();
    ASSERT_TRUE(overlay);
    ASSERT_EQ(overlay->keyView()->globalSelection(), QRectF(client));
    other.pressKey(XK_1);
    other.pressKey(XK_Return);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(workflow().sourceText(), kLines.join(u'\n'));
    workflow().dismissPanel();

    // Dragged from a little beyond the lower right to a little above the upper left: through the border and
    // into the title bar.
    recognize(client.adjusted(-3, -10, 4, 4), XK_1);
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(workflow().sourceText(), kLines.join(u'\n'));
}

TEST_F(ScreenshotRoad, ASelectedTerminalLineOrWordReadsAsWellAsThePlainText) {
    // A plain white terminal with large monospaced text whose first line the user selected (drawn light on
    // a dark bar) before taking a screenshot of the same window.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    ApplicationWindow terminal(QStringLiteral("xterm"), whiteTerminalShowingTheLines());
    ASSERT_TRUE(terminal.isShown());
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
    const QRect client = terminal.clientArea();
    ASSERT_TRUE(waitUntilPainted(client));
    ASSERT_TRUE(selectTerminalRow(client, 3, 0));
    // The first row turns dark across its text.
    const QRect firstRow = terminalCell(client, 1, 3, 0, 0);
    // The run ends with every line read within 5 % of its characters; the panel is dismissed for the next.
    const auto expectTheLinesRead = [&] {
        ASSERT_TRUE(runEnded());
        EXPECT_LE(characterErrorRate(workflow().sourceText(), kLines.join(u'\n')), 0.05)
            << workflow().sourceText().toStdString();
        workflow().dismissPanel();
    };
    const auto darkShare = [&](const QRect& area) {
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_Grayscale8);
        int dark = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                dark += shown.constScanLine(y)[x] < 128;
        return double(dark) / double(shown.width() * shown.height());
    };
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return darkShare(firstRow.adjusted(0, 0, -firstRow.width() / 2, 0)) > 0.5;
    })) << "the first line is selected";
    ASSERT_TRUE(waitUntilPainted(client));

    ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
    ASSERT_NO_FATAL_FAILURE(expectTheLinesRead());

    recognize(client.adjusted(-3, -10, 4, 4), XK_1);
    ASSERT_NO_FATAL_FAILURE(expectTheLinesRead());

    // Dragged tight over the selected line: the region's top edge runs through its bar, above the glyphs.
    recognize(client.adjusted(-3, 2 + firstRow.height() / 6, 4, 4), XK_1);
    ASSERT_NO_FATAL_FAILURE(expectTheLinesRead());

    // A short word selected with a double click inside the second line: "by" in its columns 14 and 15.
    const QRect by = terminalCell(client, 40, 3, 14, 1);
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
    ASSERT_TRUE(selectTerminalWord(by));
    ASSERT_TRUE(QTest::qWaitFor([&] { return darkShare(by) > 0.5 && darkShare(firstRow) < 0.5; }))
        << "the word alone is selected";
    ASSERT_TRUE(waitUntilPainted(client));
    ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
    ASSERT_NO_FATAL_FAILURE(expectTheLinesRead());

    recognize(client.adjusted(-3, -10, 4, 4), XK_1);
    ASSERT_NO_FATAL_FAILURE(expectTheLinesRead());
}

TEST_F(ScreenshotRoad, AShortWordSelectedInATerminalReadsAsThePlainLines) {
    // A word of two to four letters selected with a double click makes a bar hardly wider than high, which
    // read as junk ("it" as "had", "am" as "gy", "home" as "itive") or not at all ("of", the block cursor a
    // few cells on as tall as its bar); light and dark, DejaVu Sans Mono 22 px.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    const QStringList lines{QStringLiteral("Take the bus for home of mine"),
                            QStringLiteral("Good morning, I am going to it now")};
    for (const auto& [dark, words] :
         {std::pair{false, QStringList{QStringLiteral("it"), QStringLiteral("of")}},
          std::pair{true, QStringList{QStringLiteral("am"), QStringLiteral("home")}}}) {
        ApplicationWindow terminal(
            QStringLiteral("xterm"),
            terminalShowing(
                lines.join(u'\n'),
                {QStringLiteral("-geometry"), QStringLiteral("40x4+120+140"), QStringLiteral("-bg"),
                 dark ? QStringLiteral("#1e1e1e") : QStringLiteral("white"), QStringLiteral("-fg"),
                 dark ? QStringLiteral("#d8d8d8") : QStringLiteral("black"), QStringLiteral("-fa"),
                 QStringLiteral("DejaVu Sans Mono:pixelsize=22")}));
        ASSERT_TRUE(terminal.isShown());
        ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
        const QRect client = terminal.clientArea();
        ASSERT_TRUE(waitUntilPainted(client));
        ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
        ASSERT_TRUE(runEnded());
        const QString plain = workflow().sourceText();
        EXPECT_EQ(plain.toStdString(), lines.join(u'\n').toStdString());
        workflow().dismissPanel();
        for (const QString& word : words) {
            const int line = lines[0].contains(QStringLiteral(" ") + word + QStringLiteral(" ")) ? 0 : 1;
            const int column = int(lines[line].indexOf(QStringLiteral(" ") + word + QStringLiteral(" "))) + 1;
            ASSERT_TRUE(
                xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
            ASSERT_TRUE(selectTerminalWord(terminalCell(client, 40, 4, column, line)));
            ASSERT_TRUE(waitUntilPainted(client));
            ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
            ASSERT_TRUE(runEnded());
            EXPECT_EQ(workflow().sourceText().toStdString(), plain.toStdString())
                << word.toStdString() << (dark ? " dark" : " light");
            workflow().dismissPanel();
        }
    }
}

TEST_F(ScreenshotRoad, ATerminalsCursorOnACharacterLeavesTheLinesAsTheyRead) {
    // A command line being edited: the cursor stands on the "n" of "morning", a block while the terminal
    // has the focus ("morning" read as "morfing") and a hollow box once it has lost it ("morhing").
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    const QStringList lines{QStringLiteral("Take the bus for home of mine"),
                            QStringLiteral("Good morning, I am going to it now")};
    // A window of this process takes the focus; the overlay still offers the terminal.
    QWidget focus;
    focus.setGeometry(1700, 900, 60, 40);
    for (const auto& [pixels, dark] : {std::pair{22, false}, std::pair{12, true}}) {
        const std::string label = std::to_string(pixels) + (dark ? " dark" : " light");
        QString read[3];
        for (int cursor = 0; cursor < 3; ++cursor) {
            // After the text, on the "n", and on the "n" without the focus.
            const QString move = cursor == 0 ? QString() : QStringLiteral("printf '\\033[2;9H'; ");
            ApplicationWindow terminal(
                QStringLiteral("xterm"),
                {QStringLiteral("-geometry"), QStringLiteral("40x8+120+140"), QStringLiteral("-bg"),
                 dark ? QStringLiteral("#1e1e1e") : QStringLiteral("white"), QStringLiteral("-fg"),
                 dark ? QStringLiteral("#d8d8d8") : QStringLiteral("black"), QStringLiteral("-fa"),
                 QStringLiteral("DejaVu Sans Mono:pixelsize=%1").arg(pixels), QStringLiteral("-e"),
                 QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("printf '%s' \"$0\"; ") + move + QStringLiteral("exec cat >/dev/null"),
                 lines.join(u'\n')});
            ASSERT_TRUE(terminal.isShown());
            ASSERT_TRUE(
                xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
            if (cursor == 2) {
                focus.show();
                ASSERT_TRUE(QTest::qWaitForWindowExposed(&focus));
                ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                     QString::number(focus.winId())}));
            }
            ASSERT_TRUE(waitUntilPainted(terminal.clientArea()));
            ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
            ASSERT_TRUE(runEnded());
            read[cursor] = workflow().sourceText();
            workflow().dismissPanel();
            focus.hide();
        }
        EXPECT_EQ(read[0].toStdString(), lines.join(u'\n').toStdString()) << label;
        EXPECT_EQ(read[1].toStdString(), read[0].toStdString()) << "block, " << label;
        EXPECT_EQ(read[2].toStdString(), read[0].toStdString()) << "hollow, " << label;
    }
}

TEST_F(ScreenshotRoad, ALatinWordAmongChineseInATerminalKeepsItsLetters) {
    // A picture mostly of Han characters is read with the Chinese model alone, which took the capital O of
    // a monospace font for a zero.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    const QString shown = QString::fromUtf8("使用 OpenAI 兼容接口进行翻译\n历史记录保存在本地数据库");
    ApplicationWindow terminal(
        QStringLiteral("xterm"),
        terminalShowing(shown, {QStringLiteral("-geometry"), QStringLiteral("40x6+120+140"),
                                QStringLiteral("-bg"), QStringLiteral("white"), QStringLiteral("-fg"),
                                QStringLiteral("black"), QStringLiteral("-fa"), QStringLiteral("Monospace"),
                                QStringLiteral("-fs"), QStringLiteral("11")}));
    ASSERT_TRUE(terminal.isShown());
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));
    ASSERT_TRUE(waitUntilPainted(terminal.clientArea()));

    ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
    ASSERT_TRUE(runEnded());
    const QString read = workflow().sourceText();
    EXPECT_TRUE(read.contains(QStringLiteral(" OpenAI "))) << read.toStdString();
    EXPECT_LE(characterErrorRate(read, shown), 0.05) << read.toStdString();
}

TEST_F(ScreenshotRoad, AnAbbreviationEndingACamelCaseWordKeepsItsCapitalI) {
    // A small sans-serif font draws the capital I of "OpenAI" as it draws a lower-case l.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    const QStringList lines{QString::fromUtf8("使用 OpenAI 兼容接口进行翻译"),
                            QString::fromUtf8("历史记录保存在本地 SQLite 数据库")};
    PictureWindow text(QPoint(137, 91), renderText(lines, 13, false, QStringLiteral("DejaVu Sans"), 8),
                       Qt::Window);
    ASSERT_TRUE(showAndWait(text));

    recognize(QRect(text.mapToGlobal(QPoint()), text.size()), XK_1);
    ASSERT_TRUE(runEnded());
    const QString read = workflow().sourceText();
    EXPECT_TRUE(read.contains(QStringLiteral("OpenAI"))) << read.toStdString();
}

TEST_F(ScreenshotRoad, AGtkTextViewReadsWithoutItsCaretAgainstTheFirstLetter) {
    // A GTK text view puts its caret before the first character, against its first stroke, where it turned
    // "use" into "hse" and "intro" into "Entro"; a steady caret, so that every capture shows it.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QProcessEnvironment environment = gtkWithSteadyCaret(folder, false);
    for (const QString& shown :
         {QStringLiteral("use the menu\nthen close"), QStringLiteral("intro text\nhere it is"),
          QStringLiteral("fix the bug\nnow")}) {
        QFile text(folder.filePath(QStringLiteral("text.txt")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write(shown.toUtf8());
        text.close();
        ApplicationWindow view(
            QStringLiteral("yad"),
            {QStringLiteral("--text-info"), QStringLiteral("--editable"), QStringLiteral("--no-buttons"),
             QStringLiteral("--filename=") + text.fileName(), QStringLiteral("--geometry=460x110+120+140")},
            environment);
        ASSERT_TRUE(view.isShown());
        ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), view.window()}));
        ASSERT_TRUE(waitUntilPainted(view.clientArea()));

        ASSERT_NO_FATAL_FAILURE(recognizePreSelected());
        ASSERT_TRUE(runEnded());
        EXPECT_EQ(workflow().sourceText().toStdString(), shown.toStdString());
        workflow().dismissPanel();
    }
}

TEST_F(ScreenshotRoad, SmallTextMixingChineseAndLatinIsReadAtSeveralScalesThatVote) {
    // A dark GTK text view's small monospace font: a single reading took "Ctrl" for "ctrt" and "窗口" for
    // "窗品"; readings at three scales mostly agree on the right characters.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString shown = QString::fromUtf8(
        "使用 OpenAI 兼容接口进行翻译\n按 Ctrl 加 T 打开主窗口\n历史记录保存在本地 SQLite 数据库");
    QFile text(folder.filePath(QStringLiteral("text.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(shown.toUtf8());
    text.close();
    ApplicationWindow view(QStringLiteral("yad"),
                           {QStringLiteral("--text-info"), QStringLiteral("--editable"),
                            QStringLiteral("--no-buttons"), QStringLiteral("--filename=") + text.fileName(),
                            QStringLiteral("--geometry=460x110+120+140")},
                           gtkWithSteadyCaret(folder, true));
    ASSERT_TRUE(view.isShown());
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), view.window()}));
    ASSERT_TRUE(waitUntilPainted(view.clientArea()));

    recognize(view.clientArea().adjusted(-3, -10, 4, 4), XK_1);
    ASSERT_TRUE(runEnded());
    const QString read = workflow().sourceText();
    EXPECT_EQ(read.count(u'\n'), 2) << read.toStdString();
    EXPECT_LE(characterErrorRate(read, shown), 0.03) << read.toStdString();
}

TEST_F(ScreenshotRoad, ARegionReachingIntoATitleBarReadsNoLineFromIt) {
    // Light text on dark in the terminal's own small font; the region takes in the lower half of the title.
    delegate->settings().setSourceLanguage(QStringLiteral("auto"));
    const QStringList lines{QStringLiteral("Hello world, this is a test."),
                            QStringLiteral("The quick brown fox jumps over the lazy dog."),
                            QStringLiteral("Settings are saved automatically on change.")};
    ApplicationWindow terminal(
        QStringLiteral("xterm"),
        terminalShowing(lines.join(u'\n'),
                        {QStringLiteral("-geometry"), QStringLiteral("56x8+120+140"), QStringLiteral("-bg"),
                         QStringLiteral("#1e1e1e"), QStringLiteral("-fg"), QStringLiteral("#d8d8d8")}));
    ASSERT_TRUE(terminal.isShown());
    ASSERT_TRUE(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), terminal.window()}));

    recognize(terminal.clientArea().adjusted(-3, -10, 4, 4), XK_1);
    ASSERT_TRUE(runEnded());
    const QString read = workflow().sourceText();
    // The terminal's bitmap font draws its full stop as a small cross, which the engine took for a comma.
    EXPECT_EQ(read, lines.join(u'\n'));
}

TEST_F(ScreenshotRoad, TheTraysAccessibilityItemExplainsThePermission) {
    // Asked twice: the item is there, and the second time raises the same box.
    for (QAction* action : delegate->statusMenu()->menu()->actions()) {
        if (action->text() == QStringLiteral("打开辅助功能设置")) {
            action->trigger();
            action->trigger();
        }
    }
    QList<QMessageBox*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            boxes << box;
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front()->text(), QStringLiteral("辅助功能：X11 会话无需单独授权。"));
    EXPECT_FALSE(boxes.front()->informativeText().isEmpty());
    boxes.front()->close();
}

} // namespace
} // namespace tolvane::testing

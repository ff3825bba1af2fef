// Character error rate of screen text recognition on real application windows, read through the assembled
// application as a user does it: xterm (its default bitmap font, a small and a large outline monospace
// font), a Qt text editor in a process of its own and a GTK text view, each light and dark, with Latin,
// Chinese and mixed text and the text cursor showing after the last word. Highlighted cases hold both
// polarities in one capture, Latin and Chinese in light and dark themes: the first line of an xterm selected
// with a triple click, the first row of a Qt list and the first line of a GTK text view selected, and a Qt
// window whose first line is a header bar of the opposite polarity over the other lines; a word of 2 to 8
// letters (1 to 4 Han characters) selected inside a terminal line, with a double click (by dragging across
// the Han characters); and a selected terminal line the region's top or bottom edge cuts through, by none to
// a third of its height. Every window is read twice through the screenshot overlay of the application
// delegate on the test session's desktop: once as the overlay pre-selects it (Return), once as a region
// dragged from a little beyond its lower right to a little above its upper left, through the window
// manager's border and title bar; a cut line is read once, its region dragged from the cut. The table ends
// with the mean and worst rate per script, per road, per kind (plain or highlighted) and per shape of the
// highlight (a whole line, a cut one, a word). A second group reads two lines drawn in DejaVu Sans Mono at
// 12, 16 and 22 px by xterm, rxvt-unicode and a GTK text view, light and dark, each window pre-selected: the
// plain lines, then the same window with a short word selected (to, it, am, of, the, for, home; a double
// click in a terminal, the keyboard in the GTK view) or, in the terminals, the cursor standing on a
// character, focused (a block) or not (a hollow box); each of those is told apart by whether it reads
// exactly as its plain twin; that group is summed up on its own, after the table (the other groups leave it
// out). Run inside scripts/test-session, the second group alone with --benchmark_filter=short/:
//   scripts/test-session build/default/benchmarks/ocr_application_text_benchmark
#include "app/app_delegate.h"
#include "app/desktop_delegate.h"
#include "app/screenshot_assembly.h"
#include "app/screenshot_overlay_shown.h"
#include "model/app_settings.h"
#include "ocr/application_window.h"
#include "ocr/other_x_client.h"
#include "ocr/overlay_drag.h"
#include "ocr/screenshot_run_controller.h"
#include "ocr/text_corpus.h"
#include "workflow/workflow_coordinator.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <map>

namespace tolvane {
namespace {

using testing::ApplicationWindow;

const std::map<QString, QStringList> kTexts{
    {QStringLiteral("latin"),
     {QStringLiteral("Hello world, this is a test."),
      QStringLiteral("The quick brown fox jumps over the lazy dog."),
      QStringLiteral("Settings are saved automatically on change.")}},
    {QStringLiteral("chinese"),
     {QString::fromUtf8("截图翻译会识别屏幕上的文字"), QString::fromUtf8("然后把结果显示在浮动面板中"),
      QString::fromUtf8("请在设置里选择目标语言和风格")}},
    {QStringLiteral("mixed"),
     {QString::fromUtf8("使用 OpenAI 兼容接口进行翻译"), QString::fromUtf8("按 Ctrl 加 T 打开主窗口"),
      QString::fromUtf8("历史记录保存在本地 SQLite 数据库")}},
};

constexpr QPoint kWindowPosition(120, 140);
const QString kQtWindowSwitch = QStringLiteral("--show-qt-window");

// The applications showing a highlight: their first line (or, with a cut, the line the region's edge cuts),
// or a word.
const QStringList kHighlighted{QStringLiteral("xterm-selected"), QStringLiteral("qt-list"),
                               QStringLiteral("gtk-selected"), QStringLiteral("qt-header"),
                               QStringLiteral("xterm-word")};

// The words "xterm-word" selects, one per case: a line and the word's first occurrence in it.
struct SelectedWord {
    int line = 0;
    QString word;
};
const std::map<QString, std::vector<SelectedWord>> kSelectedWords{
    {QStringLiteral("latin"),
     {{0, QStringLiteral("is")},
      {1, QStringLiteral("fox")},
      {1, QStringLiteral("quick")},
      {2, QStringLiteral("Settings")}}},
    {QStringLiteral("chinese"),
     {{0, QString::fromUtf8("会")},
      {1, QString::fromUtf8("结果")},
      {0, QString::fromUtf8("屏幕上")},
      {2, QString::fromUtf8("目标语言")}}},
};

// How much of a selected line's height the region's edge cuts off, in percent.
const std::vector<int> kCuts{0, 17, 33};

// The lines of the short-word and cursor cases, their words and where the cursor stands.
const QStringList kShortLines{QStringLiteral("Take the bus for home of mine"),
                              QStringLiteral("Good morning, I am going to it now")};
const std::vector<SelectedWord> kShortWords{{0, QStringLiteral("the")}, {1, QStringLiteral("to")},
                                            {1, QStringLiteral("it")},  {0, QStringLiteral("home")},
                                            {1, QStringLiteral("am")},  {0, QStringLiteral("for")},
                                            {0, QStringLiteral("of")}};
// The cursor on a character: a line, a word in it and the letter of the word it stands on.
struct CursorPlace {
    int line = 0;
    QString word;
    int letter = 0;
};
const std::vector<CursorPlace> kCursorPlaces{
    {1, QStringLiteral("morning"), 3}, {0, QStringLiteral("the"), 1}, {1, QStringLiteral("to"), 1}};
const std::vector<int> kShortSizes{12, 16, 22};

// One case of the short-word group: the program ("xterm", "urxvt", "gtk"), its font's pixel size and theme,
// and what it shows besides the lines: nothing, a selected word, or the cursor on a character.
struct ShortCase {
    QString program;
    int pixels = 0;
    bool dark = false;
    enum class Mark { none, word, cursor, hollowCursor } mark = Mark::none;
    SelectedWord word;
    CursorPlace cursor;
};

// One case: the application and its theme, the text, the road, and what is selected in the terminal cases.
struct Case {
    QString application;
    bool dark = false;
    QString script;
    // "window" (pre-selected), "region" (dragged through the frame), "cut-top" or "cut-bottom" (dragged with
    // its top or bottom edge through the selected line).
    QString road;
    // With a cut: the share of the line's height cut off, in percent.
    int cut = 0;
    // In "xterm-word": the word selected.
    SelectedWord word;
};

std::map<QString, std::vector<double>> ratesByScript;
std::map<QString, std::vector<double>> ratesByRoad;
std::map<QString, std::vector<double>> ratesByKind;
std::map<QString, std::vector<double>> ratesByShape;
// The short-word group: rates per mark, the plain twins' readings by program, size and theme, and how many
// marked cases read as their twin.
std::map<QString, std::vector<double>> ratesByMark;
std::map<QString, QString> twinReadings;
std::map<QString, std::pair<int, int>> sameAsTwin;

// Made in main(): the delegate and the XTest client of the whole run.
std::unique_ptr<AppDelegate> delegate;
std::unique_ptr<testing::OtherXClient> other;

// The Qt window a child process of this benchmark shows: a text editor, focused, its caret at the end of the
// text ("qt"); a list whose first row is selected ("qt-list"); or the text's first line as a header bar of
// the opposite polarity over the other lines ("qt-header").
int showQtWindow(const QString& application, const QString& textFile, bool dark) {
    QFile file(textFile);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QString text = QString::fromUtf8(file.readAll());
    const QColor base = dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(Qt::white);
    const QColor ink = dark ? QColor(0xe0, 0xe0, 0xe0) : QColor(0x20, 0x20, 0x20);
    if (application == QLatin1String("qt-list")) {
        QListWidget list;
        list.addItems(text.split(QLatin1Char('\n')));
        QPalette palette = list.palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, ink);
        // A dark accent under light text in the light theme, a light one under dark text in the dark theme.
        palette.setColor(QPalette::Highlight, dark ? QColor(0xc8, 0xd8, 0xf0) : QColor(0x2f, 0x6f, 0xb5));
        palette.setColor(QPalette::HighlightedText, dark ? QColor(0x10, 0x10, 0x10) : QColor(Qt::white));
        list.setPalette(palette);
        list.setFrameShape(QFrame::NoFrame);
        list.setCurrentRow(0);
        list.resize(460, 110);
        list.move(kWindowPosition);
        list.show();
        return QApplication::exec();
    }
    if (application == QLatin1String("qt-header")) {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        const QString header = text.section(QLatin1Char('\n'), 0, 0);
        auto* bar = new QLabel(header);
        bar->setAutoFillBackground(true);
        bar->setMargin(8);
        QPalette barPalette = bar->palette();
        barPalette.setColor(QPalette::Window, dark ? QColor(0xdc, 0xdc, 0xdc) : QColor(0x2b, 0x2b, 0x30));
        barPalette.setColor(QPalette::WindowText, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xf0, 0xf0, 0xf0));
        bar->setPalette(barPalette);
        auto* body = new QLabel(text.section(QLatin1Char('\n'), 1));
        body->setMargin(8);
        layout->addWidget(bar);
        layout->addWidget(body);
        layout->addStretch();
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, base);
        palette.setColor(QPalette::WindowText, ink);
        window.setPalette(palette);
        body->setPalette(palette);
        window.resize(460, 110);
        window.move(kWindowPosition);
        window.show();
        return QApplication::exec();
    }
    QPlainTextEdit editor;
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, ink);
    editor.setPalette(palette);
    editor.setFrameShape(QFrame::NoFrame);
    editor.setPlainText(text);
    editor.moveCursor(QTextCursor::End);
    editor.resize(460, 110);
    editor.move(kWindowPosition);
    editor.show();
    return QApplication::exec();
}

// The terminal's font for the highlighted cases: the large one for Latin text, the small one (with Chinese
// glyphs) otherwise.
QString terminalOf(const QString& application, const QString& script) {
    if (application != QLatin1String("xterm-selected") && application != QLatin1String("xterm-word"))
        return application;
    return script == QLatin1String("latin") ? QStringLiteral("xterm-large") : QStringLiteral("xterm-mono");
}

constexpr int kTerminalColumns = 56;

int terminalRows(const QString& terminal) {
    return terminal == QLatin1String("xterm") ? 8 : terminal == QLatin1String("xterm-mono") ? 6 : 4;
}

// The terminal column `text` starts in after `before` on its line: a Han character takes two.
int terminalColumn(const QString& before) {
    int column = 0;
    for (const QChar c : before)
        column += c.script() == QChar::Script_Han ? 2 : 1;
    return column;
}

// The text in a file of the folder for a program to open; empty when it could not be written.
QString writeTextFile(const QTemporaryDir& folder, const QString& text) {
    const QString path = folder.filePath(QStringLiteral("text.txt"));
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return {};
    return path;
}

// Starts the application showing the text, its caret after the last word.
std::unique_ptr<ApplicationWindow> startApplication(const QString& application, bool dark,
                                                    const QString& text, const QTemporaryDir& folder) {
    const QString position = QStringLiteral("+%1+%2").arg(kWindowPosition.x()).arg(kWindowPosition.y());
    const QString textFile = writeTextFile(folder, text);
    if (textFile.isEmpty())
        return nullptr;
    if (application.startsWith(QLatin1String("xterm"))) {
        // Rows enough for the overlay to offer the window (at least 100 pixels tall).
        const QString rows = QString::number(terminalRows(application));
        QStringList arguments{QStringLiteral("-geometry"), QStringLiteral("56x") + rows + position};
        arguments << QStringLiteral("-bg") << (dark ? QStringLiteral("#1e1e1e") : QStringLiteral("white"))
                  << QStringLiteral("-fg") << (dark ? QStringLiteral("#d8d8d8") : QStringLiteral("black"));
        if (application == QLatin1String("xterm-mono"))
            arguments << QStringLiteral("-fa") << QStringLiteral("Monospace") << QStringLiteral("-fs")
                      << QStringLiteral("11");
        if (application == QLatin1String("xterm-large"))
            arguments << QStringLiteral("-fa") << QStringLiteral("DejaVu Sans Mono") << QStringLiteral("-fs")
                      << QStringLiteral("22");
        return std::make_unique<ApplicationWindow>(QStringLiteral("xterm"),
                                                   testing::terminalShowing(text, arguments));
    }
    if (application.startsWith(QLatin1String("gtk"))) {
        return std::make_unique<ApplicationWindow>(
            QStringLiteral("yad"),
            QStringList{QStringLiteral("--text-info"), QStringLiteral("--editable"),
                        QStringLiteral("--no-buttons"), QStringLiteral("--filename=") + textFile,
                        QStringLiteral("--geometry=460x110") + position},
            testing::gtkWithSteadyCaret(folder, dark));
    }
    return std::make_unique<ApplicationWindow>(
        QCoreApplication::applicationFilePath(),
        QStringList{kQtWindowSwitch, application, textFile,
                    dark ? QStringLiteral("dark") : QStringLiteral("light")});
}

// The terminal row the case selects or its region's edge cuts: the last line when the bottom edge cuts it,
// the first otherwise.
int cutRow(const Case& bench) {
    return bench.road == QLatin1String("cut-bottom") ? int(kTexts.at(bench.script).size()) - 1 : 0;
}

// Highlights what the case shows highlighted as a user would where the application does not show it
// highlighted itself: a triple click on a terminal row, the GTK view's first line selected from the
// keyboard, a double click on a terminal's Latin word, a drag across its Han characters.
bool highlight(const Case& bench, const QString& terminal, const ApplicationWindow& window) {
    const QRect client = window.clientArea();
    const int rows = terminalRows(terminal);
    if (bench.application == QLatin1String("xterm-selected"))
        return testing::selectTerminalRow(client, rows, cutRow(bench));
    if (bench.application == QLatin1String("xterm-word")) {
        const QString& line = kTexts.at(bench.script)[bench.word.line];
        // The word's first occurrence; a Latin one on its own ("is" is no part of "this").
        const bool latin = bench.script == QLatin1String("latin");
        const int index =
            int(latin ? line.indexOf(QRegularExpression(QStringLiteral("\\b%1\\b").arg(bench.word.word)))
                      : line.indexOf(bench.word.word));
        const int first = terminalColumn(line.left(index));
        const int end = terminalColumn(line.left(index + bench.word.word.size()));
        const auto cell = [&](int column) {
            return testing::terminalCell(client, kTerminalColumns, rows, column, bench.word.line);
        };
        if (latin)
            return testing::selectTerminalWord(cell((first + end - 1) / 2));
        return testing::selectTerminalCells(cell(first), cell(end));
    }
    if (bench.application == QLatin1String("gtk-selected")) {
        // Typed into the active window through XTest: GTK ignores key events sent to a window directly.
        return testing::xdotool(
                   {QStringLiteral("key"), QStringLiteral("ctrl+Home"), QStringLiteral("shift+End")})
            .has_value();
    }
    return true;
}

// The region a dragged case selects: the client area and a few pixels of the frame on the right and below,
// and the lower half of the title bar above; with a cut, from the cut in the selected row instead of beyond
// that side. None when the window is pre-selected.
std::optional<QRect> regionOf(const Case& bench, const QString& terminal, const QRect& client) {
    if (bench.road == QLatin1String("window"))
        return std::nullopt;
    QRect region = client.adjusted(-3, -10, 4, 4);
    if (!bench.road.startsWith(u"cut"))
        return region;
    const QRect row =
        testing::terminalCell(client, kTerminalColumns, terminalRows(terminal), 0, cutRow(bench));
    const int cut = row.height() * bench.cut / 100;
    if (bench.road == QLatin1String("cut-top"))
        region.setTop(row.top() + cut);
    else
        region.setBottom(row.bottom() - cut);
    return region;
}

// One recognise-only run: the pre-selected window (no region) or the dragged region; the text it shows.
std::optional<QString> readThroughOverlay(const std::optional<QRect>& region) {
    delegate->startScreenshotRecognition();
    ScreenshotOverlayController* overlay = testing::waitForOverlay(*delegate, *other, 30000);
    if (!overlay)
        return std::nullopt;
    other->pressKey(XK_1);
    const bool selected = region ? testing::dragRegion(*other, *overlay, *region)
                                 : overlay->keyView()->globalSelection().has_value();
    if (!selected) {
        other->pressKey(XK_Escape);
        return std::nullopt;
    }
    other->pressKey(XK_Return);
    WorkflowCoordinator& workflow = delegate->workflow();
    const bool ended = QTest::qWaitFor(
        [&] {
            const auto kind = workflow.status().kind();
            return !delegate->screenshotAssembly()->runs().isRunActive() &&
                   (kind == WorkflowStatus::Kind::textCaptured || kind == WorkflowStatus::Kind::failed);
        },
        120000);
    if (!ended)
        return std::nullopt;
    const QString text =
        workflow.status().kind() == WorkflowStatus::Kind::textCaptured ? workflow.sourceText() : QString();
    workflow.dismissPanel();
    return text;
}

void recognitionOf(benchmark::State& state, const Case& bench) {
    const QStringList& lines = kTexts.at(bench.script);
    QTemporaryDir folder;
    const QString terminal = terminalOf(bench.application, bench.script);
    const auto window = startApplication(terminal, bench.dark, lines.join(QLatin1Char('\n')), folder);
    if (!window || !window->isShown() ||
        !testing::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window->window()}) ||
        !testing::waitUntilPainted(window->clientArea())) {
        state.SkipWithError("the window did not appear");
        return;
    }
    if (!highlight(bench, terminal, *window) || !testing::waitUntilPainted(window->clientArea())) {
        state.SkipWithError("the text could not be highlighted");
        return;
    }
    const std::optional<QRect> region = regionOf(bench, terminal, window->clientArea());
    std::optional<QString> text;
    for (auto _ : state)
        text = readThroughOverlay(region);
    if (!text) {
        state.SkipWithError("no region selected, or the screenshot run did not end");
        return;
    }
    const double rate = testing::characterErrorRate(*text, lines.join(QLatin1Char('\n')));
    ratesByScript[bench.script].push_back(rate);
    ratesByRoad[bench.road].push_back(rate);
    const bool highlighted = kHighlighted.contains(bench.application);
    ratesByKind[highlighted ? QStringLiteral("highlighted") : QStringLiteral("plain")].push_back(rate);
    if (highlighted) {
        const QString shape = bench.application == QLatin1String("xterm-word") ? QStringLiteral("word")
                              : bench.road.startsWith(u"cut")                  ? QStringLiteral("cut")
                                                                               : QStringLiteral("line");
        ratesByShape[shape].push_back(rate);
    }
    state.counters["CER_percent"] = rate * 100.0;
    state.SetLabel(text->simplified().toStdString());
}

QString twinKey(const ShortCase& bench) {
    return QStringLiteral("%1/%2/%3").arg(bench.program).arg(bench.pixels).arg(bench.dark ? "dark" : "light");
}

int shortTerminalRows(int pixels) {
    return pixels <= 12 ? 8 : pixels <= 16 ? 6 : 4;
}

constexpr int kShortColumns = 40;

// The column of `word`'s first letter in line `line` of kShortLines: its first occurrence on its own.
int columnOf(int line, const QString& word) {
    return int(kShortLines[line].indexOf(QRegularExpression(QStringLiteral("\\b%1\\b").arg(word))));
}

// Starts the program showing kShortLines; in a terminal its cursor after the text or on the case's character.
std::unique_ptr<ApplicationWindow> startShortCase(const ShortCase& bench, const QTemporaryDir& folder) {
    const QString text = kShortLines.join(QLatin1Char('\n'));
    const QString position = QStringLiteral("+%1+%2").arg(kWindowPosition.x()).arg(kWindowPosition.y());
    const QString font = QStringLiteral("DejaVu Sans Mono");
    if (bench.program == QLatin1String("gtk")) {
        const QString textFile = writeTextFile(folder, text);
        if (textFile.isEmpty())
            return nullptr;
        return std::make_unique<ApplicationWindow>(
            QStringLiteral("yad"),
            QStringList{QStringLiteral("--text-info"), QStringLiteral("--editable"),
                        QStringLiteral("--no-buttons"), QStringLiteral("--filename=") + textFile,
                        QStringLiteral("--fontname=%1 %2px").arg(font).arg(bench.pixels),
                        QStringLiteral("--geometry=460x110") + position},
            testing::gtkWithSteadyCaret(folder, bench.dark));
    }
    const bool xterm = bench.program == QLatin1String("xterm");
    QStringList arguments{QStringLiteral("-geometry"),
                          QStringLiteral("%1x%2").arg(kShortColumns).arg(shortTerminalRows(bench.pixels)) +
                              position,
                          QStringLiteral("-bg"),
                          bench.dark ? QStringLiteral("#1e1e1e") : QStringLiteral("white"),
                          QStringLiteral("-fg"),
                          bench.dark ? QStringLiteral("#d8d8d8") : QStringLiteral("black")};
    if (xterm)
        arguments << QStringLiteral("-fa") << QStringLiteral("%1:pixelsize=%2").arg(font).arg(bench.pixels);
    else
        arguments << QStringLiteral("+sb") << QStringLiteral("-fn")
                  << QStringLiteral("xft:%1:pixelsize=%2").arg(font).arg(bench.pixels);
    // The text without a final line break, then (with a cursor on a character) the cursor moved onto it.
    QString script = QStringLiteral("printf '%s' \"$0\"; ");
    if (bench.mark == ShortCase::Mark::cursor || bench.mark == ShortCase::Mark::hollowCursor)
        script += QStringLiteral("printf '\\033[%1;%2H'; ")
                      .arg(bench.cursor.line + 1)
                      .arg(columnOf(bench.cursor.line, bench.cursor.word) + bench.cursor.letter + 1);
    script += QStringLiteral("exec cat >/dev/null");
    arguments << QStringLiteral("-e") << QStringLiteral("sh") << QStringLiteral("-c") << script << text;
    return std::make_unique<ApplicationWindow>(xterm ? QStringLiteral("xterm") : QStringLiteral("urxvt"),
                                               arguments);
}

// A small window of this process, activated to take the focus from a terminal: the terminal then draws its
// cursor as a hollow box, and the overlay, which never offers this process's windows, still offers it.
QWidget& focusSink() {
    static QWidget* sink = [] {
        auto* widget = new QWidget;
        widget->setWindowTitle(QStringLiteral("focus"));
        widget->resize(60, 40);
        widget->move(1700, 900);
        return widget;
    }();
    return *sink;
}

// Selects the case's word, or takes the focus from its terminal; true when nothing else is to be done.
bool markShortCase(const ShortCase& bench, const ApplicationWindow& window) {
    if (bench.mark == ShortCase::Mark::hollowCursor) {
        focusSink().show();
        return QTest::qWaitForWindowExposed(&focusSink()) &&
               testing::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                 QString::number(focusSink().winId())})
                   .has_value();
    }
    if (bench.mark != ShortCase::Mark::word)
        return true;
    const int column = columnOf(bench.word.line, bench.word.word);
    if (bench.program == QLatin1String("gtk")) {
        QStringList keys{QStringLiteral("key"), QStringLiteral("ctrl+Home")};
        for (int i = 0; i < bench.word.line; ++i)
            keys << QStringLiteral("Down");
        for (int i = 0; i < column; ++i)
            keys << QStringLiteral("Right");
        for (int i = 0; i < bench.word.word.size(); ++i)
            keys << QStringLiteral("shift+Right");
        return testing::xdotool(keys).has_value();
    }
    const QRect cell =
        testing::terminalCell(window.clientArea(), kShortColumns, shortTerminalRows(bench.pixels),
                              column + int(bench.word.word.size() - 1) / 2, bench.word.line);
    return testing::selectTerminalWord(cell);
}

void shortRecognitionOf(benchmark::State& state, const ShortCase& bench) {
    QTemporaryDir folder;
    const auto window = startShortCase(bench, folder);
    if (!window || !window->isShown() ||
        !testing::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window->window()}) ||
        !testing::waitUntilPainted(window->clientArea())) {
        state.SkipWithError("the window did not appear");
        return;
    }
    const bool marked = markShortCase(bench, *window);
    if (!marked || !testing::waitUntilPainted(window->clientArea())) {
        focusSink().hide();
        state.SkipWithError("the word could not be selected, or the focus not taken");
        return;
    }
    std::optional<QString> text;
    for (auto _ : state)
        text = readThroughOverlay(std::nullopt);
    focusSink().hide();
    if (!text) {
        state.SkipWithError("no window pre-selected, or the screenshot run did not end");
        return;
    }
    const double rate = testing::characterErrorRate(*text, kShortLines.join(QLatin1Char('\n')));
    using Mark = ShortCase::Mark;
    const QString mark = bench.mark == Mark::none     ? QStringLiteral("twin")
                         : bench.mark == Mark::word   ? QStringLiteral("short-word")
                         : bench.mark == Mark::cursor ? QStringLiteral("cursor")
                                                      : QStringLiteral("hollow");
    ratesByMark[mark].push_back(rate);
    if (bench.mark == Mark::none) {
        twinReadings[twinKey(bench)] = *text;
    } else if (const auto twin = twinReadings.find(twinKey(bench)); twin != twinReadings.end()) {
        const bool same = twin->second == *text;
        sameAsTwin[mark].first += same;
        ++sameAsTwin[mark].second;
        state.counters["as_twin"] = same ? 1.0 : 0.0;
    }
    state.counters["CER_percent"] = rate * 100.0;
    state.SetLabel(text->simplified().toStdString());
}

void registerShortCase(const ShortCase& bench) {
    using Mark = ShortCase::Mark;
    QString name = QStringLiteral("short/%1/%2px/%3/")
                       .arg(bench.program)
                       .arg(bench.pixels)
                       .arg(bench.dark ? "dark" : "light");
    name += bench.mark == Mark::none ? QStringLiteral("plain")
            : bench.mark == Mark::word
                ? QStringLiteral("word/") + bench.word.word
                : QStringLiteral("%1/%2@%3")
                      .arg(bench.mark == Mark::cursor ? "cursor" : "hollow", bench.cursor.word)
                      .arg(bench.cursor.letter);
    benchmark::RegisterBenchmark(name.toStdString().c_str(), shortRecognitionOf, bench)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

// Each program, size and theme: the plain twin, two of the short words and, in a terminal, the cursor on a
// character focused and not; the words and the cursor's places taken in turn, so that every one appears.
void registerShortCases() {
    size_t turn = 0;
    for (const QString& program : {QStringLiteral("xterm"), QStringLiteral("urxvt"), QStringLiteral("gtk")}) {
        for (const int pixels : kShortSizes) {
            for (const bool dark : {false, true}) {
                ShortCase bench{program, pixels, dark, ShortCase::Mark::none, {}, {}};
                registerShortCase(bench);
                for (int i = 0; i < 2; ++i) {
                    bench.mark = ShortCase::Mark::word;
                    bench.word = kShortWords[(2 * turn + size_t(i)) % kShortWords.size()];
                    registerShortCase(bench);
                }
                if (program != QLatin1String("gtk")) {
                    bench.cursor = kCursorPlaces[turn % kCursorPlaces.size()];
                    for (const auto mark : {ShortCase::Mark::cursor, ShortCase::Mark::hollowCursor}) {
                        bench.mark = mark;
                        registerShortCase(bench);
                    }
                }
                ++turn;
            }
        }
    }
}

void registerCase(const Case& bench, const QString& detail = QString()) {
    QString name = QStringLiteral("%1/%2/%3/%4")
                       .arg(bench.application, bench.dark ? "dark" : "light", bench.script, bench.road);
    if (!detail.isEmpty())
        name += u'/' + detail;
    benchmark::RegisterBenchmark(name.toStdString().c_str(), recognitionOf, bench)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

void registerCases() {
    for (const QString& application :
         {QStringLiteral("xterm"), QStringLiteral("xterm-large"), QStringLiteral("xterm-mono"),
          QStringLiteral("qt"), QStringLiteral("gtk"), QStringLiteral("xterm-selected"),
          QStringLiteral("qt-list"), QStringLiteral("gtk-selected"), QStringLiteral("qt-header")}) {
        for (const bool dark : {false, true}) {
            for (const auto& [script, lines] : kTexts) {
                // The bitmap font has no Chinese glyphs; the large font stands for the Latin case as
                // reported.
                if (application != QLatin1String("xterm-mono") &&
                    application.startsWith(QLatin1String("xterm")) && script != QLatin1String("latin") &&
                    application != QLatin1String("xterm-selected"))
                    continue;
                // The highlighted cases are Latin and Chinese.
                if (kHighlighted.contains(application) && script == QLatin1String("mixed"))
                    continue;
                for (const QString& road : {QStringLiteral("window"), QStringLiteral("region")})
                    registerCase({application, dark, script, road});
            }
        }
    }
    for (const bool dark : {false, true}) {
        for (const auto& [script, words] : kSelectedWords) {
            // Each cut line beside its plain twin: the same region with nothing selected.
            for (const QString& road : {QStringLiteral("cut-top"), QStringLiteral("cut-bottom")})
                for (const int cut : kCuts)
                    for (const QString& application : {QStringLiteral("xterm-selected"),
                                                       terminalOf(QStringLiteral("xterm-selected"), script)})
                        registerCase({application, dark, script, road, cut}, QString::number(cut));
            for (const SelectedWord& word : words)
                for (const QString& road : {QStringLiteral("window"), QStringLiteral("region")})
                    registerCase({QStringLiteral("xterm-word"), dark, script, road, 0, word}, word.word);
        }
    }
}

void printRates(QTextStream& out, const std::map<QString, std::vector<double>>& groups) {
    for (const auto& [group, rates] : groups) {
        double sum = 0.0, worst = 0.0;
        for (double rate : rates) {
            sum += rate;
            worst = std::max(worst, rate);
        }
        out << QStringLiteral("%1 %2 %3 % %4 %\n")
                   .arg(group, -9)
                   .arg(rates.size(), 7)
                   .arg(100.0 * sum / double(rates.size()), 8, 'f', 2)
                   .arg(100.0 * worst, 9, 'f', 2);
    }
}

void printSummary() {
    QTextStream out(stdout);
    out << "\ngroup     samples  mean CER  worst CER\n";
    printRates(out, ratesByScript);
    printRates(out, ratesByRoad);
    printRates(out, ratesByKind);
    printRates(out, ratesByShape);
    out << "\nshort     samples  mean CER  worst CER\n";
    printRates(out, ratesByMark);
    for (const auto& [mark, counts] : sameAsTwin)
        out << QStringLiteral("%1 reads as its plain twin in %2 of %3\n")
                   .arg(mark)
                   .arg(counts.first)
                   .arg(counts.second);
}

} // namespace
} // namespace tolvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments[1] == tolvane::kQtWindowSwitch) {
        QApplication::setCursorFlashTime(0); // the caret stays visible
        return tolvane::showQtWindow(arguments[2], arguments[3], arguments[4] == QLatin1String("dark"));
    }
    // The delegate reads and writes its settings in a home of its own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    tolvane::other = std::make_unique<tolvane::testing::OtherXClient>();
    tolvane::delegate =
        tolvane::testing::makeDesktopDelegate(tolvane::DesktopServices::x11(tolvane::SessionKind::x11));
    tolvane::delegate->settings().defaults().setValue(tolvane::AppDelegate::hasSeenGuideKey, true);
    tolvane::delegate->start();
    tolvane::registerCases();
    tolvane::registerShortCases();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tolvane::printSummary();
    tolvane::delegate.reset();
    tolvane::other.reset();
    return 0;
}

// Character error rate of screen text recognition on real application windows: xterm (its default bitmap
// font and an outline monospace font), a Qt text editor and a GTK text view, each light and dark, with Latin,
// Chinese and mixed text and the text cursor showing. Each window's client area is captured and recognised
// as the application does it (default language hint "auto"); the table ends with the mean and worst rate per
// script. Run inside scripts/test-session:
//   scripts/test-session build/default/benchmarks/ocr_application_text_benchmark
#include "ocr/application_window.h"
#include "ocr/text_corpus.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextStream>
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

struct Rates {
    std::vector<double> values;
};
std::map<QString, Rates> ratesByScript;

// Made in main(): its recognition worker must stop while the application still exists.
std::unique_ptr<ScreenshotOCRService> ocrService;

ScreenshotOCRService& service() {
    return *ocrService;
}

QProcessEnvironment gtkEnvironment(const QTemporaryDir& config, bool dark) {
    // A steady caret, so every capture shows it.
    QDir(config.path()).mkpath(QStringLiteral("gtk-3.0"));
    QFile settings(config.filePath(QStringLiteral("gtk-3.0/settings.ini")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("[Settings]\ngtk-cursor-blink=false\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("GTK_THEME"),
                       dark ? QStringLiteral("Adwaita:dark") : QStringLiteral("Adwaita"));
    return environment;
}

// Shows the text in the application and captures the window's client area.
QImage captureApplication(const QString& application, bool dark, const QStringList& lines) {
    const QString text = lines.join(QLatin1Char('\n'));
    const QString position = QStringLiteral("+%1+%2").arg(kWindowPosition.x()).arg(kWindowPosition.y());
    if (application.startsWith(QLatin1String("xterm"))) {
        QStringList arguments{QStringLiteral("-geometry"), QStringLiteral("56x4") + position};
        arguments << QStringLiteral("-bg") << (dark ? QStringLiteral("#1e1e1e") : QStringLiteral("white"))
                  << QStringLiteral("-fg") << (dark ? QStringLiteral("#d8d8d8") : QStringLiteral("black"));
        if (application == QLatin1String("xterm-mono"))
            arguments << QStringLiteral("-fa") << QStringLiteral("Monospace") << QStringLiteral("-fs")
                      << QStringLiteral("11");
        // The text without a final line break, then the block cursor after it.
        arguments << QStringLiteral("-e") << QStringLiteral("sh") << QStringLiteral("-c")
                  << QStringLiteral("printf '%s' \"$0\"; exec cat >/dev/null") << text;
        ApplicationWindow window(QStringLiteral("xterm"), arguments);
        return window.isShown() ? testing::settledCapture(service(), window.clientArea()) : QImage();
    }
    if (application == QLatin1String("gtk")) {
        QTemporaryDir config;
        QFile file(config.filePath(QStringLiteral("text.txt")));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text.toUtf8());
        file.close();
        ApplicationWindow window(QStringLiteral("yad"),
                                 {QStringLiteral("--text-info"), QStringLiteral("--editable"),
                                  QStringLiteral("--no-buttons"),
                                  QStringLiteral("--filename=") + file.fileName(),
                                  QStringLiteral("--geometry=460x110") + position},
                                 gtkEnvironment(config, dark));
        return window.isShown() ? testing::settledCapture(service(), window.clientArea()) : QImage();
    }
    // A Qt text editor in this process, focused, its caret at the end of the text.
    QPlainTextEdit editor;
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Base, dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(Qt::white));
    palette.setColor(QPalette::Text, dark ? QColor(0xe0, 0xe0, 0xe0) : QColor(0x20, 0x20, 0x20));
    editor.setPalette(palette);
    editor.setFrameShape(QFrame::NoFrame);
    editor.setPlainText(text);
    editor.moveCursor(QTextCursor::End);
    editor.resize(460, 110);
    editor.move(kWindowPosition);
    editor.show();
    editor.activateWindow();
    if (!QTest::qWaitForWindowActive(&editor, 30000))
        return {};
    const QRect area(editor.mapToGlobal(QPoint(0, 0)), editor.size());
    return testing::settledCapture(service(), area);
}

void recognitionOf(benchmark::State& state, QString application, bool dark, QString script) {
    const QStringList& lines = kTexts.at(script);
    const QImage image = captureApplication(application, dark, lines);
    if (image.isNull()) {
        state.SkipWithError("the window did not appear");
        return;
    }
    QString text;
    for (auto _ : state) {
        try {
            text = testing::awaitTask(service().recognizeImage(image, QStringLiteral("auto"), {}, {}));
        } catch (const std::exception& error) {
            text.clear(); // counts as every character missed
        }
    }
    const double rate = testing::characterErrorRate(text, lines.join(QLatin1Char('\n')));
    ratesByScript[script].values.push_back(rate);
    state.counters["CER_percent"] = rate * 100.0;
    state.SetLabel(text.simplified().toStdString());
}

void registerCases() {
    for (const QString& application : {QStringLiteral("xterm"), QStringLiteral("xterm-mono"),
                                       QStringLiteral("qt"), QStringLiteral("gtk")}) {
        for (const bool dark : {false, true}) {
            for (const auto& [script, lines] : kTexts) {
                // xterm's default bitmap font has no Chinese glyphs.
                if (application == QLatin1String("xterm") && script != QLatin1String("latin"))
                    continue;
                const std::string name = QStringLiteral("%1/%2/%3")
                                             .arg(application, dark ? "dark" : "light", script)
                                             .toStdString();
                benchmark::RegisterBenchmark(name.c_str(), recognitionOf, application, dark, script)
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

void printSummary() {
    QTextStream out(stdout);
    out << "\nscript    samples  mean CER  worst CER\n";
    for (const auto& [script, rates] : ratesByScript) {
        double sum = 0.0, worst = 0.0;
        for (double rate : rates.values) {
            sum += rate;
            worst = std::max(worst, rate);
        }
        out << QStringLiteral("%1 %2 %3 % %4 %\n")
                   .arg(script, -9)
                   .arg(rates.values.size(), 7)
                   .arg(100.0 * sum / double(rates.values.size()), 8, 'f', 2)
                   .arg(100.0 * worst, 9, 'f', 2);
    }
}

} // namespace
} // namespace tolvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setCursorFlashTime(0); // the Qt editor's caret stays visible
    tolvane::ocrService = std::make_unique<tolvane::ScreenshotOCRService>(
        tolvane::ScreenshotOCRService::defaultDependencies(), [] { return tolvane::OwnWindows{}; });
    tolvane::registerCases();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tolvane::printSummary();
    tolvane::ocrService.reset();
    return 0;
}

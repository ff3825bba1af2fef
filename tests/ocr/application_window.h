#pragma once

#include "ocr/await_task.h"
#include "ocr/screenshot_ocr_service.h"
#include "support/x11_tools.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace tolvane::testing {

// A window's client area in root coordinates, inside the window manager's frame; empty when unknown.
inline QRect clientArea(const QString& window) {
    const QString info =
        x11Tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}).value_or(QString());
    const auto field = [&](const char* label) {
        const QRegularExpression pattern(QLatin1String(label) + QStringLiteral(":\\s*(-?\\d+)"));
        return pattern.match(info).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

// xterm's arguments to show `text` without a final line break, its cursor right after it, with `options`
// (geometry, colours, font) first.
inline QStringList terminalShowing(const QString& text, QStringList options) {
    return options << QStringLiteral("-e") << QStringLiteral("sh") << QStringLiteral("-c")
                   << QStringLiteral("printf '%s' \"$0\"; exec cat >/dev/null") << text;
}

// GTK applications with their settings in `config`: a caret that does not blink, so every capture shows it,
// and Adwaita's light or dark theme.
inline QProcessEnvironment gtkWithSteadyCaret(const QTemporaryDir& config, bool dark) {
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

// xterm keeps a border of this many pixels inside its window around its cells.
inline constexpr int kTerminalBorder = 2;

// The cell in column `column` and row `row` (from 0) of a terminal of `columns` by `rows` cells showing in
// `client`.
inline QRect terminalCell(const QRect& client, int columns, int rows, int column, int row) {
    const int cellWidth = (client.width() - 2 * kTerminalBorder) / columns;
    const int cellHeight = (client.height() - 2 * kTerminalBorder) / rows;
    return QRect(client.left() + kTerminalBorder + column * cellWidth,
                 client.top() + kTerminalBorder + row * cellHeight, cellWidth, cellHeight);
}

// Clicks `point` `count` times, as a user selecting with a double or triple click; false when it failed.
inline bool clickRepeatedly(QPoint point, int count) {
    return xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                    QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")})
        .has_value();
}

// Selects row `row` (from 0) of a terminal of `rows` rows showing in `client` as a user does, with a triple
// click on it (xterm selects the whole line and draws it in reverse video); false when the click failed.
inline bool selectTerminalRow(const QRect& client, int rows, int row) {
    const int rowHeight = (client.height() - 2 * kTerminalBorder) / rows;
    const QPoint point(client.left() + client.width() / 3,
                       client.top() + kTerminalBorder + row * rowHeight + rowHeight / 2);
    return clickRepeatedly(point, 3);
}

// Selects the word on a terminal's `cell` with a double click on it.
inline bool selectTerminalWord(const QRect& cell) {
    return clickRepeatedly(cell.center(), 2);
}

// Selects the cells from `first` up to `end` (the cell right after the last one) of one terminal row by
// dragging across them, as a user selects a few Han characters (a double click would take the whole run of
// them). xterm takes a cell once the pointer passes its right edge.
inline bool selectTerminalCells(const QRect& first, const QRect& end) {
    const QPoint from(first.left() + 1, first.center().y());
    const QPoint to(end.left() + 1, end.center().y());
    return xdotool({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
                    QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
                    QString::number(to.x()), QString::number(to.y()), QStringLiteral("mouseup"),
                    QStringLiteral("1")})
        .has_value();
}

// Another application's top-level window on the test session's X server: the program is started, its
// visible window found through its process id, and the window's client area read from the server.
class ApplicationWindow {
public:
    ApplicationWindow(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        m_process.setProcessEnvironment(environment);
        m_process.start(program, arguments);
        if (!m_process.waitForStarted(30000))
            return;
        const QString pid = QString::number(m_process.processId());
        (void)QTest::qWaitFor(
            [&] {
                const QString found = x11Tool(QStringLiteral("xdotool"),
                                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                               QStringLiteral("--pid"), pid})
                                          .value_or(QString());
                m_window = found.section(QLatin1Char('\n'), -1);
                return !m_window.isEmpty();
            },
            60000);
    }
    ~ApplicationWindow() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    bool isShown() const { return !m_window.isEmpty(); }
    // The X window id, in decimal.
    const QString& window() const { return m_window; }

    // The client area in root coordinates, inside the window manager's frame; empty when unknown.
    QRect clientArea() const { return testing::clientArea(m_window); }

private:
    QProcess m_process;
    QString m_window;
};

// Waits until the screen's `area` shows more than one colour and two grabs a moment apart agree (the
// application has finished painting); false when that never happens.
inline bool waitUntilPainted(const QRect& area) {
    QImage previous;
    for (int attempt = 0; attempt < 40; ++attempt) {
        QTest::qWait(250);
        QImage current = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
        if (current.convertToFormat(QImage::Format_Indexed8).colorCount() > 1 && current == previous)
            return true;
        previous = std::move(current);
    }
    return false;
}

// The area captured through the service once it shows more than one colour and two captures a moment apart
// agree (the application has finished painting); the last capture when that never happens.
inline QImage settledCapture(ScreenshotOCRService& service, const QRect& area) {
    QImage previous;
    for (int attempt = 0; attempt < 40; ++attempt) {
        QTest::qWait(250);
        QImage current = awaitTask(service.captureImage(QRectF(area), {}));
        // A window not painted yet is one flat colour.
        const bool painted = current.convertToFormat(QImage::Format_Indexed8).colorCount() > 1;
        if (painted && current == previous)
            return current;
        previous = std::move(current);
    }
    return previous;
}

} // namespace tolvane::testing

#pragma once

#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTest>
#include <QtDebug>
#include <optional>

namespace tolvane::testing {

// Runs a command-line X11 tool (xdotool, xprop) to its end; its trimmed output, none when it failed.
inline std::optional<QString> x11Tool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    // Generous: a tool waiting for a window (search --sync) waits for every client on a busy machine.
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        qWarning() << program << arguments << "failed:" << tool.readAllStandardError() << tool.exitCode();
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

inline std::optional<QString> xdotool(const QStringList& arguments) {
    return x11Tool(QStringLiteral("xdotool"), arguments);
}

// A window's frame on screen as the window manager reports it; empty when unknown.
inline QRect windowFrame(const QString& window) {
    const QString shell =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).value_or(QString());
    const auto field = [&](const char* name) {
        return shell.section(QLatin1String(name) + QLatin1Char('='), 1)
            .section(QLatin1Char('\n'), 0, 0)
            .toInt();
    };
    return QRect(field("X"), field("Y"), field("WIDTH"), field("HEIGHT"));
}

// A desktop selection's ("clipboard" or "primary") text as another client reads it (or, with `arguments`
// such as "-t TARGETS", whatever xclip gives for them).
inline QString desktopSelectionText(const QString& selection, const QStringList& arguments = {}) {
    QProcess tool;
    tool.start(QStringLiteral("xclip"),
               QStringList{QStringLiteral("-o"), QStringLiteral("-selection"), selection} + arguments);
    // This process may own the selection and have to answer the request: keep its event loop turning.
    if (!QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 10000))
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

inline QString desktopClipboard(const QStringList& arguments = {}) {
    return desktopSelectionText(QStringLiteral("clipboard"), arguments);
}

} // namespace tolvane::testing

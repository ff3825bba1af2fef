// A small X11 client for the clipboard-road tests. Started as a separate process; prints
// "READY pid=<pid> win=0x<id>" once its window is shown, then follows commands on stdin, one per line.
//
// Modes:
//   edit <text> [password]   a focused line edit holding <text>, all of it selected; answers Ctrl+C and
//                            Ctrl+V natively and reports every key press as "KEY key=<k> mods=<m>"
//   owner [options]          owns CLIPBOARD with the formats given: --text T, --text-file FILE (its UTF-8
//                            text), --png FILE, --concealed, --hint VALUE; and PRIMARY with --primary T
//   copier [options]         on Ctrl+C puts the formats given (same options) on CLIPBOARD
//   manager <text>           clipboard-manager stand-in: re-owns an emptied CLIPBOARD with <text>
//   drag [options]           a mouse press on the window starts a drag of the formats given (same options,
//                            and --file PATH for a file), offering Copy and Move; prints "DRAG action=<n>"
//                            with the Qt::DropAction the drag ended with
// Commands: "print" answers "TEXT <hex of UTF-8>" with the line edit's text; "selection" answers
// "SELECTION <hex of UTF-8>" with its selected text; "field" answers "FIELD <x> <y> <width> <height>", the
// line edit's rectangle relative to the window's client area (window managers offset the client inside
// their frame, so tests translate this origin on the X server rather than trusting reported frames); "quit".
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QMimeData* formatsFrom(const QStringList& args) {
    auto* data = new QMimeData;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const QString next = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (arg == QLatin1String("--text")) {
            data->setText(next);
            ++i;
        } else if (arg == QLatin1String("--text-file")) {
            QFile file(next);
            if (file.open(QIODevice::ReadOnly))
                data->setText(QString::fromUtf8(file.readAll()));
            ++i;
        } else if (arg == QLatin1String("--png")) {
            QFile file(next);
            if (file.open(QIODevice::ReadOnly))
                data->setData(QStringLiteral("image/png"), file.readAll());
            ++i;
        } else if (arg == QLatin1String("--file")) {
            data->setUrls({QUrl::fromLocalFile(next)});
            ++i;
        } else if (arg == QLatin1String("--concealed")) {
            data->setData(QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray());
        } else if (arg == QLatin1String("--hint")) {
            data->setData(QStringLiteral("x-kde-passwordManagerHint"), next.toUtf8());
            ++i;
        }
    }
    return data;
}

QString optionValue(const QStringList& args, const QString& name) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

// Reports key presses with their X modifier state and answers Ctrl+C for the copier mode.
class KeyReporter : public QObject {
public:
    explicit KeyReporter(QStringList copierFormats) : m_copierFormats(std::move(copierFormats)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        say(QStringLiteral("KEY key=%1 mods=%2").arg(key->key()).arg(key->nativeModifiers()));
        if (!m_copierFormats.isEmpty() && key->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setMimeData(formatsFrom(m_copierFormats), QClipboard::Clipboard);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QStringList m_copierFormats;
};

// Starts a drag of the given formats on a mouse press and reports how it ended.
class DragSource : public QObject {
public:
    explicit DragSource(QStringList formats) : m_formats(std::move(formats)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress)
            return QObject::eventFilter(watched, event);
        auto* drag = new QDrag(watched);
        drag->setMimeData(formatsFrom(m_formats));
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        say(QStringLiteral("DRAG action=%1").arg(int(action)));
        return true;
    }

private:
    QStringList m_formats;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);

    QWidget window;
    window.setWindowTitle(QStringLiteral("clipboard-test-app ") + mode);
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(edit);
    window.resize(420, 120);

    KeyReporter reporter(mode == QLatin1String("copier") ? args.mid(1) : QStringList());
    edit->installEventFilter(&reporter);
    DragSource dragSource(args.mid(1));
    if (mode == QLatin1String("drag"))
        edit->installEventFilter(&dragSource);

    if (mode == QLatin1String("edit")) {
        edit->setText(args.value(1));
        if (args.value(2) == QLatin1String("password"))
            edit->setEchoMode(QLineEdit::Password);
    }

    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString managedText = args.value(1);
    if (mode == QLatin1String("manager")) {
        QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard, managedText](QClipboard::Mode m) {
            if (m != QClipboard::Clipboard || clipboard->ownsClipboard())
                return;
            const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
            if (!data || data->formats().isEmpty())
                clipboard->setText(managedText, QClipboard::Clipboard);
        });
    }

    window.show();
    window.activateWindow();
    edit->setFocus();
    edit->selectAll();

    if (mode == QLatin1String("owner")) {
        clipboard->setMimeData(formatsFrom(args.mid(1)), QClipboard::Clipboard);
        const QString primary = optionValue(args, QStringLiteral("--primary"));
        if (!primary.isNull())
            clipboard->setText(primary, QClipboard::Selection);
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        for (const QByteArray& line : QByteArray(buffer, n).split('\n')) {
            if (line == "quit")
                app.quit();
            else if (line == "print")
                say(QStringLiteral("TEXT ") + QString::fromLatin1(edit->text().toUtf8().toHex()));
            else if (line == "selection")
                say(QStringLiteral("SELECTION ") +
                    QString::fromLatin1(edit->selectedText().toUtf8().toHex()));
            else if (line == "field") {
                const QRect field(edit->mapTo(&window, QPoint(0, 0)), edit->size());
                say(QStringLiteral("FIELD %1 %2 %3 %4")
                        .arg(field.x())
                        .arg(field.y())
                        .arg(field.width())
                        .arg(field.height()));
            }
        }
    });

    QMetaObject::invokeMethod(
        &app,
        [&window] {
            say(QStringLiteral("READY pid=%1 win=0x%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(window.winId(), 0, 16));
        },
        Qt::QueuedConnection);
    return app.exec();
}

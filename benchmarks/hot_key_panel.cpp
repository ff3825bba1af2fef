// Hot key to the floating panel's first frame, answered from the translation memory, as a user meets it: the
// real application as its own process, text selected in an xterm, Ctrl+Alt+T pressed through XTest. The time
// runs from the key press to the X server's first Damage event on the panel window after it was mapped: the
// frame itself, not a poll. Each run starts the application afresh, so every press is its first one.
//
// Usage (inside scripts/test-session): hot_key_panel_benchmark TOLVANE [RUNS]   (default 7 runs)
// The translation memory of each run's fresh profile holds the xterm's text, so the answer comes from it; the
// log must confirm that.
#include "core/clock.h"
#include "model/ai_request.h"
#include "model/history_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <poll.h>
#include <qcoro/qcorotask.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

const QString sourceText = QStringLiteral("Hello memory road");
const QString remembered = QStringLiteral("你好，记忆之路");

double nowMs() {
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "hot_key_panel_benchmark: %s\n", qPrintable(message));
    std::exit(2);
}

QString xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(20000) || tool.exitCode() != 0)
        fail(QStringLiteral("xdotool %1 failed").arg(arguments.join(u' ')));
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The profile of a user who has started the application before and translated the xterm's text once.
void prepareProfile(const QTemporaryDir& profile) {
    for (const char* folder : {"config/Tolvane", "data/Tolvane", "cache", "runtime"})
        QDir().mkpath(profile.filePath(QLatin1String(folder)));
    QFile::setPermissions(profile.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile ini(profile.filePath(QStringLiteral("config/Tolvane/Tolvane.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[General]\nfirstRun.hasSeenGuide=true\ntranslation.sourceLanguage=en\n"
                  "translation.targetLanguage=zh-Hans\n") <= 0)
        fail(QStringLiteral("cannot write the settings"));
    tolvane::HistoryStore store(tolvane::systemClock(),
                                profile.filePath(QStringLiteral("data/Tolvane/History.sqlite3")));
    tolvane::AIRequest request;
    request.sourceText = sourceText;
    request.sourceLanguage = QStringLiteral("en");
    request.targetLanguage = QStringLiteral("zh-Hans");
    QCoro::waitFor(store.upsertMemoryEntry(request, remembered, QDateTime::currentDateTimeUtc()));
    QCoro::waitFor(store.close());
}

// Watches every top-level window from its creation on and reports the first frame drawn into a window of
// `pid` mapped after the key press.
class FrameWatch {
public:
    FrameWatch() : m_connection(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_connection))
            fail(QStringLiteral("cannot open the display"));
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!damage || !damage->present)
            fail(QStringLiteral("the X server has no DAMAGE extension"));
        std::free(xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1),
                                                 nullptr));
        m_damageNotify = damage->first_event + XCB_DAMAGE_NOTIFY;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    ~FrameWatch() { xcb_disconnect(m_connection); }

    // Handles what arrived so far (windows created meanwhile are watched).
    void drain() {
        while (auto* event = next(0))
            handle(event);
    }
    // The time of the first frame of a window of `pid` mapped after this call, or 0 after `timeoutMs`.
    double firstFrameOfNewWindow(qint64 pid, int timeoutMs) {
        m_pid = pid;
        m_armed = true;
        m_target = XCB_NONE;
        const double deadline = nowMs() + timeoutMs;
        for (double left = timeoutMs; left > 0; left = deadline - nowMs()) {
            xcb_generic_event_t* event = next(int(left) + 1);
            if (!event)
                continue;
            const double drawn = handle(event);
            if (drawn > 0)
                return drawn;
        }
        return 0;
    }

private:
    xcb_generic_event_t* next(int timeoutMs) {
        xcb_flush(m_connection);
        if (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            return event;
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        if (timeoutMs > 0 && poll(&descriptor, 1, timeoutMs) > 0)
            return xcb_poll_for_event(m_connection);
        return nullptr;
    }
    // Returns the time of the target's first frame when `event` is it.
    double handle(xcb_generic_event_t* event) {
        const double at = nowMs();
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const xcb_window_t window = reinterpret_cast<xcb_create_notify_event_t*>(event)->window;
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
            xcb_damage_create(m_connection, xcb_generic_id(), window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        } else if (type == XCB_MAP_NOTIFY && m_armed && m_target == XCB_NONE) {
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            if (ownerPid(window) == m_pid)
                m_target = window;
        } else if (type == m_damageNotify && m_target != XCB_NONE &&
                   reinterpret_cast<xcb_damage_notify_event_t*>(event)->drawable == m_target) {
            m_armed = false;
            return at;
        }
        return 0;
    }
    uint32_t xcb_generic_id() { return xcb_generate_id(m_connection); }
    qint64 ownerPid(xcb_window_t window) {
        static const char name[] = "_NET_WM_PID";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name),
                                  nullptr),
            &std::free);
        if (!atom)
            return -1;
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, atom->atom, XCB_ATOM_CARDINAL, 0, 1),
                nullptr),
            &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) != 4)
            return -1;
        return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    }

    xcb_connection_t* m_connection;
    uint8_t m_damageNotify = 0;
    bool m_armed = false;
    qint64 m_pid = 0;
    xcb_window_t m_target = XCB_NONE;
};

// Output of the application so far.
QByteArray readLog(const QString& path) {
    QFile log(path);
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

bool waitForLog(const QString& path, const QByteArray& text, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (readLog(path).contains(text))
            return true;
        QThread::msleep(10);
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        fail(QStringLiteral("usage: hot_key_panel_benchmark TOLVANE [RUNS]"));
    const QString tolvane = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        fail(QStringLiteral("cannot open the display"));

    // The xterm whose line is selected (it owns PRIMARY) and in front when the key is pressed.
    QProcess terminal;
    terminal.start(QStringLiteral("xterm"), {QStringLiteral("-T"), QStringLiteral("hot-key-source"),
                                             QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                                             QStringLiteral("printf '%1\\n'; sleep 600").arg(sourceText)});
    const QString xterm = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                   QStringLiteral("--name"), QStringLiteral("^hot-key-source$")})
                              .section(u'\n', 0, 0);

    std::vector<double> times;
    // Run 0 warms the session up (the xterm's first selection transfer, the accessibility bus) and is not
    // counted.
    for (int run = 0; run <= runs; ++run) {
        QTemporaryDir profile;
        prepareProfile(profile);
        FrameWatch watch;
        const QString log = profile.filePath(QStringLiteral("log"));
        QProcess application;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, folder] :
             std::map<QString, QString>{{QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("config")},
                                        {QStringLiteral("XDG_DATA_HOME"), QStringLiteral("data")},
                                        {QStringLiteral("XDG_CACHE_HOME"), QStringLiteral("cache")},
                                        {QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("runtime")}})
            environment.insert(name, profile.filePath(folder));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tolvane.*=true"));
        application.setProcessEnvironment(environment);
        application.setStandardOutputFile(log);
        application.setStandardErrorFile(log, QIODevice::Append);
        application.start(tolvane, {});
        if (!waitForLog(log, "Start-up finished", 30000))
            fail(QStringLiteral("the application did not finish starting:\n") +
                 QString::fromUtf8(readLog(log)));

        // The xterm's line selected and the xterm in front; the pointer left where the panel will not be.
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), xterm});
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), xterm, QStringLiteral("10"),
                 QStringLiteral("8"), QStringLiteral("click"), QStringLiteral("--repeat"),
                 QStringLiteral("3"), QStringLiteral("1")});
        xdotool({QStringLiteral("mousemove"), QStringLiteral("1700"), QStringLiteral("1000")});
        QThread::msleep(300);
        watch.drain();

        const auto key = [&](KeySym symbol, bool press) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), press, CurrentTime);
            XFlush(display);
        };
        key(XK_Control_L, true);
        key(XK_Alt_L, true);
        XSync(display, False);
        key(XK_t, true);
        const double pressed = nowMs();
        const double drawn = watch.firstFrameOfNewWindow(application.processId(), 10000);
        key(XK_t, false);
        key(XK_Alt_L, false);
        key(XK_Control_L, false);
        XSync(display, False);
        const bool fromMemory = waitForLog(log, "Translation completed provider=memory", 10000);
        ::kill(pid_t(application.processId()), SIGTERM);
        application.waitForFinished(20000);
        if (drawn == 0)
            fail(QStringLiteral("no panel frame after the key:\n") + QString::fromUtf8(readLog(log)));
        if (!fromMemory)
            fail(QStringLiteral("the answer did not come from the memory:\n") +
                 QString::fromUtf8(readLog(log)));
        if (run > 0)
            times.push_back(drawn - pressed);
        std::printf("%s %d: key press to the panel's first frame %.1f ms\n", run > 0 ? "run" : "warm-up", run,
                    drawn - pressed);
        std::fflush(stdout);
    }
    terminal.kill();
    terminal.waitForFinished(5000);
    XCloseDisplay(display);
    std::sort(times.begin(), times.end());
    std::printf("median over %d runs: %.1f ms (min %.1f, max %.1f)\n", runs, times[times.size() / 2],
                times.front(), times.back());
    return 0;
}

// Runs the fake chat-completions endpoint and the fake hosted translation service on 127.0.0.1 so the
// application can be tried without the internet. Every translation is "[fake] " + the source text,
// streamed in a few pieces. With --endless, every translation is instead a stream that never ends (see
// fake_replies::endlessStream), for measuring the client against a hostile server; with --chat-ending, every
// streamed chat answer ends in one of the ways of fake_replies::ChatEnding; with --hosted-done-chars, every
// hosted answer's done event carries a text of that length. Each request is printed as
// "request <method> <target>". Runs until SIGINT or SIGTERM.

#include "support/fake_hosted_server.h"
#include "support/fake_http_server.h"
#include "support/fake_translation_replies.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace tolvane::testing;

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Quits the event loop on SIGINT/SIGTERM; the handler only writes to a socket pair the loop watches.
bool quitOnTerminationSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

std::optional<quint16> portOption(const QCommandLineParser& parser, const QString& name) {
    bool ok = false;
    const uint port = parser.value(name).toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

bool listenOn(FakeHttpServer& server, quint16 port, const char* name) {
    if (server.listen(port))
        return true;
    std::fprintf(stderr, "tolvane-fake-server: cannot listen on 127.0.0.1:%u for the %s server\n", port,
                 name);
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-fake-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Local fake translation endpoints: OpenAI-compatible chat completions and the hosted "
                       "service. Every translation is \"[fake] \" + the source text."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("openai-port"),
                      QStringLiteral("Port of the chat-completions endpoint (0 = any free port)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("hosted-port"),
                      QStringLiteral("Port of the hosted translation service (0 = any free port)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption(
        {QStringLiteral("endless"),
         QStringLiteral("Answer every translation with endless \"data:\" lines (lines), one "
                        "endless \"data:\" line (line) or endless valid pieces of text (content) "
                        "instead of a translation."),
         QStringLiteral("lines|line|content")});
    parser.addOption(
        {QStringLiteral("chat-ending"),
         QStringLiteral("End every chat answer, sent in a body that ends at the connection's close, "
                        "after its first piece by closing (cut) or aborting (reset) the connection, "
                        "or whole with finish reason \"length\" (length), or with finish reason "
                        "\"stop\" and no [DONE] (stop), or whole with an invalid UTF-8 byte in its "
                        "second piece (broken-byte), or whole with a NUL and a cut character there "
                        "(cut-character), or by keeping the connection open (held); or "
                        "answer with a web page instead (web-page)."),
         QStringLiteral("cut|reset|length|stop|broken-byte|cut-character|held|web-page")});
    parser.addOption({QStringLiteral("hosted-done-chars"),
                      QStringLiteral("Make every hosted answer's done event carry the translation repeated "
                                     "to N characters."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("endless-mib"),
                      QStringLiteral("How much an endless answer sends before it ends its body, in MiB."),
                      QStringLiteral("N"), QStringLiteral("256")});
    parser.process(app);

    const auto openaiPort = portOption(parser, QStringLiteral("openai-port"));
    const auto hostedPort = portOption(parser, QStringLiteral("hosted-port"));
    if (!openaiPort || !hostedPort) {
        std::fprintf(stderr, "tolvane-fake-server: a port must be a number from 0 to 65535\n");
        return 2;
    }

    std::optional<fake_replies::Endless> endless;
    if (parser.isSet(QStringLiteral("endless"))) {
        const QString kind = parser.value(QStringLiteral("endless"));
        if (kind == QLatin1String("lines"))
            endless = fake_replies::Endless::lines;
        else if (kind == QLatin1String("line"))
            endless = fake_replies::Endless::line;
        else if (kind == QLatin1String("content"))
            endless = fake_replies::Endless::content;
    }
    std::optional<fake_replies::ChatEnding> chatEnding;
    if (parser.isSet(QStringLiteral("chat-ending"))) {
        const QString ending = parser.value(QStringLiteral("chat-ending"));
        if (ending == QLatin1String("cut"))
            chatEnding = fake_replies::ChatEnding::cutOff;
        else if (ending == QLatin1String("reset"))
            chatEnding = fake_replies::ChatEnding::reset;
        else if (ending == QLatin1String("length"))
            chatEnding = fake_replies::ChatEnding::lengthLimit;
        else if (ending == QLatin1String("stop"))
            chatEnding = fake_replies::ChatEnding::stopWithoutDone;
        else if (ending == QLatin1String("broken-byte"))
            chatEnding = fake_replies::ChatEnding::brokenByte;
        else if (ending == QLatin1String("cut-character"))
            chatEnding = fake_replies::ChatEnding::cutCharacter;
        else if (ending == QLatin1String("held"))
            chatEnding = fake_replies::ChatEnding::held;
        else if (ending == QLatin1String("web-page"))
            chatEnding = fake_replies::ChatEnding::webPage;
        else {
            std::fprintf(stderr, "tolvane-fake-server: --chat-ending takes cut, reset, length, stop, "
                                 "broken-byte, cut-character, held or web-page\n");
            return 2;
        }
    }
    bool mibOk = false;
    const qint64 endlessBytes = parser.value(QStringLiteral("endless-mib")).toLongLong(&mibOk) * 1024 * 1024;
    bool doneCharsOk = false;
    const qsizetype hostedDoneChars =
        parser.value(QStringLiteral("hosted-done-chars")).toLongLong(&doneCharsOk);
    if (!doneCharsOk || hostedDoneChars < 0) {
        std::fprintf(stderr, "tolvane-fake-server: --hosted-done-chars takes a number of characters\n");
        return 2;
    }
    if ((parser.isSet(QStringLiteral("endless")) && !endless) || !mibOk || endlessBytes <= 0) {
        std::fprintf(stderr, "tolvane-fake-server: --endless takes lines, line or content, --endless-mib a "
                             "positive number\n");
        return 2;
    }

    FakeHttpServer openai;
    openai.setHandler([endless, endlessBytes, chatEnding](const CapturedRequest& request) {
        if (request.method == "POST" && request.target.endsWith("/chat/completions")) {
            if (endless)
                return fake_replies::endlessStream(fake_replies::Endpoint::chat, *endless, endlessBytes);
            // A web site answers every request with its page, the connection test's included.
            if (chatEnding && (request.jsonBody().value(QStringLiteral("stream")).toBool() ||
                               *chatEnding == fake_replies::ChatEnding::webPage))
                return fake_replies::chatCompletionEnding(request, *chatEnding);
            return fake_replies::chatCompletion(request);
        }
        return FakeResponse::json(404, R"({"error":{"message":"not found"}})");
    });
    FakeHostedService hosted;
    hosted.setTranslationHandler([endless, endlessBytes, hostedDoneChars](const CapturedRequest& request) {
        if (endless)
            return fake_replies::endlessStream(fake_replies::Endpoint::hosted, *endless, endlessBytes);
        return fake_replies::hostedTranslation(request, fake_replies::kPieceDelayMs, hostedDoneChars);
    });

    if (!listenOn(openai, *openaiPort, "openai") || !listenOn(hosted.server, *hostedPort, "hosted"))
        return 1;
    if (!quitOnTerminationSignals(app)) {
        std::fprintf(stderr, "tolvane-fake-server: cannot install the signal handlers\n");
        return 1;
    }

    QObject::connect(&openai, &FakeHttpServer::requestReceived, &app, [&openai] {
        const CapturedRequest& request = openai.requests().last();
        std::printf("request %s %s\n", request.method.constData(), request.target.constData());
        std::fflush(stdout);
    });
    std::printf("openai %s\n", qPrintable(openai.url(QStringLiteral("/v1/")).toString()));
    std::printf("hosted %s\n", qPrintable(hosted.baseURL().toString()));
    std::fflush(stdout);
    return app.exec();
}

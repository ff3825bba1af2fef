#include "providers/hosted_event_stream_parser.h"

#include "providers/error_body.h"
#include "providers/provider_errors.h"

namespace tolvane {

namespace {

QString trimSpacesAndTabs(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.sliced(start, end - start).toString();
}

} // namespace

bool HostedEventStreamParser::handleLine(const QString& line, const Deliver& deliver) {
    if (m_done)
        return false;
    if (line.isEmpty()) {
        dispatch(deliver);
        m_name = QStringLiteral("message");
        return !m_done;
    }
    if (line.startsWith(QLatin1String("event:"))) {
        dispatch(deliver);
        if (m_done)
            return false;
        m_name = trimSpacesAndTabs(QStringView(line).sliced(6));
        return true;
    }
    if (line.startsWith(QLatin1String("data:"))) {
        QByteArray data = trimSpacesAndTabs(QStringView(line).sliced(5)).toUtf8();
        // The line feeds that will join the lines count too.
        m_dataBytes += data.size() + 1;
        if (m_dataBytes > kMaxEventBytes + 1)
            throw AIProviderError::invalidResponse();
        m_dataLines.append(std::move(data));
    }
    // id:, retry:, comments and anything else are ignored.
    return true;
}

void HostedEventStreamParser::finish(const Deliver& deliver) {
    if (!m_done)
        dispatch(deliver);
    if (!m_done)
        throw AIProviderError::providerError(QStringLiteral("云端翻译流在完成前中断。"));
}

void HostedEventStreamParser::dispatch(const Deliver& deliver) {
    if (m_dataLines.isEmpty())
        return;
    const QByteArray data = m_dataLines.join('\n');
    m_dataLines.clear();
    m_dataBytes = 0;
    if (m_name != QLatin1String("error") && error_body::carriesError(data)) {
        // An error object sent under another event name (or none) ends the stream with its words too.
        throw AIProviderError::providerError(error_body::shownOrFallback(
            error_body::translateMessage(data), QStringLiteral("云端翻译流已中断。"), m_secrets));
    }
    if (m_name == QLatin1String("delta")) {
        QString text = decodeCloudTranslationDelta(data);
        if (!text.isEmpty())
            deliver(CloudTranslationStreamEvent::delta(std::move(text)));
    } else if (m_name == QLatin1String("done")) {
        const CloudTranslationResponse response = decodeCloudPayload(data);
        deliver(CloudTranslationStreamEvent::completed(CloudTranslationResult::fromResponse(response)));
        m_done = true;
    } else if (m_name == QLatin1String("error")) {
        const auto error = CloudTranslationErrorResponse::decode(data);
        const auto message = error.message ? error.message : error.error;
        // A blank message would show the user a failure without words.
        throw AIProviderError::providerError(
            error_body::shownOrFallback(message, QStringLiteral("云端翻译流已中断。"), m_secrets));
    }
}

} // namespace tolvane

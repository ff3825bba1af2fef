#include "providers/provider_errors.h"

#include "providers/server_text.h"

namespace tolvane {

QString AIProviderError::description() const {
    switch (m_kind) {
    case Kind::InvalidBaseURL:
        return QStringLiteral("AI 接口地址无效，请在设置中检查。");
    case Kind::InvalidResponse:
        return QStringLiteral("翻译服务返回了无法识别的回答。");
    case Kind::Interrupted:
        return QStringLiteral("翻译服务的回答没有正常结束，连接就断开了。");
    case Kind::OutputLimitReached:
        return QStringLiteral("翻译服务达到了输出长度上限，回答被截断。");
    case Kind::ContentFiltered:
        return QStringLiteral("翻译服务的内容过滤中止了回答，回答不完整。");
    case Kind::WebPage:
        return QStringLiteral(
            "AI 接口地址返回的是一个网页，而不是翻译结果。请在设置中检查 AI 接口地址（Base URL）。");
    case Kind::ProviderError:
        return m_message;
    }
    return m_message;
}

NetworkError::NetworkError(QNetworkReply::NetworkError code, QString host, QString systemMessage)
    // Qt's text can quote the server's reason phrase, which the server chooses freely.
    : m_code(code), m_host(std::move(host)), m_systemMessage(server_text::shortened(systemMessage)) {}

NetworkError::Cause NetworkError::cause() const {
    switch (m_code) {
    case QNetworkReply::HostNotFoundError:
        return Cause::notResolved;
    case QNetworkReply::ConnectionRefusedError:
        return Cause::refused;
    case QNetworkReply::TimeoutError:
        return Cause::timedOut;
    case QNetworkReply::SslHandshakeFailedError:
        return Cause::tls;
    default:
        return Cause::other;
    }
}

namespace {

// Chinese words for the common failures the sentence of their cause does not already name.
QString chineseDetail(QNetworkReply::NetworkError code) {
    switch (code) {
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("服务器提前关闭了连接");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("网络暂时不可用");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("服务器的重定向次数过多");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("服务器把请求重定向到了不安全的地址");
    case QNetworkReply::ProxyConnectionRefusedError:
        return QStringLiteral("代理服务器拒绝了连接");
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("代理服务器提前关闭了连接");
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("找不到代理服务器");
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("连接代理服务器超时");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("代理服务器要求身份验证");
    default:
        return {};
    }
}

} // namespace

QString NetworkError::description() const {
    const QString host = m_host.isEmpty() ? QStringLiteral("（未知主机）") : m_host;
    QString sentence;
    switch (cause()) {
    case Cause::notResolved:
        sentence = QStringLiteral("找不到服务器 %1：无法解析这个主机名，请检查网络连接和地址。");
        break;
    case Cause::refused:
        sentence = QStringLiteral("服务器 %1 拒绝了连接，请检查地址和端口。");
        break;
    case Cause::timedOut:
        sentence = QStringLiteral("连接服务器 %1 超时，服务器长时间没有回应。");
        break;
    case Cause::tls:
        sentence = QStringLiteral("与服务器 %1 建立安全连接（TLS）失败。");
        break;
    case Cause::other:
        sentence = QStringLiteral("与服务器 %1 的网络连接失败。");
        break;
    }
    sentence = sentence.arg(host);
    // The sentences of a name not resolved, a refusal and a time-out say all that Qt's text would.
    const bool named = cause() == Cause::notResolved || cause() == Cause::refused || isTimeout();
    const QString chinese = chineseDetail(m_code);
    const QString detail = !chinese.isEmpty() ? chinese : named ? QString() : m_systemMessage;
    if (detail.isEmpty())
        return sentence;
    return sentence + QStringLiteral("（%1）").arg(detail);
}

} // namespace tolvane

#pragma once

#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

// The server's own words in an error body. Each service has its own rule; all return nullopt when they find
// no text (a body that is not valid UTF-8 among others). Callers fall back to a fixed text naming the HTTP
// status when the result is missing or blank, so a failure is never shown without words.
namespace tolvane::error_body {

// The body as UTF-8 text; nullopt when it is not valid UTF-8.
std::optional<QString> utf8Text(QByteArrayView body);

// A JSON object that carries an error: it has an "error" member that is not null. A server that has
// already answered 200 sends its failure this way inside the stream.
bool carriesError(const QJsonObject& object);
bool carriesError(QByteArrayView json);

// Chat completions: {"error":{"message":S}}, else {"message":S}, else {"error":S}, else the body text.
std::optional<QString> providerMessage(QByteArrayView body);

// Device registration: a non-object body gives its text; an object its "message", else its "error" string,
// else nothing.
std::optional<QString> registrationMessage(QByteArrayView body);

// Translate: "message", else "error" string of an object; otherwise the body text.
std::optional<QString> translateMessage(QByteArrayView body);

// A translate error whose "error" names a refused device token.
bool isDeviceTokenError(QByteArrayView body);

// `message` made fit to show (server_text::shown, with `secrets` masked) when a visible character is left,
// else `fallback`.
QString shownOrFallback(const std::optional<QString>& message, const QString& fallback,
                        const QStringList& secrets);

} // namespace tolvane::error_body

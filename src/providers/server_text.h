#pragma once

#include <QString>
#include <QStringList>
#include <utility>

// Text a server chose, made fit to show in a status line: servers answer failures with whole HTML pages,
// and a hostile one can echo the request, credentials included.
namespace tolvane::server_text {

// The most user-perceived characters of server text that are shown, the cut marker included.
inline constexpr qsizetype kMaxShownCharacters = 300;
// What stands in the place of a secret.
inline constexpr char16_t kMask[] = u"••••••";

// Markup (text that starts with "<", as HTML and XML error pages do) reduced to what a browser would
// show: comments, head, script and style dropped, tags removed, common entities decoded. Other text is
// returned unchanged.
QString plainText(const QString& text);

// Runs of white space (line breaks included) become one space; both ends trimmed. At most
// kMaxShownCharacters user-perceived characters; a longer text is cut and ends in "…".
QString shortened(const QString& text);

// Every occurrence of each non-empty secret replaced by kMask.
QString masked(QString text, const QStringList& secrets);

// plainText, then masked, then shortened: the secrets are gone before the cut, so no part of one is left.
QString shown(const QString& text, const QStringList& secrets);

// Masks a secret in text that arrives in pieces, such as a streamed answer: the end of a piece that could be
// the start of the secret is held back until the next piece decides. Joined, the output is the input with
// every occurrence of the secret masked.
class StreamMask {
public:
    explicit StreamMask(QString secret) : m_secret(std::move(secret)) {}
    // The text that can be shown now (possibly empty).
    QString feed(const QString& piece);
    // What is still held back, at the end of the stream.
    QString finish() { return std::exchange(m_pending, {}); }

private:
    QString m_secret;
    QString m_pending;
};

} // namespace tolvane::server_text

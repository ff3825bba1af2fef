#include "providers/server_text.h"

#include "core/text.h"

#include <QRegularExpression>
#include <QSet>
#include <functional>

namespace tolvane::server_text {

namespace {

// `text` with every match of `pattern` replaced by what `replacement` makes of it.
QString replaceMatches(const QString& text, const QRegularExpression& pattern,
                       const std::function<QString(const QRegularExpressionMatch&)>& replacement) {
    QString out;
    out.reserve(text.size());
    qsizetype last = 0;
    auto it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(text).sliced(last, match.capturedStart() - last);
        out += replacement(match);
        last = match.capturedEnd();
    }
    out += QStringView(text).sliced(last);
    return out;
}

QString decodeEntity(const QRegularExpressionMatch& match) {
    static const QHash<QString, QString> named{
        {QStringLiteral("amp"), QStringLiteral("&")},    {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},     {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},   {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("mdash"), QStringLiteral("—")},  {QStringLiteral("ndash"), QStringLiteral("–")},
        {QStringLiteral("hellip"), QStringLiteral("…")}, {QStringLiteral("copy"), QStringLiteral("©")},
    };
    const QString name = match.captured(1);
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
        const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        // NUL, surrogates and values past Unicode stay as written.
        if (ok && code != 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
    } else if (const auto found = named.constFind(name.toLower()); found != named.constEnd()) {
        return *found;
    }
    return match.captured(0);
}

} // namespace

QString plainText(const QString& text) {
    const qsizetype first = text.indexOf(QRegularExpression(QStringLiteral("\\S")));
    if (first < 0 || text[first] != QLatin1Char('<'))
        return text;
    static const QRegularExpression invisible(
        QStringLiteral("<!--.*?(-->|$)|<(head|script|style)\\b[^>]*>.*?(</\\2\\s*>|$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // Tags that only style a run of text vanish ("Bad <b>gateway</b>!"); any other tag separates words.
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-zA-Z0-9]*)[^>]*(>|$)"));
    static const QSet<QString> inlineTags{
        QStringLiteral("a"),    QStringLiteral("abbr"),   QStringLiteral("b"),   QStringLiteral("code"),
        QStringLiteral("em"),   QStringLiteral("i"),      QStringLiteral("kbd"), QStringLiteral("small"),
        QStringLiteral("span"), QStringLiteral("strong"), QStringLiteral("sub"), QStringLiteral("sup"),
        QStringLiteral("tt"),   QStringLiteral("u"),
    };
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[a-zA-Z]+);"));
    QString stripped = text;
    stripped.replace(invisible, QStringLiteral(" "));
    const QString visible = replaceMatches(stripped, tag, [](const QRegularExpressionMatch& match) {
        return inlineTags.contains(match.captured(2).toLower()) ? QString() : QStringLiteral(" ");
    });
    return replaceMatches(visible, entity, decodeEntity);
}

QString shortened(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QString line = text;
    line.replace(space, QStringLiteral(" "));
    line = line.trimmed();
    if (text::graphemeCount(line) <= kMaxShownCharacters)
        return line;
    return text::graphemePrefix(line, kMaxShownCharacters - 1).trimmed() + QStringLiteral("…");
}

QString masked(QString text, const QStringList& secrets) {
    for (const QString& secret : secrets) {
        if (!secret.isEmpty())
            text.replace(secret, QString::fromUtf16(kMask));
    }
    return text;
}

QString shown(const QString& text, const QStringList& secrets) {
    // Masked on both sides of the markup removal: a secret inside a tag goes with it, one split by
    // entities or tags is whole only afterwards.
    return shortened(masked(plainText(masked(text, secrets)), secrets));
}

QString StreamMask::feed(const QString& piece) {
    if (m_secret.isEmpty())
        return piece;
    m_pending = masked(m_pending + piece, {m_secret});
    qsizetype held = qMin(m_pending.size(), m_secret.size() - 1);
    while (held > 0 && !m_pending.endsWith(QStringView(m_secret).first(held)))
        --held;
    QString ready = m_pending.first(m_pending.size() - held);
    m_pending.remove(0, ready.size());
    return ready;
}

} // namespace tolvane::server_text

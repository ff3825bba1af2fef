#include "workspace/history_row_text.h"

#include "core/text.h"
#include "model/history_entry.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <unicode/ureldatefmt.h>

namespace tolvane {
namespace {

constexpr qsizetype titleLength = 28;

struct FormatterClose {
    void operator()(URelativeDateTimeFormatter* formatter) const { ureldatefmt_close(formatter); }
};
using Formatter = std::unique_ptr<URelativeDateTimeFormatter, FormatterClose>;

// One formatter per locale, opened on first use (opening one costs far more than formatting). Main thread.
URelativeDateTimeFormatter* formatterFor(const QLocale& locale) {
    static std::map<std::string, Formatter> formatters;
    // ICU knows the C locale by another name; given "C" it would fall back to rules without singulars.
    const std::string name =
        locale.language() == QLocale::C ? std::string("en_US_POSIX") : locale.name().toStdString();
    auto found = formatters.find(name);
    if (found == formatters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        Formatter formatter(
            ureldatefmt_open(name.c_str(), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, &status));
        if (U_FAILURE(status))
            formatter.reset();
        found = formatters.emplace(name, std::move(formatter)).first;
    }
    return found->second.get();
}

// The largest non-zero unit of the calendar difference between `from` and `to` (from <= to), in local time.
std::pair<double, URelativeDateTimeUnit> largestUnit(const QDateTime& from, const QDateTime& to) {
    QDateTime cursor = from;
    int years = 0;
    while (cursor.addYears(years + 1) <= to)
        ++years;
    cursor = cursor.addYears(years);
    int months = 0;
    while (cursor.addMonths(months + 1) <= to)
        ++months;
    cursor = cursor.addMonths(months);
    const qint64 days = cursor.daysTo(to) - (cursor.addDays(cursor.daysTo(to)) > to ? 1 : 0);
    cursor = cursor.addDays(days);
    const qint64 seconds = cursor.secsTo(to);
    if (years > 0)
        return {years, UDAT_REL_UNIT_YEAR};
    if (months > 0)
        return {months, UDAT_REL_UNIT_MONTH};
    if (days >= 7)
        return {double(days / 7), UDAT_REL_UNIT_WEEK};
    if (days > 0)
        return {double(days), UDAT_REL_UNIT_DAY};
    if (seconds >= 3600)
        return {double(seconds / 3600), UDAT_REL_UNIT_HOUR};
    if (seconds >= 60)
        return {double(seconds / 60), UDAT_REL_UNIT_MINUTE};
    return {double(seconds), UDAT_REL_UNIT_SECOND};
}

} // namespace

QString historyRowTitle(const QString& sourceText) {
    static const QRegularExpression lineBreaks(
        QStringLiteral("[\\n\\x{0B}\\x{0C}\\r\\x{85}\\x{2028}\\x{2029}]+"));
    QString title;
    for (const QString& line : sourceText.split(lineBreaks, Qt::SkipEmptyParts)) {
        title = text::trimmed(line);
        if (!title.isEmpty())
            break;
    }
    if (title.isEmpty())
        title = text::trimmed(sourceText);
    if (text::graphemeCount(title) > titleLength)
        return text::graphemePrefix(title, titleLength) + QStringLiteral("…");
    return title;
}

QString shortLanguageCode(const QString& code) {
    if (code == QLatin1String("auto"))
        return QStringLiteral("AUTO");
    QString unified = code;
    unified.replace(QLatin1Char('_'), QLatin1Char('-'));
    const QStringList parts = unified.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return (parts.isEmpty() ? code : parts.first()).toUpper();
}

QString relativeAge(const QDateTime& moment, const QDateTime& now, const QLocale& locale) {
    const bool past = moment <= now;
    auto [value, unit] = past ? largestUnit(moment.toLocalTime(), now.toLocalTime())
                              : largestUnit(now.toLocalTime(), moment.toLocalTime());
    // Under a second old, or seconds ahead of this clock: made just now, never "in 0 seconds".
    if (unit == UDAT_REL_UNIT_SECOND && (value == 0 || !past))
        return locale.language() == QLocale::Chinese ? QStringLiteral("刚刚") : QStringLiteral("just now");
    if (past && value != 0)
        value = -value;
    URelativeDateTimeFormatter* formatter = formatterFor(locale);
    if (!formatter)
        return {};
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ureldatefmt_formatNumeric(formatter, value, unit, buffer, 128, &status);
    if (U_FAILURE(status))
        return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), length);
}

QString historyRowDetail(const HistoryEntry& entry, const QDateTime& now, const QLocale& locale) {
    return shortLanguageCode(entry.sourceLanguage) + QStringLiteral(" → ") +
           shortLanguageCode(entry.targetLanguage) + QStringLiteral(" · ") +
           locale.toUpper(relativeAge(entry.createdAt, now, locale));
}

QString compactCount(qint64 count) {
    if (count > 999999)
        return QString::asprintf("%.1fM", double(count) / 1000000.0)
            .replace(QStringLiteral(".0M"), QStringLiteral("M"));
    if (count > 999)
        return QString::asprintf("%.1fK", double(count) / 1000.0)
            .replace(QStringLiteral(".0K"), QStringLiteral("K"));
    return QString::number(count);
}

QString quotaText(qint64 used, qint64 limit) {
    return compactCount(used) + QStringLiteral(" / ") + compactCount(limit);
}

double quotaFraction(qint64 used, qint64 limit) {
    if (limit < 1)
        return 0;
    return std::clamp(double(used) / double(limit), 0.0, 1.0);
}

} // namespace tolvane

#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace tolvane {

struct HistoryEntry;

// The texts the history sidebar shows for an entry and for the hosted-service usage.

// The first line of `sourceText` that is not blank, trimmed (the whole trimmed text when every line is
// blank), cut to 28 user-perceived characters with "…" appended when longer.
QString historyRowTitle(const QString& sourceText);
// "EN → ZH · 5秒钟前": both languages' short codes and the entry's age relative to `now`, written in `locale`
// (the interface's Chinese unless told, whatever the process's locale) and upper-cased.
QString historyRowDetail(const HistoryEntry& entry, const QDateTime& now,
                         const QLocale& locale = QLocale(QLocale::Chinese, QLocale::China));
// The first part of a language code, upper-cased: "zh-Hans" and "zh_Hans" give "ZH", "auto" gives "AUTO".
QString shortLanguageCode(const QString& code);
// The time from `now` to `moment` in its largest non-zero calendar unit (seconds when none), long style,
// numeric: "5秒钟前", "3 days ago"; under a second (or seconds ahead) it is "刚刚" / "just now".
QString relativeAge(const QDateTime& moment, const QDateTime& now, const QLocale& locale);

// 999, 1K, 1.5K, 2.5M: always with a full stop, whatever the locale's decimal separator.
QString compactCount(qint64 count);
// "used / limit" in compact counts.
QString quotaText(qint64 used, qint64 limit);
// used / limit clamped to 0...1; 0 for a limit below 1.
double quotaFraction(qint64 used, qint64 limit);

} // namespace tolvane

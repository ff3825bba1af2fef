#include "workflow/same_language.h"

#include <QStringList>

namespace tolvane {

QString languageFamily(const QString& code) {
    QString normalized = code;
    normalized.replace(QLatin1Char('_'), QLatin1Char('-'));
    normalized = normalized.toLower();
    for (const QLatin1String folded : {QLatin1String("zh"), QLatin1String("en"), QLatin1String("pt")}) {
        if (normalized.startsWith(folded))
            return QString(folded);
    }
    const QStringList pieces = normalized.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? normalized : pieces.first();
}

bool isSameLanguage(const QString& source, const QString& target) {
    if (source == QLatin1String("auto"))
        return false;
    return languageFamily(source) == languageFamily(target);
}

} // namespace tolvane

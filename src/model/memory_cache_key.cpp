#include "model/memory_cache_key.h"

#include "core/text.h"
#include "model/ai_action.h"

#include <QCollator>
#include <QCryptographicHash>
#include <QLocale>
#include <algorithm>

namespace tolvane {

namespace {

// Case-insensitive, digit runs compared by value, in the current locale. The C locale ignores numeric
// mode ("item10" < "Item9"), so it collates as US English instead.
QCollator glossaryCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

QString memoryCacheKey(const QString& sourceText, const QString& targetLanguage, TranslationStyle style,
                       const QList<GlossaryTerm>& glossaryTerms) {
    QList<GlossaryTerm> terms;
    for (const GlossaryTerm& term : glossaryTerms) {
        if (term.isActive())
            terms.append(term);
    }
    const QCollator collator = glossaryCollator();
    std::stable_sort(terms.begin(), terms.end(), [&collator](const GlossaryTerm& a, const GlossaryTerm& b) {
        return collator.compare(a.source, b.source) < 0;
    });

    QStringList rendered;
    rendered.reserve(terms.size());
    for (const GlossaryTerm& term : terms)
        rendered << text::trimmed(term.source) + QLatin1Char('=') + text::trimmed(term.target);

    const QChar unit(0x1F);
    const QString keyText = text::trimmed(sourceText) + unit + rawValue(AIAction::translate) + unit +
                            targetLanguage + unit + rawValue(style) + unit + rendered.join(QChar(0x1E));
    return QString::fromLatin1(
        QCryptographicHash::hash(keyText.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace tolvane

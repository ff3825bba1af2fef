#include "ocr/recognition_language.h"

#include <QDir>
#include <array>
#include <utility>

namespace tolvane {

namespace {
struct LanguageRule {
    const char* prefix;
    const char* language;
};

// Tried in order; each adds English after the named language.
constexpr std::array<LanguageRule, 9> kRules{{
    {"zh", "zh-Hans"},
    {"ja", "ja-JP"},
    {"ko", "ko-KR"},
    {"fr", "fr-FR"},
    {"de", "de-DE"},
    {"es", "es-ES"},
    {"ru", "ru-RU"},
    {"pt", "pt-BR"},
    {"it", "it-IT"},
}};

constexpr std::array<std::pair<const char*, const char*>, 10> kTesseractModels{{
    {"zh-Hans", "chi_sim"},
    {"en-US", "eng"},
    {"ja-JP", "jpn"},
    {"ko-KR", "kor"},
    {"fr-FR", "fra"},
    {"de-DE", "deu"},
    {"es-ES", "spa"},
    {"ru-RU", "rus"},
    {"pt-BR", "por"},
    {"it-IT", "ita"},
}};
} // namespace

QStringList recognitionLanguages(const QString& hint) {
    const QString normalized = QString(hint).replace(QLatin1Char('_'), QLatin1Char('-')).toLower();
    const QString english = QStringLiteral("en-US");
    for (const LanguageRule& rule : kRules) {
        if (normalized.startsWith(QLatin1String(rule.prefix)))
            return {QString::fromLatin1(rule.language), english};
    }
    if (normalized.startsWith(QLatin1String("en")))
        return {english};
    return {QStringLiteral("zh-Hans"), english};
}

QStringList languagesForText(const QStringList& languages, const QString& text) {
    const QString chinese = QStringLiteral("zh-Hans");
    if (languages.size() < 2 || languages.first() != chinese)
        return languages;
    // A Han character carries about as much as a Latin word, so characters are weighed against words.
    int han = 0, latinWords = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const bool latin = c.script() == QChar::Script_Latin;
        han += c.script() == QChar::Script_Han;
        latinWords += latin && !inWord;
        inWord = latin;
    }
    return han > latinWords ? QStringList{chinese} : languages;
}

QString tesseractModelFor(const QString& recognitionLanguage) {
    for (const auto& [language, model] : kTesseractModels) {
        if (recognitionLanguage == QLatin1String(language))
            return QString::fromLatin1(model);
    }
    return {};
}

QString tesseractLanguageString(const QStringList& recognitionLanguages, const QStringList& installedModels) {
    QStringList models;
    for (const QString& language : recognitionLanguages) {
        const QString model = tesseractModelFor(language);
        if (!model.isEmpty() && installedModels.contains(model) && !models.contains(model))
            models.append(model);
    }
    if (!models.isEmpty())
        return models.join(QLatin1Char('+'));
    const QString english = QStringLiteral("eng");
    if (installedModels.contains(english) || installedModels.isEmpty())
        return english;
    return installedModels.first();
}

QStringList installedTesseractModels(const QString& tessdataDir) {
    QStringList models;
    const QDir dir(tessdataDir);
    for (const QString& file : dir.entryList({QStringLiteral("*.traineddata")}, QDir::Files, QDir::Name))
        models.append(file.chopped(int(sizeof(".traineddata") - 1)));
    return models;
}

} // namespace tolvane

#include "platform/cld2_language_recognizer.h"

// compact_lang_det.h uses size_t and friends without including the C headers that define them.
#include <cstdio>

#include <cld2/internal/lang_script.h>
#include <cld2/public/compact_lang_det.h>
#include <cld2/public/encodings.h>

#include <QByteArray>
#include <limits>

namespace tolvane {

std::optional<QString> Cld2LanguageRecognizer::adaptCode(const QString& cld2Code) {
    if (cld2Code.isEmpty() || cld2Code == QLatin1String("un"))
        return std::nullopt;
    if (cld2Code == QLatin1String("iw"))
        return QStringLiteral("he");
    if (cld2Code == QLatin1String("no") || cld2Code == QLatin1String("nn"))
        return QStringLiteral("nb");
    if (cld2Code == QLatin1String("tl"))
        return QStringLiteral("fil");
    return cld2Code;
}

std::optional<RecognizedLanguage> Cld2LanguageRecognizer::dominant(const QString& text) const {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty() || utf8.size() > std::numeric_limits<int>::max())
        return std::nullopt;

    const CLD2::CLDHints hints{nullptr, nullptr, CLD2::UNKNOWN_ENCODING, CLD2::UNKNOWN_LANGUAGE};
    CLD2::Language languages[3];
    int percents[3] = {0, 0, 0};
    double scores[3] = {0, 0, 0};
    int textBytes = 0;
    bool reliable = false;
    int validPrefixBytes = 0;
    CLD2::ExtDetectLanguageSummaryCheckUTF8(utf8.constData(), static_cast<int>(utf8.size()), true, &hints, 0,
                                            languages, percents, scores, nullptr, &textBytes, &reliable,
                                            &validPrefixBytes);

    const auto code = adaptCode(QString::fromLatin1(CLD2::LanguageCode(languages[0])));
    if (!code)
        return std::nullopt;
    return RecognizedLanguage{*code, reliable ? percents[0] / 100.0 : 0.0};
}

} // namespace tolvane

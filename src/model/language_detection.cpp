#include "model/language_detection.h"

#include "model/language_table.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace tolvane {

namespace {

struct Sample {
    QStringView text;
    qsizetype characters = 0; // user-perceived characters in `text`
};

// The first `limit` user-perceived characters of `text`. QTextBoundaryFinder analyses everything it is
// given, so it sees a window that grows until it holds `limit` characters: the cost follows the sample,
// not the input. A boundary strictly inside the window depends only on the text before and at it, so it is
// the same as in the whole text; the window's own end is trusted only when it is the end of the text.
Sample takeSample(QStringView text, qsizetype limit) {
    // Most characters are one code unit; a little slack avoids a second pass for a few longer ones.
    qsizetype window = std::min(text.size(), limit + limit / 8);
    for (;;) {
        if (window < text.size() && window > 0 && text[window - 1].isHighSurrogate())
            ++window; // never split a surrogate pair
        const bool wholeText = window == text.size();
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.left(window));
        qsizetype position = 0;
        qsizetype count = 0;
        while (count < limit) {
            const qsizetype next = finder.toNextBoundary();
            if (next == -1 || (next == window && !wholeText))
                break;
            position = next;
            ++count;
        }
        if (count == limit || wholeText)
            return {text.left(position), count};
        window = std::min(text.size(), window * 2);
    }
}

bool isKana(char32_t c) {
    return c >= 0x3040 && c <= 0x30FF;
}
bool isHangulSyllable(char32_t c) {
    return c >= 0xAC00 && c <= 0xD7AF;
}
bool isHanIdeograph(char32_t c) {
    return c >= 0x4E00 && c <= 0x9FFF;
}

bool startsWith(const QString& code, const char* prefix) {
    return code.startsWith(QLatin1String(prefix));
}

} // namespace

std::optional<QString> guessLanguageFromScript(QStringView sample) {
    std::optional<QString> kanaOrHangul; // decided by the first kana or Hangul scalar
    bool sawHan = false;
    qsizetype letters = 0;
    qsizetype cjkLetters = 0;
    for (qsizetype i = 0; i < sample.size(); ++i) {
        char32_t scalar = sample[i].unicode();
        if (QChar::isHighSurrogate(scalar) && i + 1 < sample.size() && sample[i + 1].isLowSurrogate()) {
            scalar = QChar::surrogateToUcs4(sample[i], sample[i + 1]);
            ++i;
        }

        const bool kana = isKana(scalar);
        const bool hangul = isHangulSyllable(scalar);
        const bool han = isHanIdeograph(scalar);
        if (!kanaOrHangul && (kana || hangul))
            kanaOrHangul = kana ? QStringLiteral("ja") : QStringLiteral("ko");
        sawHan = sawHan || han;
        if (QChar::isLetter(scalar)) {
            ++letters;
            if (kana || hangul || han)
                ++cjkLetters;
        }
    }
    // A few CJK characters inside another script's text say nothing about the text's language.
    if (cjkLetters == 0 || 2 * cjkLetters < letters)
        return std::nullopt;
    if (kanaOrHangul)
        return kanaOrHangul;
    if (sawHan)
        return QStringLiteral("zh-Hans");
    return std::nullopt;
}

std::optional<QString> normalizeLanguageCode(const QString& code) {
    if (startsWith(code, "zh-Hant") || startsWith(code, "zh-TW") || startsWith(code, "zh-HK"))
        return QStringLiteral("zh-Hant");
    if (startsWith(code, "zh"))
        return QStringLiteral("zh-Hans");
    if (startsWith(code, "en"))
        return QStringLiteral("en-US");
    if (startsWith(code, "pt-PT"))
        return QStringLiteral("pt-PT");
    if (startsWith(code, "pt"))
        return QStringLiteral("pt-BR");
    const auto& table = targetLanguages();
    for (const auto& row : table) {
        if (row.id == code)
            return row.id;
    }
    for (const auto& row : table) {
        if (code.startsWith(row.id))
            return row.id;
    }
    return std::nullopt;
}

std::optional<QString> detectSourceLanguage(const QString& text, const LanguageRecognizer& recognizer) {
    // QStringView trims with the same white-space rule as QString::trimmed, without copying the text.
    const Sample sample = takeSample(QStringView(text).trimmed(), kDetectionSampleLength);
    if (sample.characters < 2)
        return std::nullopt;

    if (auto guess = guessLanguageFromScript(sample.text))
        return guess;

    const auto dominant = recognizer.dominant(sample.text.toString());
    if (!dominant)
        return std::nullopt;
    const double threshold = sample.characters < 20 ? 0.35 : 0.25;
    if (!(dominant->confidence >= threshold))
        return std::nullopt;
    return normalizeLanguageCode(dominant->code);
}

} // namespace tolvane

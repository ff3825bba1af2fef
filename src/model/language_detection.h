#pragma once

#include "platform/language_recognizer.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace tolvane {

// At most this many user-perceived characters of a text take part in detection.
inline constexpr qsizetype kDetectionSampleLength = 4000;

// The source language of `text` as a code of targetLanguages(), or no value when it is undecided.
// Trims the text, keeps its first kDetectionSampleLength characters, tries the script guess, then asks
// `recognizer` and accepts its answer only above the confidence thresholds. Only trimming sees more than
// the sample, so a very long text costs about as much as its first 4000 characters.
std::optional<QString> detectSourceLanguage(const QString& text,
                                            const LanguageRecognizer& recognizer = defaultRecognizer());

// The script-based guess on a sample: "ja" or "ko" for the first kana or Hangul syllable, "zh-Hans" for Han
// ideographs alone. It answers only when CJK ideographs, kana and Hangul make up at least half of the
// sample's letters, so a Latin sentence quoting one Han character is left to the recognizer.
std::optional<QString> guessLanguageFromScript(QStringView sample);

// Maps a recognizer's code onto the language table ("zh-TW" -> "zh-Hant", "en" -> "en-US",
// "fil-PH" -> "fil", ...); no value for a language outside the table.
std::optional<QString> normalizeLanguageCode(const QString& code);

} // namespace tolvane

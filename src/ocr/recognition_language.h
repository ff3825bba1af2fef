#pragma once

#include <QString>
#include <QStringList>

namespace tolvane {

// The recognition languages (BCP 47 tags such as "zh-Hans", "en-US") for a source-language hint: "_" becomes
// "-", case is ignored, the first matching prefix rule wins; "auto" and unknown hints read Chinese and
// English.
QStringList recognitionLanguages(const QString& hint);

// The languages for a picture whose first reading is `text`. When it holds more Han characters than Latin
// words and the list pairs Chinese with English, Chinese alone: its model reads the Latin words inside
// Chinese text as well, while next to the English model Han characters beside Latin letters are often taken
// for Latin ("加 T" read as "MT"). Otherwise the list unchanged.
QStringList languagesForText(const QStringList& languages, const QString& text);

// The Tesseract model name for a recognition language ("zh-Hans" -> "chi_sim"); empty when there is none.
QString tesseractModelFor(const QString& recognitionLanguage);

// The Tesseract language string ("chi_sim+eng") for the recognition languages, in list order, keeping only
// installed models. When none is installed: "eng" if installed, else the first installed model, else "eng".
QString tesseractLanguageString(const QStringList& recognitionLanguages, const QStringList& installedModels);

// Model names of the *.traineddata files in `tessdataDir`, sorted.
QStringList installedTesseractModels(const QString& tessdataDir);

} // namespace tolvane

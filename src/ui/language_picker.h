#pragma once

#include "model/translation_language.h"

#include <QList>
#include <QPair>
#include <QString>

class QComboBox;

namespace tolvane {

// (display name, code) rows of a language list, in its order.
QList<QPair<QString, QString>> languagePickerRows(const QList<TranslationLanguage>& languages);

// Fills a picker with (display name, code) rows and selects `code`, without emitting selection signals.
// An unknown code becomes an extra row, so the stored value is shown rather than replaced.
void fillLanguagePicker(QComboBox* picker, const QList<QPair<QString, QString>>& rows, const QString& code);

} // namespace tolvane

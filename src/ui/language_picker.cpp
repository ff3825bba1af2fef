#include "ui/language_picker.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tolvane {

QList<QPair<QString, QString>> languagePickerRows(const QList<TranslationLanguage>& languages) {
    QList<QPair<QString, QString>> rows;
    for (const TranslationLanguage& language : languages)
        rows.append({language.displayName, language.id});
    return rows;
}

void fillLanguagePicker(QComboBox* picker, const QList<QPair<QString, QString>>& rows, const QString& code) {
    const QSignalBlocker blocker(picker);
    bool same = picker->count() >= rows.size();
    for (qsizetype i = 0; same && i < rows.size(); ++i)
        same = picker->itemData(int(i)).toString() == rows[i].second;
    if (!same) {
        picker->clear();
        for (const auto& [name, id] : rows)
            picker->addItem(name, id);
    }
    while (picker->count() > rows.size()) // an earlier unknown code
        picker->removeItem(picker->count() - 1);
    int index = picker->findData(code);
    if (index < 0) {
        picker->addItem(code, code);
        index = picker->count() - 1;
    }
    picker->setCurrentIndex(index);
}

} // namespace tolvane

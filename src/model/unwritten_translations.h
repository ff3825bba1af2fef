#pragma once

#include "model/translation_record.h"

#include <QList>
#include <QString>

namespace tolvane {

// Translations not yet in the history, kept in a small file beside the database ("<database>.unwritten",
// owner-only) from the moment they wait for it, so that a later start writes them however the process
// ended: one JSON array of records, oldest first. Touched from the history store's worker only.
class UnwrittenTranslations {
public:
    explicit UnwrittenTranslations(QString databasePath);

    const QString& path() const { return m_path; }
    bool exists() const;
    // The kept records, oldest first; none without a file. A file that cannot be read is moved aside to
    // "<file>.unreadable" with a warning (nothing is deleted) and reads as none.
    QList<TranslationRecord> load() const;
    // Replaces the file with `records`, written whole or not at all. False (and a warning) when it could not
    // be written.
    bool save(const QList<TranslationRecord>& records) const;
    // False (and a warning) when a file is left.
    bool remove() const;

private:
    QString m_path;
};

} // namespace tolvane

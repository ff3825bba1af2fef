#include "model/unwritten_translations.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "core/whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace tolvane {

UnwrittenTranslations::UnwrittenTranslations(QString databasePath)
    : m_path(std::move(databasePath) + QStringLiteral(".unwritten")) {}

bool UnwrittenTranslations::exists() const {
    return QFileInfo(m_path).isFile();
}

QList<TranslationRecord> UnwrittenTranslations::load() const {
    QFile file(m_path);
    if (!file.exists())
        return {};
    QString problem;
    QList<TranslationRecord> records;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError || !document.isArray()) {
            problem = QStringLiteral("not a JSON array");
        } else {
            try {
                for (const QJsonValue& element : document.array())
                    records << TranslationRecord::fromJson(element);
            } catch (const AppError& failure) {
                problem = failure.description();
            }
        }
    }
    if (problem.isEmpty())
        return records;
    const QString aside = m_path + QStringLiteral(".unreadable");
    QFile::remove(aside);
    const bool moved = QFile::rename(m_path, aside);
    qCWarning(lcHistory).noquote()
        << QStringLiteral("The translations kept from the last run cannot be read (%1)%2")
               .arg(problem, moved ? QStringLiteral("; the file was moved to ") + aside : QString());
    return {};
}

bool UnwrittenTranslations::save(const QList<TranslationRecord>& records) const {
    if (records.isEmpty())
        return remove();
    QJsonArray array;
    for (const TranslationRecord& record : records)
        array.append(record.toJson());
    // The texts are private: the new file is the owner's alone before anything is written to it (and the
    // folder is the owner's too).
    const std::optional<QString> error =
        writeWholeFile(m_path, QJsonDocument(array).toJson(QJsonDocument::Compact),
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (error)
        qCWarning(lcHistory).noquote()
            << "Could not keep the translations not yet in the history (any file from before is unchanged):"
            << *error;
    return !error;
}

bool UnwrittenTranslations::remove() const {
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return true;
    qCWarning(lcHistory).noquote() << "Could not remove" << m_path << ":" << file.errorString();
    return false;
}

} // namespace tolvane

#include "model/unwritten_translations.h"

#include "core/app_error.h"
#include "core/logging.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

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
    constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QSaveFile file(m_path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        // The texts are private: the new file is the owner's alone before anything is written to it (and the
        // folder is the owner's too).
        file.setPermissions(ownerOnly);
        written = file.write(QJsonDocument(array).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
    }
    if (written)
        QFile::setPermissions(m_path, ownerOnly);
    else
        qCWarning(lcHistory).noquote()
            << "Could not keep the translations not yet in the history:" << file.errorString();
    return written;
}

bool UnwrittenTranslations::remove() const {
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return true;
    qCWarning(lcHistory).noquote() << "Could not remove" << m_path << ":" << file.errorString();
    return false;
}

} // namespace tolvane

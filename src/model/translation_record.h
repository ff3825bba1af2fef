#pragma once

#include "model/ai_request.h"

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <cstdint>

namespace tolvane {

// One finished translation to be written to history and, for provider results, to translation memory.
struct TranslationRecord {
    QString historyEntryId;
    AIRequest request;
    QString resultText;
    QString provider;
    bool writeMemory = false;
    QDateTime timestamp;
    // How many clears of the history had been asked for when the translation was made. A clear asked for
    // later covers the translation: once that clear has run, the record is no longer written.
    uint64_t clearsBefore = 0;

    // Every field but clearsBefore, which only means something within one run.
    QJsonValue toJson() const;
    // Throws DecodingError naming the key that does not decode.
    static TranslationRecord fromJson(const QJsonValue& json);
};

} // namespace tolvane

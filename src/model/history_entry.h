#pragma once

#include "model/ai_action.h"

#include <QDateTime>
#include <QString>
#include <cstddef>

namespace tolvane {

// One history row.
struct HistoryEntry {
    QString id; // upper-case UUID text
    QString sourceText;
    QString resultText;
    AIAction action = AIAction::translate;
    QString sourceLanguage;
    QString targetLanguage;
    QString provider;
    QDateTime createdAt; // UTC, millisecond precision

    // Texts compare by canonical equivalence, dates by instant.
    friend bool operator==(const HistoryEntry& a, const HistoryEntry& b);
};

size_t qHash(const HistoryEntry& entry, size_t seed = 0);

} // namespace tolvane

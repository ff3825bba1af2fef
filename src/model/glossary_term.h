#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <cstddef>

namespace tolvane {

// One terminology pair: `source` as written in source texts must be rendered as `target`.
struct GlossaryTerm {
    QUuid id;
    QString source;
    QString target;

    // Active terms have a non-blank source and target; users of the glossary filter with it.
    bool isActive() const;

    // {"id": upper-case 8-4-4-4-12 text, "source": ..., "target": ...}
    QJsonValue toJson() const;
    // All three keys are required; the id must be the 8-4-4-4-12 form (either letter case).
    // Throws DecodingError naming the offending key.
    static GlossaryTerm fromJson(const QJsonValue& json);

    // Strings compare by canonical equivalence.
    friend bool operator==(const GlossaryTerm& a, const GlossaryTerm& b);
};

size_t qHash(const GlossaryTerm& term, size_t seed = 0);

// A glossary as a JSON array of terms, in list order.
QJsonArray glossaryTermsToJson(const QList<GlossaryTerm>& terms);
// All or nothing: one element that does not decode fails the whole array (DecodingError naming its index).
QList<GlossaryTerm> glossaryTermsFromJson(const QJsonValue& json);
// Element by element: a term that does not decode is skipped and described in `skipped` (naming its index).
QList<GlossaryTerm> glossaryTermsFromJsonElements(const QJsonArray& array, QStringList& skipped);

} // namespace tolvane

#pragma once

#include <QJsonValue>
#include <QString>
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

} // namespace tolvane

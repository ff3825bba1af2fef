#include "model/glossary_term.h"

#include "core/text.h"
#include "core/uuid_text.h"
#include "model/json_codec.h"

#include <QHashFunctions>
#include <QJsonObject>

namespace tolvane {

namespace {
constexpr const char* kTypeName = "GlossaryTerm";
}

bool GlossaryTerm::isActive() const {
    return !text::trimmed(source).isEmpty() && !text::trimmed(target).isEmpty();
}

QJsonValue GlossaryTerm::toJson() const {
    return QJsonObject{
        {QStringLiteral("id"), uuid::upper(id)},
        {QStringLiteral("source"), source},
        {QStringLiteral("target"), target},
    };
}

GlossaryTerm GlossaryTerm::fromJson(const QJsonValue& json) {
    const QJsonObject object = json::requireObject(json, kTypeName);
    const QString idText = json::requireString(object, kTypeName, QStringLiteral("id"));
    const auto id = uuid::parseStrict(idText);
    if (!id)
        json::failKey(kTypeName, QStringLiteral("id"), QStringLiteral("is not a UUID"));
    GlossaryTerm term;
    term.id = *id;
    term.source = json::requireString(object, kTypeName, QStringLiteral("source"));
    term.target = json::requireString(object, kTypeName, QStringLiteral("target"));
    return term;
}

bool operator==(const GlossaryTerm& a, const GlossaryTerm& b) {
    return a.id == b.id && text::canonicallyEqual(a.source, b.source) &&
           text::canonicallyEqual(a.target, b.target);
}

size_t qHash(const GlossaryTerm& term, size_t seed) {
    return qHashMulti(seed, term.id, text::canonicalHash(term.source), text::canonicalHash(term.target));
}

QJsonArray glossaryTermsToJson(const QList<GlossaryTerm>& terms) {
    QJsonArray array;
    for (const GlossaryTerm& term : terms)
        array.append(term.toJson());
    return array;
}

QList<GlossaryTerm> glossaryTermsFromJson(const QJsonValue& json) {
    if (!json.isArray())
        throw DecodingError(QStringLiteral("Glossary: expected a JSON array of terms."));
    QStringList skipped;
    QList<GlossaryTerm> terms = glossaryTermsFromJsonElements(json.toArray(), skipped);
    if (!skipped.isEmpty())
        throw DecodingError(skipped.first());
    return terms;
}

QList<GlossaryTerm> glossaryTermsFromJsonElements(const QJsonArray& array, QStringList& skipped) {
    QList<GlossaryTerm> terms;
    terms.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        try {
            terms.append(GlossaryTerm::fromJson(array.at(i)));
        } catch (const DecodingError& error) {
            skipped << QStringLiteral("Glossary element %1: %2").arg(i).arg(error.description());
        }
    }
    return terms;
}

} // namespace tolvane

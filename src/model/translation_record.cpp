#include "model/translation_record.h"

#include "model/json_codec.h"

#include <QJsonObject>

namespace tolvane {

namespace {
constexpr const char* kTypeName = "TranslationRecord";

QJsonValue member(const QJsonObject& object, const char* key) {
    return json::requireMember(object, kTypeName, QString::fromLatin1(key));
}
} // namespace

QJsonValue TranslationRecord::toJson() const {
    return QJsonObject{
        {QStringLiteral("id"), historyEntryId},
        {QStringLiteral("action"), enumToJson(request.action)},
        {QStringLiteral("sourceText"), request.sourceText},
        {QStringLiteral("sourceLanguage"), request.sourceLanguage},
        {QStringLiteral("targetLanguage"), request.targetLanguage},
        {QStringLiteral("style"), enumToJson(request.style)},
        {QStringLiteral("glossaryTerms"), glossaryTermsToJson(request.glossaryTerms)},
        {QStringLiteral("resultText"), resultText},
        {QStringLiteral("provider"), provider},
        {QStringLiteral("writeMemory"), writeMemory},
        // Milliseconds as text: a double would round beyond 2^53.
        {QStringLiteral("timestamp"), QString::number(timestamp.toMSecsSinceEpoch())},
    };
}

TranslationRecord TranslationRecord::fromJson(const QJsonValue& json) {
    const QJsonObject object = json::requireObject(json, kTypeName);
    const auto text = [&object](const char* key) {
        return json::requireString(object, kTypeName, QString::fromLatin1(key));
    };
    TranslationRecord record;
    record.historyEntryId = text("id");
    record.request.action = enumFromJson<AIAction>(member(object, "action"), QStringLiteral("action"));
    record.request.sourceText = text("sourceText");
    record.request.sourceLanguage = text("sourceLanguage");
    record.request.targetLanguage = text("targetLanguage");
    record.request.style = enumFromJson<TranslationStyle>(member(object, "style"), QStringLiteral("style"));
    record.request.glossaryTerms = glossaryTermsFromJson(member(object, "glossaryTerms"));
    record.resultText = text("resultText");
    record.provider = text("provider");
    const QJsonValue writeMemory = member(object, "writeMemory");
    if (!writeMemory.isBool())
        json::failKey(kTypeName, QStringLiteral("writeMemory"), QStringLiteral("is not a Boolean"));
    record.writeMemory = writeMemory.toBool();
    bool ok = false;
    const qint64 milliseconds = text("timestamp").toLongLong(&ok);
    if (!ok)
        json::failKey(kTypeName, QStringLiteral("timestamp"), QStringLiteral("is not a number"));
    record.timestamp = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
    return record;
}

} // namespace tolvane

#include "model/language_table.h"

#include <QCoreApplication>
#include <array>

namespace tolvane {

namespace {

constexpr const char* kContext = "TranslationLanguage";

struct LanguageRow {
    const char* code;
    const char* name;
};

constexpr std::array<LanguageRow, 38> kTargetRows{{
    {"zh-Hans", QT_TRANSLATE_NOOP("TranslationLanguage", "中文（简体）")},
    {"zh-Hant", QT_TRANSLATE_NOOP("TranslationLanguage", "中文（繁体）")},
    {"en-US", QT_TRANSLATE_NOOP("TranslationLanguage", "英语（美国）")},
    {"en-GB", QT_TRANSLATE_NOOP("TranslationLanguage", "英语（英国）")},
    {"ja", QT_TRANSLATE_NOOP("TranslationLanguage", "日语")},
    {"ko", QT_TRANSLATE_NOOP("TranslationLanguage", "韩语")},
    {"fr", QT_TRANSLATE_NOOP("TranslationLanguage", "法语")},
    {"de", QT_TRANSLATE_NOOP("TranslationLanguage", "德语")},
    {"es", QT_TRANSLATE_NOOP("TranslationLanguage", "西班牙语")},
    {"pt-BR", QT_TRANSLATE_NOOP("TranslationLanguage", "葡萄牙语（巴西）")},
    {"pt-PT", QT_TRANSLATE_NOOP("TranslationLanguage", "葡萄牙语（葡萄牙）")},
    {"it", QT_TRANSLATE_NOOP("TranslationLanguage", "意大利语")},
    {"nl", QT_TRANSLATE_NOOP("TranslationLanguage", "荷兰语")},
    {"ru", QT_TRANSLATE_NOOP("TranslationLanguage", "俄语")},
    {"uk", QT_TRANSLATE_NOOP("TranslationLanguage", "乌克兰语")},
    {"pl", QT_TRANSLATE_NOOP("TranslationLanguage", "波兰语")},
    {"cs", QT_TRANSLATE_NOOP("TranslationLanguage", "捷克语")},
    {"sk", QT_TRANSLATE_NOOP("TranslationLanguage", "斯洛伐克语")},
    {"hu", QT_TRANSLATE_NOOP("TranslationLanguage", "匈牙利语")},
    {"ro", QT_TRANSLATE_NOOP("TranslationLanguage", "罗马尼亚语")},
    {"bg", QT_TRANSLATE_NOOP("TranslationLanguage", "保加利亚语")},
    {"hr", QT_TRANSLATE_NOOP("TranslationLanguage", "克罗地亚语")},
    {"sl", QT_TRANSLATE_NOOP("TranslationLanguage", "斯洛文尼亚语")},
    {"el", QT_TRANSLATE_NOOP("TranslationLanguage", "希腊语")},
    {"tr", QT_TRANSLATE_NOOP("TranslationLanguage", "土耳其语")},
    {"ar", QT_TRANSLATE_NOOP("TranslationLanguage", "阿拉伯语")},
    {"he", QT_TRANSLATE_NOOP("TranslationLanguage", "希伯来语")},
    {"hi", QT_TRANSLATE_NOOP("TranslationLanguage", "印地语")},
    {"id", QT_TRANSLATE_NOOP("TranslationLanguage", "印度尼西亚语")},
    {"ms", QT_TRANSLATE_NOOP("TranslationLanguage", "马来语")},
    {"vi", QT_TRANSLATE_NOOP("TranslationLanguage", "越南语")},
    {"th", QT_TRANSLATE_NOOP("TranslationLanguage", "泰语")},
    {"fil", QT_TRANSLATE_NOOP("TranslationLanguage", "菲律宾语")},
    {"sv", QT_TRANSLATE_NOOP("TranslationLanguage", "瑞典语")},
    {"da", QT_TRANSLATE_NOOP("TranslationLanguage", "丹麦语")},
    {"nb", QT_TRANSLATE_NOOP("TranslationLanguage", "挪威语（博克马尔）")},
    {"fi", QT_TRANSLATE_NOOP("TranslationLanguage", "芬兰语")},
    {"ca", QT_TRANSLATE_NOOP("TranslationLanguage", "加泰罗尼亚语")},
}};

TranslationLanguage makeRow(const char* code, const char* name) {
    return {QString::fromLatin1(code), QCoreApplication::translate(kContext, name)};
}

} // namespace

const TranslationLanguage& autoDetectLanguage() {
    static const TranslationLanguage row =
        makeRow(kAutoLanguageCode, QT_TRANSLATE_NOOP("TranslationLanguage", "自动检测"));
    return row;
}

const QList<TranslationLanguage>& targetLanguages() {
    static const QList<TranslationLanguage> rows = [] {
        QList<TranslationLanguage> list;
        list.reserve(qsizetype(kTargetRows.size()));
        for (const auto& row : kTargetRows)
            list.append(makeRow(row.code, row.name));
        return list;
    }();
    return rows;
}

const QList<TranslationLanguage>& sourceLanguages() {
    static const QList<TranslationLanguage> rows =
        QList<TranslationLanguage>{autoDetectLanguage()} + targetLanguages();
    return rows;
}

QString displayNameForLanguageCode(const QString& code) {
    if (code == QLatin1String(kAutoLanguageCode))
        return autoDetectLanguage().displayName;
    for (const auto& row : targetLanguages()) {
        if (row.id == code)
            return row.displayName;
    }
    return code;
}

} // namespace tolvane

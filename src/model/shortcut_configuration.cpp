#include "model/shortcut_configuration.h"

#include "core/app_error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {

std::optional<AppShortcut> ShortcutConfiguration::shortcut(ShortcutAction action) const {
    return m_storage[static_cast<size_t>(action)];
}

void ShortcutConfiguration::setShortcut(ShortcutAction action, std::optional<AppShortcut> shortcut) {
    m_storage[static_cast<size_t>(action)] = std::move(shortcut);
}

bool ShortcutConfiguration::isEmpty() const {
    for (const auto& entry : m_storage) {
        if (entry)
            return false;
    }
    return true;
}

const ShortcutConfiguration& ShortcutConfiguration::defaultShortcuts() {
    static const ShortcutConfiguration defaults = [] {
        const ShortcutModifiers optionCommand{ShortcutModifiers::option, ShortcutModifiers::command};
        ShortcutConfiguration config;
        config.setShortcut(ShortcutAction::translateSelection,
                           AppShortcut{17, optionCommand, QStringLiteral("t"), 1});
        config.setShortcut(ShortcutAction::screenshotTranslation,
                           AppShortcut{1, optionCommand, QStringLiteral("s"), 1});
        config.setShortcut(ShortcutAction::screenshotRecognition,
                           AppShortcut{7, optionCommand, QStringLiteral("x"), 1});
        config.setShortcut(ShortcutAction::openTranslationWindow,
                           AppShortcut{31, optionCommand, QStringLiteral("o"), 1});
        return config;
    }();
    return defaults;
}

QByteArray ShortcutConfiguration::toJson() const {
    QJsonArray storage;
    for (ShortcutAction action : allShortcutActions) {
        if (const auto& entry = m_storage[static_cast<size_t>(action)]) {
            storage.append(rawValue(action));
            storage.append(entry->toJson());
        }
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("storage"), storage}}).toJson(QJsonDocument::Compact);
}

ShortcutConfiguration ShortcutConfiguration::fromJson(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        throw DecodingError(QStringLiteral("The shortcut configuration is not a JSON object."));
    const QJsonValue storage = document.object().value(QStringLiteral("storage"));
    if (!storage.isArray())
        throw DecodingError(QStringLiteral("The shortcut configuration has no \"storage\" array."));
    const QJsonArray pairs = storage.toArray();
    if (pairs.size() % 2 != 0)
        throw DecodingError(
            QStringLiteral("The shortcut configuration ends with an action without a shortcut."));

    ShortcutConfiguration config;
    for (qsizetype i = 0; i < pairs.size(); i += 2) {
        const QJsonValue name = pairs.at(i);
        const std::optional<ShortcutAction> action =
            name.isString() ? fromRawValue<ShortcutAction>(name.toString()) : std::nullopt;
        if (!action)
            throw DecodingError(QStringLiteral("The shortcut configuration names an unknown action."));
        config.setShortcut(*action, AppShortcut::fromJson(pairs.at(i + 1)));
    }
    return config;
}

} // namespace tolvane

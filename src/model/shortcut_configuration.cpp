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
    QStringList skipped;
    const std::optional<ShortcutConfiguration> config = fromJsonElements(json, skipped);
    if (!skipped.isEmpty())
        throw DecodingError(skipped.first());
    return *config;
}

std::optional<ShortcutConfiguration> ShortcutConfiguration::fromJsonElements(const QByteArray& json,
                                                                             QStringList& skipped) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        skipped << QStringLiteral("The shortcut configuration is not a JSON object.");
        return std::nullopt;
    }
    const QJsonValue storage = document.object().value(QStringLiteral("storage"));
    if (!storage.isArray()) {
        skipped << QStringLiteral("The shortcut configuration has no \"storage\" array.");
        return std::nullopt;
    }
    const QJsonArray pairs = storage.toArray();
    ShortcutConfiguration config;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const QJsonValue name = pairs.at(i);
        const std::optional<ShortcutAction> action =
            name.isString() ? fromRawValue<ShortcutAction>(name.toString()) : std::nullopt;
        if (!action) {
            skipped << QStringLiteral("The shortcut configuration names an unknown action \"%1\".")
                           .arg(name.toString());
            continue;
        }
        try {
            config.setShortcut(*action, AppShortcut::fromJson(pairs.at(i + 1)));
        } catch (const DecodingError& error) {
            skipped << QStringLiteral("%1: %2").arg(rawValue(*action), error.description());
        }
    }
    if (pairs.size() % 2 != 0)
        skipped << QStringLiteral("The shortcut configuration ends with an action without a shortcut.");
    return config;
}

} // namespace tolvane

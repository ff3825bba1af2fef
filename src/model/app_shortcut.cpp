#include "model/app_shortcut.h"

#include "core/app_error.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <QJsonValue>
#include <limits>

namespace tolvane {

namespace {

constexpr std::array<uint32_t, 20> functionKeys{122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

// The integer a JSON number holds exactly, or none for a fraction, another type or a value out of range.
std::optional<int64_t> exactInteger(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return std::nullopt;
    return a;
}

const QJsonValue requiredField(const QJsonObject& object, QLatin1StringView key) {
    auto it = object.constFind(key);
    if (it == object.constEnd())
        throw DecodingError(QStringLiteral("A shortcut lacks the key \"%1\".").arg(key));
    return *it;
}

int64_t integerField(const QJsonObject& object, QLatin1StringView key, int64_t min, int64_t max) {
    const std::optional<int64_t> value = exactInteger(requiredField(object, key));
    if (!value || *value < min || *value > max)
        throw DecodingError(QStringLiteral("The shortcut's \"%1\" is not an integer in range.").arg(key));
    return *value;
}

} // namespace

QString AppShortcut::keyDisplayName() const {
    switch (keyCode) {
    case 36:
        return QStringLiteral("Enter");
    case 48:
        return QStringLiteral("Tab");
    case 49:
        return QStringLiteral("Space");
    case 51:
        return QStringLiteral("Backspace");
    case 53:
        return QStringLiteral("Esc");
    case 115:
        return QStringLiteral("↖");
    case 116:
        return QStringLiteral("⇞");
    case 117:
        return QStringLiteral("Delete");
    case 119:
        return QStringLiteral("↘");
    case 121:
        return QStringLiteral("⇟");
    case 123:
        return QStringLiteral("←");
    case 124:
        return QStringLiteral("→");
    case 125:
        return QStringLiteral("↓");
    case 126:
        return QStringLiteral("↑");
    default:
        break;
    }
    for (size_t i = 0; i < functionKeys.size(); ++i) {
        if (functionKeys[i] == keyCode)
            return QStringLiteral("F%1").arg(i + 1);
    }
    return keyEquivalent.toUpper();
}

QString AppShortcut::displayText() const {
    QStringList parts = modifiers.displayNames();
    parts << keyDisplayName();
    const QString text = parts.join(QLatin1Char('+'));
    if (pressCount < 2)
        return text;
    return QCoreApplication::translate("AppShortcut", "%1，连按 %2 次").arg(text).arg(qint64(pressCount));
}

QJsonObject AppShortcut::toJson() const {
    return QJsonObject{
        {QStringLiteral("keyCode"), qint64(keyCode)},
        {QStringLiteral("modifiers"), int(modifiers.rawValue())},
        {QStringLiteral("keyEquivalent"), keyEquivalent},
        {QStringLiteral("pressCount"), qint64(pressCount)},
    };
}

AppShortcut AppShortcut::fromJson(const QJsonValue& json) {
    if (!json.isObject())
        throw DecodingError(QStringLiteral("A shortcut is not a JSON object."));
    const QJsonObject object = json.toObject();
    AppShortcut shortcut;
    shortcut.keyCode = static_cast<uint32_t>(
        integerField(object, QLatin1StringView("keyCode"), 0, std::numeric_limits<uint32_t>::max()));
    shortcut.modifiers =
        ShortcutModifiers(static_cast<uint8_t>(integerField(object, QLatin1StringView("modifiers"), 0, 255)));
    const QJsonValue equivalent = requiredField(object, QLatin1StringView("keyEquivalent"));
    if (!equivalent.isString())
        throw DecodingError(QStringLiteral("The shortcut's \"keyEquivalent\" is not a string."));
    shortcut.keyEquivalent = equivalent.toString();
    shortcut.pressCount =
        integerField(object, QLatin1StringView("pressCount"), std::numeric_limits<int64_t>::min(),
                     std::numeric_limits<int64_t>::max());
    return shortcut;
}

const std::array<uint32_t, 20>& AppShortcut::functionKeyCodes() {
    return functionKeys;
}

size_t qHash(const AppShortcut& shortcut, size_t seed) {
    return qHashMulti(seed, shortcut.keyCode, shortcut.modifiers.rawValue(), shortcut.keyEquivalent,
                      qint64(shortcut.pressCount));
}

} // namespace tolvane

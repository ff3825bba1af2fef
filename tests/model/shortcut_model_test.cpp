#include "core/app_error.h"
#include "model/key_table.h"
#include "model/shortcut_configuration.h"
#include "model/shortcut_errors.h"

#include <QJsonDocument>
#include <QSet>
#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

const ShortcutModifiers optionCommand{ShortcutModifiers::option, ShortcutModifiers::command};

QByteArray storageJson(const QString& storage) {
    return QStringLiteral("{\"storage\": %1}").arg(storage).toUtf8();
}

// One shortcut object; `fields` replaces the members after the key code.
QString shortcutJson(
    const QString& keyCode,
    const QString& fields = QStringLiteral(R"("modifiers": 10, "keyEquivalent": "t", "pressCount": 1)")) {
    return QStringLiteral(R"({"keyCode": %1, %2})").arg(keyCode, fields);
}

// A storage holding translateSelection only.
QByteArray selectionOnly(const QString& shortcut) {
    return storageJson(QStringLiteral(R"(["translateSelection", %1])").arg(shortcut));
}

TEST(ShortcutConfigurationJson, DefaultsRoundTripAndWriteModifiersAsABareNumber) {
    const ShortcutConfiguration& defaults = ShortcutConfiguration::defaultShortcuts();
    const QByteArray json = defaults.toJson();
    EXPECT_EQ(ShortcutConfiguration::fromJson(json), defaults);

    const QJsonArray storage =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("storage")).toArray();
    ASSERT_EQ(storage.size(), 8);
    EXPECT_EQ(storage.at(0).toString(), QStringLiteral("translateSelection"));
    const QJsonValue modifiers = storage.at(1).toObject().value(QStringLiteral("modifiers"));
    EXPECT_TRUE(modifiers.isDouble());
    EXPECT_EQ(modifiers.toInteger(), 10);
    EXPECT_EQ(storage.at(1).toObject().value(QStringLiteral("keyCode")).toInteger(), 17);
}

TEST(ShortcutConfigurationJson, AcceptsAnyPairOrderAndKeepsTheLastRepeatedAction) {
    const QString a = shortcutJson("17");
    const QString b =
        QStringLiteral(R"({"keyCode": 8, "modifiers": 8, "keyEquivalent": "c", "pressCount": 2})");
    const auto config = ShortcutConfiguration::fromJson(storageJson(
        QStringLiteral(R"(["openTranslationWindow", %1, "translateSelection", %1, "translateSelection", %2])")
            .arg(a, b)));
    EXPECT_EQ(config.shortcut(ShortcutAction::translateSelection),
              (AppShortcut{8, ShortcutModifiers{ShortcutModifiers::command}, QStringLiteral("c"), 2}));
    EXPECT_EQ(config.shortcut(ShortcutAction::openTranslationWindow),
              (AppShortcut{17, optionCommand, QStringLiteral("t"), 1}));
    EXPECT_FALSE(config.shortcut(ShortcutAction::screenshotRecognition));
}

TEST(ShortcutConfigurationJson, RejectsMalformedStorage) {
    const QString ok = shortcutJson("17");
    const QList<QByteArray> bad{
        storageJson(QStringLiteral(R"(["translateSelection", %1, "openTranslationWindow"])").arg(ok)),
        storageJson(QStringLiteral(R"(["translateWindow", %1])").arg(ok)),
        storageJson(QStringLiteral(R"(["TranslateSelection", %1])").arg(ok)),
        storageJson(QStringLiteral(R"([17, %1])").arg(ok)),
        storageJson(QStringLiteral(R"({"translateSelection": %1})").arg(ok)),
        selectionOnly(shortcutJson("17", R"("modifiers": 10, "keyEquivalent": "t")")),
        selectionOnly(shortcutJson("17.5")),
        selectionOnly(shortcutJson("-1")),
        selectionOnly(shortcutJson("4294967296")),
        selectionOnly(shortcutJson("\"17\"")),
        selectionOnly(shortcutJson("17", R"("modifiers": 256, "keyEquivalent": "t", "pressCount": 1)")),
        selectionOnly(shortcutJson("17", R"("modifiers": 10, "keyEquivalent": 5, "pressCount": 1)")),
        selectionOnly(shortcutJson("17", R"("modifiers": 10, "keyEquivalent": "t", "pressCount": 1.5)")),
        QByteArray(R"({"shortcuts": []})"),
        QByteArray("not json"),
        QByteArray("[]"),
    };
    for (const QByteArray& json : bad)
        EXPECT_THROW(ShortcutConfiguration::fromJson(json), DecodingError) << json.constData();

    // The largest key code still decodes, and an empty storage is an empty configuration.
    EXPECT_EQ(ShortcutConfiguration::fromJson(selectionOnly(shortcutJson("4294967295")))
                  .shortcut(ShortcutAction::translateSelection)
                  ->keyCode,
              4294967295u);
    EXPECT_TRUE(ShortcutConfiguration::fromJson(storageJson(QStringLiteral("[]"))).isEmpty());
}

TEST(ShortcutModifiers, MapToX11AndQtAndKeepUnknownHighBitsOnlyInJson) {
    const AppShortcut shortcut{
        49, ShortcutModifiers(0x80 | ShortcutModifiers::control | ShortcutModifiers::option),
        QStringLiteral(" "), 1};
    const AppShortcut decoded = AppShortcut::fromJson(shortcut.toJson());
    EXPECT_EQ(decoded, shortcut);
    EXPECT_EQ(decoded.modifiers.rawValue(), 0x83);
    EXPECT_EQ(decoded.modifiers.x11ModifierMask(), 0x08u | 0x40u);
    EXPECT_EQ(decoded.displayText(), QStringLiteral("Alt+Super+Space"));
    EXPECT_TRUE(ShortcutModifiers(0x80).isEmpty());

    // The four known bits map to X11 and Qt the way Qt itself does.
    const ShortcutModifiers all{ShortcutModifiers::control, ShortcutModifiers::option,
                                ShortcutModifiers::shift, ShortcutModifiers::command};
    EXPECT_EQ(all.x11ModifierMask(), 0x01u | 0x04u | 0x08u | 0x40u);
    EXPECT_EQ(ShortcutModifiers{ShortcutModifiers::command}.x11ModifierMask(), 0x04u);
    EXPECT_EQ(ShortcutModifiers{ShortcutModifiers::control}.qtModifiers(), Qt::MetaModifier);
    EXPECT_EQ(all.displayNames(), (QStringList{"Ctrl", "Alt", "Shift", "Super"}));
    for (int raw = 0; raw < 16; ++raw) {
        const ShortcutModifiers modifiers(static_cast<uint8_t>(raw));
        EXPECT_EQ(ShortcutModifiers::fromQtModifiers(modifiers.qtModifiers() | Qt::KeypadModifier),
                  modifiers);
    }
    EXPECT_EQ(ShortcutModifiers().x11ModifierMask(), 0u);
    EXPECT_EQ(ShortcutModifiers().qtModifiers(), Qt::NoModifier);
}

TEST(AppShortcutDisplay, UsesLinuxNamesInCtrlAltShiftSuperOrder) {
    const auto& defaults = ShortcutConfiguration::defaultShortcuts();
    EXPECT_EQ(defaults.shortcut(ShortcutAction::translateSelection)->displayText(),
              QStringLiteral("Ctrl+Alt+T"));
    EXPECT_EQ(defaults.shortcut(ShortcutAction::screenshotTranslation)->displayText(),
              QStringLiteral("Ctrl+Alt+S"));
    EXPECT_EQ(
        (AppShortcut{49, {ShortcutModifiers::control, ShortcutModifiers::option}, " ", 1}).displayText(),
        QStringLiteral("Alt+Super+Space"));
    EXPECT_EQ((AppShortcut{8, {ShortcutModifiers::command}, "c", 2}).displayText(),
              QStringLiteral("Ctrl+C，连按 2 次"));
    EXPECT_EQ((AppShortcut{17, {ShortcutModifiers::shift, ShortcutModifiers::command}, "t", 3}).displayText(),
              QStringLiteral("Ctrl+Shift+T，连按 3 次"));
    EXPECT_EQ((AppShortcut{96, {}, "", 1}).displayText(), QStringLiteral("F5"));
    EXPECT_EQ((AppShortcut{90, {}, "", 1}).displayText(), QStringLiteral("F20"));
    const QList<std::pair<uint32_t, QString>> keys{{36, "Enter"}, {48, "Tab"},     {51, "Backspace"},
                                                   {53, "Esc"},   {117, "Delete"}, {115, "↖"},
                                                   {121, "⇟"},    {126, "↑"},      {17, "T"}};
    for (const auto& [code, name] : keys)
        EXPECT_EQ((AppShortcut{code, {}, "t", 1}).keyDisplayName(), name) << code;
}

TEST(ShortcutErrors, HotKeyIdsMapBackOnlyForActions) {
    for (ShortcutAction action : allShortcutActions)
        EXPECT_EQ(shortcutActionFromHotKeyId(hotKeyId(action)), action);
    EXPECT_FALSE(shortcutActionFromHotKeyId(5));
    EXPECT_FALSE(shortcutActionFromHotKeyId(0));
}

TEST(KeyTable, CodesNamesAndKeysymsAreUniqueAndConsistent) {
    QSet<uint32_t> codes;
    QSet<QByteArray> names;
    QSet<uint32_t> keysyms;
    for (const KeyTableRow& row : KeyTable::rows()) {
        EXPECT_FALSE(codes.contains(row.keyCode)) << row.keyCode;
        EXPECT_FALSE(names.contains(row.xkbName)) << row.xkbName;
        EXPECT_FALSE(keysyms.contains(row.keysym)) << row.keysym;
        codes.insert(row.keyCode);
        names.insert(row.xkbName);
        keysyms.insert(row.keysym);
        EXPECT_EQ(KeyTable::byCode(row.keyCode), &row);
        EXPECT_EQ(KeyTable::byXkbName(row.xkbName), &row);
        EXPECT_EQ(KeyTable::byKeysym(row.keysym), &row);
    }
    EXPECT_EQ(codes.size(), 99);
    EXPECT_FALSE(KeyTable::byCode(10)) << "the ISO key has no ANSI position";
    EXPECT_FALSE(KeyTable::byCode(71)) << "keypad Clear sits on NumLock";
    EXPECT_FALSE(KeyTable::byKeysym(0));
    EXPECT_FALSE(KeyTable::byXkbName(""));
}

TEST(KeyTable, FunctionKeysFollowTheirOrder) {
    const auto& codes = AppShortcut::functionKeyCodes();
    for (size_t i = 0; i < codes.size(); ++i) {
        const KeyTableRow* row = KeyTable::byCode(codes[i]);
        ASSERT_TRUE(row) << i;
        EXPECT_EQ(QByteArray(row->xkbName),
                  QStringLiteral("FK%1").arg(i + 1, 2, 10, QLatin1Char('0')).toLatin1());
        EXPECT_EQ(row->keysym, static_cast<uint32_t>(XK_F1 + i));
    }
}

TEST(KeyTable, DefaultAndLegacyPresetKeysHaveRows) {
    for (ShortcutAction action : allShortcutActions)
        EXPECT_TRUE(KeyTable::byCode(ShortcutConfiguration::defaultShortcuts().shortcut(action)->keyCode));
    for (uint32_t legacy : {8u, 49u, 17u})
        EXPECT_TRUE(KeyTable::byCode(legacy));
    EXPECT_EQ(KeyTable::byCode(17)->keysym, static_cast<uint32_t>(XK_t));
    EXPECT_EQ(KeyTable::byCode(49)->keysym, static_cast<uint32_t>(XK_space));
}

TEST(KeyTable, PressedKeyPrefersLabelsOverPosition) {
    // AZERTY: the key at AD01 is labelled A, so it records as code 0, not 12.
    EXPECT_EQ(KeyTable::forPressedKey(XK_a, XK_A, "AD01")->keyCode, 0u);
    // Keypad 1 with NumLock off gives KP_End at level 0 and KP_1 at level 1.
    EXPECT_EQ(KeyTable::forPressedKey(XK_KP_End, XK_KP_1, "KP1")->keyCode, 83u);
    // A key whose keysyms have no row falls back to its position.
    EXPECT_EQ(KeyTable::forPressedKey(0x1008ff81 /* XF86Tools */, 0, "FK13")->keyCode, 105u);
    EXPECT_FALSE(KeyTable::forPressedKey(XK_Print, 0, "PRSC"));
}

} // namespace
} // namespace tolvane

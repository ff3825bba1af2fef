#include "../workflow/fake_global_input.h"
#include "app/shortcut_wiring.h"
#include "app/status_menu.h"
#include "model/key_table.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

AppShortcut shortcut(const QString& key, ShortcutModifiers modifiers, int64_t presses = 1) {
    AppShortcut result =
        *ShortcutConfiguration::defaultShortcuts().shortcut(ShortcutAction::translateSelection);
    const KeyTableRow* row = KeyTable::byKeysym(key.at(0).unicode());
    result.keyCode = row ? row->keyCode : 0;
    result.keyEquivalent = key;
    result.modifiers = modifiers;
    result.pressCount = presses;
    return result;
}

QStringList menuTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

TEST(StatusMenuTest, ItemsTitlesAndDefaultShortcuts) {
    int windowShown = 0;
    int quits = 0;
    StatusMenu::Commands commands;
    commands.showMainWindow = [&] { ++windowShown; };
    commands.quit = [&] { ++quits; };
    StatusMenu menu(commands);
    menu.install();
    ASSERT_NE(menu.menu(), nullptr);
    ASSERT_NE(menu.trayIcon(), nullptr);
    EXPECT_FALSE(menu.trayIcon()->icon().isNull());
    EXPECT_EQ(menu.trayIcon()->toolTip(), QStringLiteral("Ondrel"));

    menu.refreshShortcutMenuItems(ShortcutConfiguration::defaultShortcuts());
    EXPECT_EQ(menuTexts(*menu.menu()),
              (QStringList{QStringLiteral("打开翻译窗口\tCtrl+Alt+O"),
                           QStringLiteral("翻译选中文本\tCtrl+Alt+T"), QStringLiteral("截图翻译\tCtrl+Alt+S"),
                           QStringLiteral("截图取词\tCtrl+Alt+X"), QStringLiteral("---"),
                           QStringLiteral("历史记录\tCtrl+H"), QStringLiteral("设置与权限\tCtrl+,"),
                           QStringLiteral("首次使用引导"), QStringLiteral("打开辅助功能设置"),
                           QStringLiteral("---"), QStringLiteral("检查更新…\tCtrl+U"), QStringLiteral("---"),
                           QStringLiteral("退出\tCtrl+Q")}));
    QAction* translate = menu.shortcutItem(ShortcutAction::translateSelection);
    EXPECT_EQ(translate->shortcut(), QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_T));
    EXPECT_EQ(translate->shortcutContext(), Qt::WidgetShortcut);

    menu.shortcutItem(ShortcutAction::openTranslationWindow)->trigger();
    menu.menu()->actions().last()->trigger();
    EXPECT_EQ(windowShown, 1);
    EXPECT_EQ(quits, 1);

    // A double press cannot be a key sequence: it is spelled in the title. A removed action is plain.
    ShortcutConfiguration changed = ShortcutConfiguration::defaultShortcuts();
    AppShortcut twice = *changed.shortcut(ShortcutAction::translateSelection);
    twice.pressCount = 2;
    changed.setShortcut(ShortcutAction::translateSelection, twice);
    changed.setShortcut(ShortcutAction::screenshotRecognition, std::nullopt);
    menu.refreshShortcutMenuItems(changed);
    EXPECT_EQ(translate->text(), QStringLiteral("翻译选中文本（Ctrl+Alt+T，连按 2 次）"));
    EXPECT_TRUE(translate->shortcut().isEmpty());
    EXPECT_EQ(menu.shortcutItem(ShortcutAction::screenshotRecognition)->text(), QStringLiteral("截图取词"));
    EXPECT_TRUE(menu.shortcutItem(ShortcutAction::screenshotRecognition)->shortcut().isEmpty());
}

TEST(StatusMenuTest, KeySequencesCoverSpaceFunctionKeysAndSuper) {
    AppShortcut space = shortcut(QStringLiteral(" "), {ShortcutModifiers::control, ShortcutModifiers::shift});
    EXPECT_EQ(StatusMenu::keySequenceFor(space),
              QKeySequence(Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_Space));
    EXPECT_TRUE(StatusMenu::makeIcon(QStringLiteral(":/no/such/mark.svg")).availableSizes().size() > 0);
}

// Pressing each default chord runs its own action's handler and no other.
TEST(ShortcutWiringTest, EachDefaultChordRunsItsOwnAction) {
    testing::FakeGlobalInput input;
    HotKeyManager manager(input);
    std::vector<ShortcutAction> ran;
    HotKeyManager::Handlers handlers;
    for (ShortcutAction action : allShortcutActions)
        handlers[action] = [&ran, action] { ran.push_back(action); };
    ShortcutWiring wiring(
        &manager, [] { return ShortcutConfiguration::defaultShortcuts(); }, handlers);
    wiring.registerGlobalShortcuts();
    const std::pair<char, ShortcutAction> chords[] = {{'t', ShortcutAction::translateSelection},
                                                      {'s', ShortcutAction::screenshotTranslation},
                                                      {'x', ShortcutAction::screenshotRecognition},
                                                      {'o', ShortcutAction::openTranslationWindow}};
    for (const auto& [key, action] : chords) {
        ran.clear();
        std::optional<HotKeyIdentifier> grab;
        for (const auto& [id, chord] : input.grabs)
            if (chord.keysym == uint32_t(key) && chord.modifiers == (modControl | modAlt))
                grab = HotKeyIdentifier{id.first, id.second};
        ASSERT_TRUE(grab.has_value()) << "Ctrl+Alt+" << key;
        input.press(*grab);
        QTest::qWaitFor([&] { return !ran.empty(); }, 2000);
        EXPECT_EQ(ran, std::vector<ShortcutAction>{action}) << "Ctrl+Alt+" << key;
    }
}

TEST(ShortcutWiringTest, ValidationWarnsProbesOrPassesAsTheShortcutRequires) {
    testing::FakeGlobalInput input;
    HotKeyManager manager(input);
    int probes = 0;
    int32_t probeStatus = 0;
    ShortcutWiring wiring(
        &manager, [] { return ShortcutConfiguration::defaultShortcuts(); }, {},
        [&](KeyChord) {
            ++probes;
            return probeStatus;
        });
    const ShortcutModifiers ctrl{ShortcutModifiers::command};
    const ShortcutModifiers ctrlAlt{ShortcutModifiers::command, ShortcutModifiers::option};
    EXPECT_EQ(wiring.validateShortcut(shortcut(QStringLiteral("t"), ctrl)), menuShortcutWarning);
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(wiring.validateShortcut(shortcut(QStringLiteral("t"), ctrl, 2)), std::nullopt);
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(wiring.validateShortcut(shortcut(QStringLiteral("t"), ctrlAlt)), std::nullopt);
    EXPECT_EQ(probes, 1);
    AppShortcut twoScalars = shortcut(QStringLiteral("t"), ctrl);
    twoScalars.keyEquivalent = QStringLiteral("tt");
    EXPECT_EQ(wiring.validateShortcut(twoScalars), menuShortcutWarning)
        << "Ctrl alone, whatever the key text";
    EXPECT_EQ(probes, 1);

    probeStatus = 10;
    const std::optional<QString> refused = wiring.validateShortcut(shortcut(QStringLiteral("k"), ctrlAlt));
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->contains(QStringLiteral("错误 10"))) << refused->toStdString();
}

} // namespace
} // namespace tolvane

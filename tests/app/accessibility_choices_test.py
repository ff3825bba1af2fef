"""The real program's choices as a screen reader reads them through the accessibility tree: every picker of
the main window, the settings and the guide tells its label and its current choice, and the choice read
there follows each change; the focus stops of the main window and of each settings page all carry a name; a stored engine the program
cannot read is shown as no engine. Each test starts Tolvane with a private profile and the fake translation
server. Run by ctest inside scripts/test-session: accessibility_choices_test.py TOLVANE FAKE_SERVER."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support/a11y"))
import tolvane_a11y as a11y  # noqa: E402
from tolvane_a11y import Atspi  # noqa: E402

BINARY, FAKE_SERVER = sys.argv[1], sys.argv[2]
R = Atspi.Role
S = Atspi.StateType


def description(node):
    return a11y.fresh(node).get_description() or ""


def selected_item(combo):
    """The name of the selected item of a combo box's list, as screen readers read a combo box's value."""
    selected = [item for item in a11y.find_all(combo, R.LIST_ITEM) if a11y.has_state(item, S.SELECTED)]
    return a11y.name(selected[0]) if len(selected) == 1 else None


class AccessibilityChoices(unittest.TestCase):
    def start(self, stored=""):
        self.app = a11y.Tolvane(BINARY, FAKE_SERVER, stored=stored)
        self.addCleanup(self.app.close)
        self.main = self.app.window("Ondrel")

    def control(self, root, role, name):
        return a11y.wait_for(lambda: a11y.find(root, role, name, a11y.showing), f"{name!r} on screen")

    def open_settings_page(self, tile):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+comma")
        settings = self.app.window("设置与权限")
        self.assertTrue(a11y.do_default_action(a11y.find(settings, R.PAGE_TAB, tile)), tile)
        a11y.wait_for(lambda: a11y.has_state(a11y.find(settings, R.PAGE_TAB, tile), S.SELECTED), tile)
        return settings

    def assert_combo_reads(self, combo, expected=None):
        """The combo's description and its list's selected item both tell the same, non-empty choice."""
        choice = a11y.wait_for(lambda: description(combo) and description(combo) == selected_item(combo)
                               and (expected is None or description(combo) == expected) and description(combo),
                               f"{a11y.name(combo)} to read {expected or 'its choice'}")
        return choice

    def change_by_keys(self, window_title, combo, stored_key):
        """Moves the combo to its next choice with Down and returns the choice then read off it."""
        before = self.assert_combo_reads(combo)
        stored_before = self.stored(stored_key)
        a11y.activate_window(window_title)
        self.assertTrue(combo.grab_focus(), a11y.name(combo))
        a11y.wait_for(lambda: a11y.has_state(combo, S.FOCUSED), f"{a11y.name(combo)} focused")
        a11y.key("Down")
        after = a11y.wait_for(lambda: description(combo) != before and self.assert_combo_reads(combo),
                              f"{a11y.name(combo)} to read its next choice")
        a11y.wait_for(lambda: self.stored(stored_key) != stored_before, f"{stored_key} stored")
        return after

    def stored(self, key):
        lines = [line for line in self.app.settings_text().splitlines() if line.startswith(key + "=")]
        return lines[0] if lines else None

    def test_every_picker_reads_its_label_and_choice_through_each_change(self):
        self.start()
        # The main window's drop-downs: named by their label, the choice as the description; a choice made
        # in the list they open (read as their child) is what they read next.
        for name, option, shown, stored in (("源语言", "日语", "日本語", "translation.sourceLanguage=ja"),
                                            ("目标语言", "德语", "Deutsch", "translation.targetLanguage=de"),
                                            ("翻译风格", "技术文档", "翻译风格：技术文档", "translation.style=technical")):
            selector = self.control(self.main, R.COMBO_BOX, name)
            self.assertTrue(description(selector), name)
            self.assertNotEqual(description(selector), shown, name)
            self.assertTrue(a11y.do_action(selector, "Press"), name)
            popup = a11y.wait_for(lambda: a11y.children(selector), f"the list of {name}")[0]
            a11y.wait_for(lambda: a11y.has_state(selector, S.EXPANDED), f"{name} expanded")
            self.assertTrue(a11y.do_action(self.control(popup, R.LIST_ITEM, option), "Press"), option)
            a11y.wait_for(lambda: description(selector) == shown, f"{name} to read {shown}")
            a11y.wait_for(lambda: stored in self.app.settings_text(), stored)

        # The settings' pickers read what the main window chose, and follow a change by the keys.
        settings = self.open_settings_page("翻译")
        chosen = {}
        for name, shown, key in (("源语言", "日语", "translation.sourceLanguage"),
                                 ("目标语言", "德语", "translation.targetLanguage"),
                                 ("翻译风格", "技术文档", "translation.style"),
                                 ("翻译引擎", "托管云端", "provider.translationEngine")):
            combo = self.control(settings, R.COMBO_BOX, name)
            self.assert_combo_reads(combo, shown)
            chosen[name] = self.change_by_keys("设置与权限", combo, key)
            self.assertNotEqual(chosen[name], shown, name)
        # The engine moved to the own endpoint; back to the hosted one, whose quality options read theirs.
        engine = self.control(settings, R.COMBO_BOX, "翻译引擎")
        self.assertTrue(engine.grab_focus())
        a11y.key("Up")
        self.assert_combo_reads(engine, "托管云端")
        quality = self.control(settings, R.PANEL, "云端质量")
        self.assertEqual(description(quality), "标准（省成本）")
        self.assertTrue(a11y.do_default_action(a11y.find(quality, R.RADIO_BUTTON, "高级（高质量）")))
        a11y.wait_for(lambda: description(quality) == "高级（高质量）", "the quality's new choice")

        settings = self.open_settings_page("通用")
        close = self.control(settings, R.COMBO_BOX, "关闭主窗口时")
        self.change_by_keys("设置与权限", close, "window.main.closeBehavior")

        # The guide's language picker.
        a11y.do_default_action(self.control(settings, R.PUSH_BUTTON, "打开引导"))
        guide = self.app.window("欢迎使用 Ondrel")
        picker = None
        for _ in range(4):
            picker = a11y.find(guide, R.COMBO_BOX, "默认目标语言", a11y.showing)
            if picker:
                break
            a11y.guide_forward(guide)
        self.assertIsNotNone(picker, "the guide's language picker")
        self.assert_combo_reads(picker, chosen["目标语言"])
        self.change_by_keys("欢迎使用 Ondrel", picker, "translation.targetLanguage")

    def test_the_main_windows_lists_are_worked_by_the_keys(self):
        self.start(stored="translation.targetLanguage=fr\n")
        a11y.activate_window("Ondrel")
        target = self.control(self.main, R.COMBO_BOX, "目标语言")

        def focused_option():
            return a11y.find(target, R.LIST_ITEM, None, lambda n: a11y.has_state(n, S.FOCUSED))

        def open_by_keys(current):
            """Space on the focused drop-down opens its list with the keys on the current option, the one
            read as selected; every focus stop of the list has a name."""
            self.assertTrue(target.grab_focus())
            a11y.wait_for(lambda: a11y.has_state(target, S.FOCUSED), "the target focused")
            a11y.key("space")
            a11y.wait_for(lambda: a11y.has_state(target, S.EXPANDED), "Space to open the target list")
            a11y.wait_for(lambda: (lambda f: f and a11y.name(f) == current)(focused_option()),
                          f"the keys on {current}")
            options = a11y.find_all(target, R.LIST_ITEM)
            self.assertEqual([a11y.name(o) for o in options if a11y.has_state(o, S.SELECTED)], [current])
            self.assertEqual(len(options), 38)
            stops = a11y.find_all(target, None, None, lambda n: a11y.has_state(n, S.FOCUSABLE))
            self.assertEqual([n.get_role_name() for n in stops if not a11y.name(n).strip()], [])

        def keys_reach(key, option):
            a11y.key(key)
            a11y.wait_for(lambda: (lambda f: f and a11y.name(f) == option)(focused_option()),
                          f"{key} to reach {option}")

        # Down moves to the next language, Return chooses it and closes the list, back on the drop-down.
        open_by_keys("法语")
        keys_reach("Down", "德语")
        a11y.key("Return")
        a11y.wait_for(lambda: description(target) == "Deutsch", "the target to read Deutsch")
        a11y.wait_for(lambda: "translation.targetLanguage=de" in self.app.settings_text(), "de stored")
        a11y.wait_for(lambda: not a11y.has_state(target, S.EXPANDED), "the list closed")
        a11y.wait_for(lambda: a11y.has_state(target, S.FOCUSED), "the target focused again")

        # End, Home and Up keep inside the list; a letter goes to the next language whose code starts with
        # it. Escape closes the list and changes nothing.
        open_by_keys("德语")
        keys_reach("End", "加泰罗尼亚语")
        keys_reach("Home", "中文（简体）")
        keys_reach("Up", "中文（简体）")
        keys_reach("d", "德语")
        keys_reach("d", "丹麦语")
        a11y.key("Escape")
        a11y.wait_for(lambda: not a11y.has_state(target, S.EXPANDED), "Escape to close the list")
        a11y.wait_for(lambda: a11y.has_state(target, S.FOCUSED), "the target focused after Escape")
        self.assertEqual(description(target), "Deutsch")
        self.assertEqual(self.stored("translation.targetLanguage"), "translation.targetLanguage=de")

    def open_panel_for_typing(self):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+alt+t")  # nothing selected: the panel opens for typed text
        return a11y.wait_for(lambda: next((w for w in self.app.windows() if a11y.name(w) == "Ondrel" and
                                           a11y.find(w, R.COMBO_BOX, "翻译引擎", a11y.showing)), None),
                             "the result panel")

    def test_the_result_panels_pickers_read_their_choice_through_each_change(self):
        self.start()
        panel = self.open_panel_for_typing()
        for name, key in (("源语言", "translation.sourceLanguage"), ("目标语言", "translation.targetLanguage"),
                          ("云端质量", "provider.cloudTranslationQuality"),
                          ("翻译引擎", "provider.translationEngine")):
            combo = self.control(panel, R.COMBO_BOX, name)
            before = self.assert_combo_reads(combo)
            stored_before = self.stored(key)
            # Its list opened by its action, the next row chosen by the keys.
            self.assertTrue(a11y.do_action(combo, "Press"), name)
            a11y.wait_for(lambda: a11y.has_state(combo, S.EXPANDED), f"the list of {name}")
            a11y.key("Down")
            a11y.key("Return")
            a11y.wait_for(lambda: not a11y.has_state(combo, S.EXPANDED), f"the list of {name} closed")
            after = a11y.wait_for(lambda: description(combo) != before and self.assert_combo_reads(combo),
                                  f"{name} to read its next choice")
            a11y.wait_for(lambda: self.stored(key) != stored_before, f"{key} stored")
            self.assertNotEqual(after, before)

    def test_the_result_panels_pickers_are_reached_and_changed_by_the_keys(self):
        self.start()
        panel = self.open_panel_for_typing()
        editor = self.control(panel, None, "待翻译文本")
        a11y.wait_for(lambda: a11y.has_state(editor, S.FOCUSED), "the editor focused for typing")

        def focus_moves_to(key, node):
            a11y.key(key)
            a11y.wait_for(lambda: a11y.has_state(node, S.FOCUSED), f"{key} to reach {a11y.name(node)}")

        # Tab leaves the editor for the engine picker; Return opens its list, whose row is taken by Return.
        engine = self.control(panel, R.COMBO_BOX, "翻译引擎")
        focus_moves_to("Tab", engine)
        a11y.key("Return")
        a11y.wait_for(lambda: a11y.has_state(engine, S.EXPANDED), "Return to open the engine list")
        a11y.key("Down")
        a11y.key("Return")
        a11y.wait_for(lambda: "provider.translationEngine=openAICompatible" in self.app.settings_text(),
                      "the own endpoint stored")
        self.assertNotEqual(self.assert_combo_reads(engine), "托管云端")
        self.assertIsNone(a11y.find(panel, R.COMBO_BOX, "云端质量", a11y.showing))

        # Back past the editor to the language route: Space opens the target's list.
        focus_moves_to("shift+Tab", editor)
        target = self.control(panel, R.COMBO_BOX, "目标语言")
        focus_moves_to("shift+Tab", target)
        before, stored_before = self.assert_combo_reads(target), self.stored("translation.targetLanguage")
        a11y.key("space")
        a11y.wait_for(lambda: a11y.has_state(target, S.EXPANDED), "Space to open the target list")
        a11y.key("Down")
        a11y.key("Return")
        a11y.wait_for(lambda: self.stored("translation.targetLanguage") != stored_before, "the target stored")
        self.assertNotEqual(self.assert_combo_reads(target), before)

    def test_every_focus_stop_of_the_main_window_has_a_name(self):
        self.start()
        a11y.activate_window("Ondrel")
        first = self.control(self.main, R.PUSH_BUTTON, "历史记录")

        def focused():
            return a11y.find(self.main, None, None, lambda n: a11y.has_state(n, S.FOCUSED))

        # Tab in the source editor types a tab: the chain is walked from the rail's first tool forwards to
        # the editor and backwards to it, which together pass every stop.
        stops = []
        for key in ("Tab", "shift+Tab"):
            self.assertTrue(first.grab_focus())
            a11y.wait_for(lambda: a11y.has_state(first, S.FOCUSED), "the first stop focused")
            node = first
            for _ in range(60):
                previous = node
                a11y.key(key)
                node = a11y.wait_for(lambda: (lambda f: f if f is not None and f != previous else None)(focused()),
                                     f"the focus to move on from {a11y.name(previous)!r}")
                stops.append((node.get_role_name(), a11y.name(node)))
                if node.get_role() == R.TEXT and a11y.name(node) == "原文":
                    break
            self.assertEqual(stops[-1], ("text", "原文"), f"{key} does not reach the editor: {stops}")
        self.assertGreater(len(stops), 10, stops)
        self.assertEqual([stop for stop in stops if not stop[1].strip()], [], stops)

    def test_every_settings_page_is_tabbed_through_from_its_tile_with_named_stops(self):
        self.start()
        for tile, first_control, last_control in (("通用", "输入停止后自动翻译", "打开引导"),
                                                  ("翻译", "翻译引擎", "恢复翻译默认设置"),
                                                  ("快捷键", "“翻译选中文本”快捷键录制器", "恢复默认"),
                                                  ("隐私", "系统设置（辅助功能）", "清空翻译历史")):
            settings = self.open_settings_page(tile)
            a11y.activate_window("设置与权限")
            start = a11y.find(settings, R.PAGE_TAB, tile)
            self.assertTrue(start.grab_focus(), tile)
            a11y.wait_for(lambda: a11y.has_state(start, S.FOCUSED), "the tile of the page focused")
            stops = [(stop.get_role_name(), a11y.name(stop)) for stop in a11y.tab_stops(settings, start)]
            # From the tiles straight into the page's controls, and from its last one round to the tiles.
            self.assertEqual(stops[1][1], first_control, stops)
            self.assertEqual(stops[-1][1], last_control, stops)
            self.assertEqual([stop for stop in stops if not stop[1].strip()], [], stops)

    def test_an_unreadable_stored_engine_is_shown_as_none_chosen(self):
        self.start(stored="provider.translationEngine=42\n")
        self.assertIsNotNone(self.control(self.main, None, "未选择翻译线路"))
        self.assertIsNone(a11y.find(self.main, None, "云端线路", a11y.showing))

        # The result panel offers no engine and no quality either.
        panel = self.open_panel_for_typing()
        in_panel = self.control(panel, R.COMBO_BOX, "翻译引擎")
        self.assertEqual(description(in_panel), "请选择翻译引擎")
        self.assertIsNone(selected_item(in_panel))
        self.assertIsNone(a11y.find(panel, R.COMBO_BOX, "云端质量", a11y.showing))
        # A translation asked for there sends the user to that picker, not to the settings.
        editor = self.control(panel, R.TEXT, "待翻译文本")
        self.assertTrue(editor.grab_focus())
        a11y.wait_for(lambda: a11y.has_state(editor, S.FOCUSED), "the panel's input focused")
        a11y.key("H", "i", "ctrl+Return")
        a11y.wait_for(lambda: a11y.find(panel, R.LABEL, None, lambda n: "面板下方的“翻译引擎”" in a11y.name(n)),
                      "the failure pointing to the panel's engine picker")
        a11y.key("Escape")  # the panel is dismissed
        a11y.wait_for(lambda: not a11y.find(panel, R.COMBO_BOX, "翻译引擎", a11y.showing), "the panel gone")

        settings = self.open_settings_page("翻译")
        engine = self.control(settings, R.COMBO_BOX, "翻译引擎")
        self.assertEqual(description(engine), "请选择翻译引擎")
        self.assertIsNone(selected_item(engine))
        self.assertIsNone(a11y.find(settings, R.PANEL, "云端质量", a11y.showing))
        self.assertIsNone(a11y.find(settings, R.TEXT, "AI 接口地址", a11y.showing))

        # Choosing the hosted engine offers its quality and names its route.
        a11y.activate_window("设置与权限")
        self.assertTrue(engine.grab_focus())
        a11y.wait_for(lambda: a11y.has_state(engine, S.FOCUSED), "the engine picker focused")
        a11y.key("Down")
        a11y.wait_for(lambda: "provider.translationEngine=cloudStandard" in self.app.settings_text(),
                      "the chosen engine stored")
        self.assert_combo_reads(engine, "托管云端")
        self.control(settings, R.PANEL, "云端质量")
        self.control(self.main, None, "云端线路")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2, warnings="ignore")

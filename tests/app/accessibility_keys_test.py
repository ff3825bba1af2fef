"""The real program's Tab stops as a keyboard and screen reader user meets them through the accessibility
tree: a row of tiles is one stop, the tile of the page shown; Tab follows the order controls stand in on
screen; the row Tab lands on in a list is the selected one. Each test starts Tolvane with a private profile
and the fake translation server. Run by ctest inside scripts/test-session: accessibility_keys_test.py TOLVANE
FAKE_SERVER."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support/a11y"))
import tolvane_a11y as a11y  # noqa: E402
from tolvane_a11y import Atspi  # noqa: E402

BINARY, FAKE_SERVER = sys.argv[1], sys.argv[2]
R = Atspi.Role
S = Atspi.StateType


class AccessibilityKeys(a11y.ProgramTestCase):
    binary, fake_server = BINARY, FAKE_SERVER

    def focus(self, window_title, node):
        a11y.activate_window(window_title)
        self.assertTrue(node.grab_focus(), a11y.name(node))
        a11y.wait_for(lambda: a11y.has_state(node, S.FOCUSED), f"{a11y.name(node)!r} focused")

    def press_to(self, key, root, expected):
        """Presses `key` and returns the stop the focus moves to, which must be named `expected`."""
        current = a11y.focused(root)
        stop = a11y.next_stop(root, key, current)
        self.assertIsNotNone(stop, f"{key} from {a11y.name(current)!r}")
        self.assertEqual(a11y.name(stop), expected, f"{key} from {a11y.name(current)!r}")
        return stop

    def test_the_settings_tile_row_stops_at_the_page_shown(self):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+comma")
        settings = self.app.window("设置与权限")

        def tile(name):
            return a11y.find(settings, R.PAGE_TAB, name)

        # A page chosen with the pointer: Shift+Tab from its first control comes back to its tile, read as
        # selected, and Tab goes on into the page, not to another tile.
        a11y.activate_window("设置与权限")
        a11y.click(tile("翻译"))
        engine = self.control(settings, R.COMBO_BOX, "翻译引擎")
        self.focus("设置与权限", engine)
        stop = self.press_to("shift+Tab", settings, "翻译")
        self.assertTrue(a11y.has_state(stop, S.SELECTED))
        self.press_to("Tab", settings, "翻译引擎")

        # With the focus on a tile, a page chosen with the pointer takes the focus to its tile.
        self.press_to("shift+Tab", settings, "翻译")
        a11y.click(tile("隐私"))
        a11y.wait_for(lambda: a11y.has_state(tile("隐私"), S.FOCUSED) and a11y.has_state(tile("隐私"), S.SELECTED),
                      "the focus on the tile of the page chosen")
        self.control(settings, R.PUSH_BUTTON, "清空翻译历史")

        # The arrows still move along the row, each tile they reach showing its page.
        stop = self.press_to("Left", settings, "快捷键")
        a11y.wait_for(lambda: a11y.has_state(stop, S.SELECTED), "快捷键 selected")
        self.control(settings, R.PUSH_BUTTON, "恢复默认")

    def translate(self, text):
        self.control(self.main, R.TEXT, "原文").set_text_contents(text)
        button = self.control(self.main, R.PUSH_BUTTON, "开始翻译")
        a11y.wait_for(lambda: "Press" in a11y.action_names(button), "开始翻译 enabled")
        a11y.do_action(button, "Press")
        a11y.wait_for(lambda: text in a11y.text_of(a11y.find(self.main, R.TEXT, "译文")), "the translation")

    def test_the_sidebars_rows_follow_its_search_button(self):
        self.translate("Rows in reach")
        row = a11y.wait_for(lambda: a11y.find(self.main, None, None, lambda n: a11y.name(n).startswith(
            "Rows in reach，") and a11y.showing(n)), "the translation's row in the sidebar")
        # Forward from the sidebar's header, before the editor (where Tab types), and back again.
        self.focus("Ondrel", self.control(self.main, R.PUSH_BUTTON, "搜索历史记录"))
        self.press_to("Tab", self.main, a11y.name(row))
        self.press_to("Tab", self.main, "删除历史记录：Rows in reach")
        self.press_to("shift+Tab", self.main, a11y.name(row))
        self.press_to("shift+Tab", self.main, "搜索历史记录")


    def test_the_history_row_tab_lands_on_is_the_selected_one(self):
        for text in ("Older row", "Newer row"):
            self.translate(text)
        a11y.do_default_action(self.control(self.main, R.PUSH_BUTTON, "历史记录"))
        history = self.app.window("翻译历史")

        def both_listed():
            if len(a11y.find_all(history, R.LIST_ITEM)) == 2:
                return True
            a11y.do_action(self.control(history, R.PUSH_BUTTON, "刷新"), "Press")  # the last write may follow
            time.sleep(0.4)
            return False
        a11y.wait_for(both_listed, "both rows listed")

        def focused_row():
            return a11y.find(history, R.LIST_ITEM, None, lambda n: a11y.has_state(n, S.FOCUSED))

        # Tab from the search lands on the first row: the one the keys act on is the one read as selected.
        self.focus("翻译历史", self.control(history, R.TEXT, "搜索历史"))
        a11y.key("Tab")
        row = a11y.wait_for(focused_row, "a row focused")
        self.assertTrue(a11y.name(row).startswith("Newer row\n"), a11y.name(row))
        self.assertEqual([a11y.name(n) for n in a11y.find_all(history, R.LIST_ITEM, None, lambda n: a11y.has_state(
            n, S.SELECTED))], [a11y.name(row)], "the focused row alone read as selected")
        a11y.key("ctrl+c")
        a11y.wait_for(lambda: a11y.clipboard() == a11y.name(row).split("\n")[1], "its translation copied")


    def test_each_shortcut_recorder_comes_before_its_clear_button(self):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+comma")
        settings = self.app.window("设置与权限")
        a11y.do_default_action(a11y.find(settings, R.PAGE_TAB, "快捷键"))
        # The recorder stands left of its ✕ on each row, the rows one under the other: Tab goes so too.
        actions = ("翻译选中文本", "截图翻译", "截图取词", "打开翻译窗口")
        expected = [name for action in actions
                    for name in (f"“{action}”快捷键录制器", f"清除“{action}”快捷键")]
        self.focus("设置与权限", self.control(settings, R.PUSH_BUTTON, expected[0]))
        for name in expected[1:]:
            self.press_to("Tab", settings, name)
        self.press_to("shift+Tab", settings, expected[-2])


    def test_the_panels_answer_to_typed_text_is_a_tab_stop(self):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+alt+t")  # nothing selected: the panel opens for typed text
        panel = a11y.wait_for(lambda: next((w for w in self.app.windows() if a11y.name(w) == "Ondrel" and
                                            a11y.find(w, R.COMBO_BOX, "翻译引擎", a11y.showing)), None),
                              "the result panel")
        editor = self.control(panel, R.TEXT, "待翻译文本")
        editor.set_text_contents("Read by keys")
        a11y.wait_for(lambda: a11y.has_state(editor, S.FOCUSED), "the panel's editor focused")
        a11y.key("ctrl+Return")
        answer = self.control(panel, R.TEXT, "翻译结果")
        a11y.wait_for(lambda: "[fake] Read by keys" in a11y.text_of(answer), "the answer")
        # Tab goes from the text typed to the answer beside it, then on to the panel's pickers.
        self.press_to("Tab", panel, "翻译结果")
        self.press_to("Tab", panel, "翻译引擎")
        self.press_to("shift+Tab", panel, "翻译结果")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2, warnings="ignore")

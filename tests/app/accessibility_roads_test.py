"""The real program driven only through its accessibility tree, as a screen reader user or a test robot
drives it: the settings window's page tiles and pickers, the main window's tool rail, and the history
window's rows with their actions. Each test starts Tolvane with a private profile and the fake translation
server. Run by ctest inside scripts/test-session: accessibility_roads_test.py TOLVANE FAKE_SERVER."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support/a11y"))
import tolvane_a11y as a11y  # noqa: E402
from tolvane_a11y import Atspi  # noqa: E402

BINARY, FAKE_SERVER = sys.argv[1], sys.argv[2]
S = Atspi.StateType


def showing_window(app, title):
    return next((w for w in app.windows() if a11y.name(w) == title), None)


class AccessibilityRoads(a11y.ProgramTestCase):
    binary, fake_server = BINARY, FAKE_SERVER

    def assert_window(self, window, title):
        self.assertIn(window.get_role(), a11y.WINDOW_ROLES, title)
        self.assertEqual(a11y.name(window), title)

    def translate(self, text):
        self.control(self.main, Atspi.Role.TEXT, "原文").set_text_contents(text)
        button = self.control(self.main, Atspi.Role.PUSH_BUTTON, "开始翻译")
        a11y.wait_for(lambda: "Press" in a11y.action_names(button), "开始翻译 enabled")
        a11y.do_action(button, "Press")
        result = self.control(self.main, Atspi.Role.TEXT, "译文")
        return a11y.wait_for(lambda: text in a11y.text_of(result) and a11y.text_of(result), "the translation")

    def test_settings_tiles_switch_pages_and_pickers_carry_their_labels(self):
        a11y.activate_window("Ondrel")
        a11y.key("ctrl+comma")
        settings = self.app.window("设置与权限")
        # Each tile's press shows its page (something only that page holds) and marks the tile selected.
        pages = [("翻译", Atspi.Role.COMBO_BOX, "翻译引擎"), ("快捷键", Atspi.Role.PUSH_BUTTON, "恢复默认"),
                 ("隐私", Atspi.Role.PUSH_BUTTON, "清空翻译历史"), ("通用", Atspi.Role.PUSH_BUTTON, "打开引导")]
        for tile_name, role, mark in pages:
            tile = a11y.find(settings, Atspi.Role.PAGE_TAB, tile_name)
            self.assertIsNotNone(tile, tile_name)
            self.assertTrue(a11y.do_default_action(tile), tile_name)
            self.control(settings, role, mark)
            self.assertTrue(a11y.has_state(tile, S.SELECTED), tile_name)
            if tile_name == "翻译":
                # Pickers are read by their label, the current choice as their value.
                for picker in ("翻译引擎", "源语言", "目标语言", "翻译风格"):
                    self.assertIsNotNone(self.control(settings, Atspi.Role.COMBO_BOX, picker), picker)
                quality = self.control(settings, Atspi.Role.PANEL, "云端质量")
                self.assertEqual([a11y.name(c) for c in a11y.children(quality)], ["标准（省成本）", "高级（高质量）"])
                advanced = a11y.find(quality, Atspi.Role.RADIO_BUTTON, "高级（高质量）")
                self.assertTrue(a11y.do_default_action(advanced))
                a11y.wait_for(lambda: "cloudTranslationQuality=advanced" in self.app.settings_text(),
                              "the stored quality")
                self.assertTrue(a11y.has_state(advanced, S.CHECKED))
            if tile_name == "隐私":
                # The permission rows' buttons are told apart by their permission.
                for permission in ("辅助功能", "输入监控", "屏幕录制"):
                    self.control(settings, Atspi.Role.PUSH_BUTTON, f"系统设置（{permission}）")
            if tile_name == "快捷键":
                # Each recorder and its clear button are told apart by their action; a clear through the
                # tree clears that action alone.
                actions = ("翻译选中文本", "截图翻译", "截图取词", "打开翻译窗口")
                button = Atspi.Role.PUSH_BUTTON
                recorders = [self.control(settings, button, f"“{a}”快捷键录制器") for a in actions]
                clears = [self.control(settings, button, f"清除“{a}”快捷键") for a in actions]
                self.assertTrue(a11y.do_default_action(clears[2]))
                a11y.wait_for(lambda: a11y.fresh(recorders[2]).get_description() == "未设置", "截图取词 cleared")
                self.assertEqual([a11y.fresh(r).get_description() for r in recorders],
                                 ["Ctrl+Alt+T", "Ctrl+Alt+S", "未设置", "Ctrl+Alt+O"])

        # The guide's permission rows: one element each, its title and state as the name, no loose labels.
        a11y.do_default_action(self.control(settings, Atspi.Role.PUSH_BUTTON, "打开引导"))
        guide = a11y.wait_for(lambda: showing_window(self.app, "欢迎使用 Ondrel"), "the guide")
        self.assert_window(guide, "欢迎使用 Ondrel")
        def shown_labels():
            return [a11y.name(n) for n in a11y.find_all(guide, Atspi.Role.LABEL, None, a11y.showing)]
        for _ in range(2):  # the welcome and features steps
            a11y.guide_forward(guide)
        self.assertIn("连接到你的工作流", shown_labels())
        rows = a11y.wait_for(lambda: [p for p in a11y.find_all(guide, Atspi.Role.PANEL, None, a11y.showing)
                                      if "，" in a11y.name(p)], "the permission rows")
        self.assertEqual([a11y.name(r).split("，")[0] for r in rows], ["辅助功能", "输入监控", "屏幕录制"])
        for row in rows:
            self.assertTrue(row.get_description(), a11y.name(row))
            for child in a11y.children(row):
                self.assertEqual((child.get_role(), a11y.name(child)), (Atspi.Role.PUSH_BUTTON, "请求授权"))
        self.assert_window(settings, "设置与权限")

    def test_tool_rail_buttons_open_what_they_name(self):
        windows = {"历史记录": "翻译历史", "设置": "设置与权限"}
        for name, title in windows.items():
            button = self.control(self.main, Atspi.Role.PUSH_BUTTON, name)
            self.assertTrue(a11y.do_default_action(button), name)
            self.assert_window(a11y.wait_for(lambda: showing_window(self.app, title), title), title)
        self.assert_window(self.main, "Ondrel")
        # The pickers open a pop-up beside the rail, read as the button's child, that takes the keys: the
        # styles on the current one, where Down and Return choose the next; a choice in it is stored.
        for name, current, stored in (("翻译风格", "翻译风格：直译", "translation.style=polished"),
                                      ("术语库", None, None)):
            button = self.control(self.main, Atspi.Role.PUSH_BUTTON, name)
            self.assertTrue(a11y.do_default_action(button), name)
            popup = a11y.wait_for(lambda: a11y.children(button), f"the pop-up of {name}")[0]
            first = a11y.wait_for(lambda: a11y.focused(popup), f"the keys in the pop-up of {name}")
            if current:
                self.assertEqual(a11y.name(first), current)
                a11y.key("Down", "Return")
                a11y.wait_for(lambda: stored in self.app.settings_text(), f"{stored} stored")
            a11y.key("Escape")
            a11y.wait_for(lambda: not a11y.children(button), f"the pop-up of {name} closed")

    def test_history_rows_are_named_and_act_through_their_children(self):
        # Opened from the sidebar's empty state (the rail has its own test), refreshed after a translation.
        a11y.do_default_action(self.control(self.main, Atspi.Role.PUSH_BUTTON, "打开完整历史"))
        history = self.app.window("翻译历史")
        source = "Rows read aloud"
        translation = self.translate(source)
        self.assertIsNotNone(self.control(history, Atspi.Role.TEXT, "搜索历史"))
        row = a11y.history_row(history)
        self.assertEqual(a11y.name(row), f"{source}\n{translation}")
        actions = {a11y.name(child): child for child in a11y.children(row)}
        self.assertEqual(list(actions), ["再次翻译", "复制原文", "复制译文", "删除此历史记录"])
        for child in actions.values():
            self.assertEqual(child.get_role(), Atspi.Role.PUSH_BUTTON)

        for name, expected in (("复制译文", translation), ("复制原文", source)):
            self.assertTrue(a11y.do_action(actions[name], "Press"), name)
            a11y.wait_for(lambda: a11y.clipboard() == expected, f"{name} on the clipboard")

        # The row's own press translates it again, as Return does: the main window takes its source back.
        editor = self.control(self.main, Atspi.Role.TEXT, "原文")
        editor.set_text_contents("")
        a11y.wait_for(lambda: a11y.text_of(editor) == "", "an empty editor")
        self.assertTrue(a11y.do_default_action(row))
        a11y.wait_for(lambda: a11y.text_of(editor) == source, "the source back in the main window")

        self.assertTrue(a11y.do_action(actions["删除此历史记录"], "Press"))
        self.control(history, Atspi.Role.LABEL, "暂无历史记录")
        self.assertIsNone(a11y.find(history, Atspi.Role.LIST_ITEM, None, a11y.showing))
        self.assert_window(history, "翻译历史")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2, warnings="ignore")

"""Qt's own dialogs in the real program speak the interface's language: the save dialog of the main window,
its question before replacing a file and their buttons, read through the accessibility tree and answered
there. Run by ctest inside scripts/test-session: qt_dialog_language_test.py TOLVANE FAKE_SERVER."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support/a11y"))
import tolvane_a11y as a11y  # noqa: E402
from tolvane_a11y import Atspi  # noqa: E402

BINARY, FAKE_SERVER = sys.argv[1], sys.argv[2]
BUTTON, LABEL = Atspi.Role.PUSH_BUTTON, Atspi.Role.LABEL


class QtDialogLanguage(a11y.ProgramTestCase):
    binary, fake_server = BINARY, FAKE_SERVER

    def press(self, root, name):
        button = self.control(root, BUTTON, name)
        a11y.wait_for(lambda: "Press" in a11y.action_names(button), f"{name} enabled")
        self.assertTrue(a11y.do_action(button, "Press"), name)

    def alert(self):
        return next((w for w in self.app.windows() if w.get_role() == Atspi.Role.ALERT), None)

    def shown_names(self, window, role):
        return {a11y.name(n) for n in a11y.find_all(window, role, None, a11y.showing)}

    def test_save_dialog_and_its_replace_question_speak_chinese(self):
        self.control(self.main, Atspi.Role.TEXT, "原文").set_text_contents("Keep these words")
        self.press(self.main, "开始翻译")
        result = self.control(self.main, Atspi.Role.TEXT, "译文")
        translation = a11y.wait_for(lambda: "Keep these words" in a11y.text_of(result) and a11y.text_of(result),
                                    "the translation")

        self.press(self.main, "保存译文")
        dialog = self.app.window("保存译文")
        buttons = self.shown_names(dialog, BUTTON)
        self.assertTrue({"保存(S)", "取消", "父目录", "新建文件夹"} <= buttons, buttons)
        self.assertTrue({"查找范围：", "文件名称(N)：", "文件类型："} <= self.shown_names(dialog, LABEL))

        # A file that is there already: the question before replacing it, and its answers, in Chinese too.
        existing = os.path.join(self.app.folder, "existing.txt")
        with open(existing, "w", encoding="utf-8") as file:
            file.write("kept")
        self.control(dialog, Atspi.Role.TEXT, "文件名称(N)：").set_text_contents(existing)
        for answer in ("否(N)", "是(Y)"):
            self.press(dialog, "保存(S)")
            alert = a11y.wait_for(self.alert, "the question before replacing")
            self.assertIn("existing.txt 已存在。\n您想要替换它吗？", self.shown_names(alert, LABEL))
            self.assertTrue({"是(Y)", "否(N)"} <= self.shown_names(alert, BUTTON))
            self.press(alert, answer)
            a11y.wait_for(lambda: self.alert() is None, f"the question answered {answer}")
            if answer == "否(N)":
                with open(existing, encoding="utf-8") as file:
                    self.assertEqual(file.read(), "kept")

        def saved():
            with open(existing, encoding="utf-8") as file:
                return file.read() == translation
        a11y.wait_for(saved, "the translation written over the file")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2, warnings="ignore")

"""What a screen reader reads of an answer in the real program, over the accessibility bus: an answer that
holds a NUL and a character cut short is read whole, the NUL and the cut character each as one U+FFFD. A
string on the bus ends at a NUL, so the program must not hand one over. Run by ctest inside
scripts/test-session: accessibility_answer_text_test.py TOLVANE FAKE_SERVER."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support/a11y"))
import tolvane_a11y as a11y  # noqa: E402
from tolvane_a11y import Atspi  # noqa: E402

BINARY, FAKE_SERVER = sys.argv[1], sys.argv[2]


class AccessibilityAnswerText(unittest.TestCase):
    def setUp(self):
        # A chat endpoint whose answers carry, in their second piece, an escaped NUL and the first two of
        # the three bytes of a character.
        self.server = subprocess.Popen([FAKE_SERVER, "--chat-ending", "cut-character"], stdout=subprocess.PIPE,
                                       text=True)
        self.addCleanup(self.server.wait)
        self.addCleanup(self.server.terminate)
        openai = None
        while openai is None:
            line = self.server.stdout.readline()
            if not line:
                raise RuntimeError("the fake translation server did not start")
            if line.startswith("openai "):
                openai = line.split()[1]
        subprocess.run(["secret-tool", "store", "--label=Tolvane", "service", "Tolvane", "account",
                        "openai-compatible-api-key"], input=b"sk-answer-text", check=True, timeout=30)
        self.app = a11y.Tolvane(BINARY, FAKE_SERVER, stored=(
            "provider.translationEngine=openAICompatible\nprovider.model=test-model\n"
            f"provider.baseURL={openai}\ntranslation.sourceLanguage=en\ntranslation.targetLanguage=zh-Hans\n"))
        self.addCleanup(self.app.close)

    def test_an_answer_with_a_nul_and_a_cut_character_is_read_whole(self):
        main = self.app.window("Ondrel")
        a11y.wait_for(lambda: a11y.find(main, Atspi.Role.TEXT, "原文", a11y.showing), "the editor") \
            .set_text_contents("First part. Second part. Third part.")
        button = a11y.wait_for(lambda: a11y.find(main, Atspi.Role.PUSH_BUTTON, "开始翻译", a11y.showing), "开始翻译")
        a11y.wait_for(lambda: "Press" in a11y.action_names(button), "开始翻译 enabled")
        a11y.do_action(button, "Press")
        result = a11y.wait_for(lambda: a11y.find(main, Atspi.Role.TEXT, "译文", a11y.showing), "the answer")
        # "[fake] " and the source text, in pieces; the second piece's first character is followed by the
        # NUL, then the cut character.
        whole = "[fake] First part. Second part. Third part."
        a11y.wait_for(lambda: result.get_character_count() >= len(whole) + 2, "the whole answer shown")
        read = a11y.text_of(result)
        self.assertEqual(read.replace("\ufffd\ufffd", "", 1), whole)
        self.assertEqual(read.count("\ufffd"), 2, read)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2, warnings="ignore")

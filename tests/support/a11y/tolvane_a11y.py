"""Drives a running Tolvane through the AT-SPI accessibility tree, as a screen reader or a test robot does.

Used by the accessibility road test and by scripts/a11y-audit. Both run inside scripts/test-session, which
starts the AT-SPI bus; this module switches the toolkits' accessibility on as a screen reader would.
"""

import os
import shutil
import subprocess
import tempfile
import time
import unittest
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# Atspi 2.46 marks the interface getters deprecated in favour of ones it does not offer yet.
warnings.filterwarnings("ignore", category=DeprecationWarning)

# Limits for conditions that need the program to react; generous so a loaded machine still passes.
WAIT_SECONDS = 60

# Roles of controls a user can operate, and of the windows of the program.
INTERACTIVE_ROLES = {
    Atspi.Role.PUSH_BUTTON, Atspi.Role.TOGGLE_BUTTON, Atspi.Role.CHECK_BOX, Atspi.Role.RADIO_BUTTON,
    Atspi.Role.COMBO_BOX, Atspi.Role.TEXT, Atspi.Role.ENTRY, Atspi.Role.PASSWORD_TEXT, Atspi.Role.LIST_ITEM,
    Atspi.Role.PAGE_TAB, Atspi.Role.MENU_ITEM, Atspi.Role.SPIN_BUTTON, Atspi.Role.SLIDER, Atspi.Role.LINK,
    Atspi.Role.TABLE_CELL, Atspi.Role.LIST,
}
WINDOW_ROLES = {Atspi.Role.WINDOW, Atspi.Role.FRAME, Atspi.Role.DIALOG}


def wait_for(predicate, what, seconds=WAIT_SECONDS):
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"waited {seconds} s for {what}")
        time.sleep(0.1)


def enable_accessibility():
    """Asks the toolkits to expose their trees, as a screen reader does when it starts."""
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                    "--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled",
                    "<true>"], check=True, stdout=subprocess.DEVNULL)


def fresh(node):
    node.clear_cache()
    return node


def name(node):
    return fresh(node).get_name() or ""


def role(node):
    return node.get_role()


def children(node):
    fresh(node)
    result = []
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            result.append(child)
    return result


def walk(node):
    yield node
    for child in children(node):
        yield from walk(child)


def has_state(node, state):
    return fresh(node).get_state_set().contains(state)


def showing(node):
    return has_state(node, Atspi.StateType.SHOWING)


def find_all(root, role_=None, name_=None, predicate=None):
    return [node for node in walk(root)
            if (role_ is None or role(node) == role_) and (name_ is None or name(node) == name_)
            and (predicate is None or predicate(node))]


def find(root, role_=None, name_=None, predicate=None):
    found = find_all(root, role_, name_, predicate)
    return found[0] if found else None


def action_names(node):
    if "Action" not in fresh(node).get_interfaces():
        return []
    return [node.get_action_name(i) for i in range(node.get_n_actions())]


def do_action(node, action_name):
    """Runs the named action, as a screen reader's command or a test robot does; False if it has none."""
    names = action_names(node)
    if action_name not in names:
        return False
    return node.do_action(names.index(action_name))


def do_default_action(node):
    """The first action: what a screen reader runs when the user activates the control."""
    names = action_names(node)
    return bool(names) and node.do_action(0)


def relation_targets(node, relation_type):
    targets = []
    for relation in node.get_relation_set() or []:
        if relation.get_relation_type() == relation_type:
            targets += [relation.get_target(i) for i in range(relation.get_n_targets())]
    return targets


def text_of(node):
    return node.get_text(0, -1) if node is not None and "Text" in fresh(node).get_interfaces() else ""


def top_window(node):
    """The top-level window holding `node`."""
    while True:
        parent = fresh(node).get_parent()
        if parent is None or parent.get_role() == Atspi.Role.APPLICATION:
            return node
        node = parent


def activate_window(title):
    """Makes the X window with this title the active one, as a click on it would."""
    subprocess.run(["xdotool", "search", "--name", f"^{title}$", "windowactivate", "--sync"], check=True,
                   timeout=30, stdout=subprocess.DEVNULL)


def history_row(history):
    """The history window's first row, pressing 刷新 until the latest translation has been written."""
    def loaded_row():
        row = find(history, Atspi.Role.LIST_ITEM)
        if row is None:
            do_action(find(history, Atspi.Role.PUSH_BUTTON, "刷新"), "Press")
            time.sleep(0.4)
        return row
    return wait_for(loaded_row, "a history row")


def guide_step(guide):
    """The guide's step as its step dots read it ("第 2 步，共 4 步"); "" when none is shown."""
    dots = find(guide, None, None, lambda node: showing(node) and "步，共" in name(node))
    return name(dots) if dots else ""


def guide_forward(guide):
    """Presses the guide's 继续 and waits for the next step. The press clicks the button a moment after
    the action returns, so the step is read before the press and waited on to change: until then the old
    step, its 继续 included, is still on screen."""
    step = guide_step(guide)
    do_default_action(wait_for(lambda: find(guide, Atspi.Role.PUSH_BUTTON, "继续", showing), "继续 on screen"))
    wait_for(lambda: guide_step(guide) != step, f"the guide's step after {step}")


def focused(root):
    """The node on screen under `root` that holds the keyboard focus, or None. A closed combo box's list is
    not looked into: its rows may still tell the focus they had while it was open. A container that cannot
    take the focus is passed over: it tells the focus of the control it hands the focus on to."""
    def open_parts(node):
        yield node
        if role(node) != Atspi.Role.COMBO_BOX or has_state(node, Atspi.StateType.EXPANDED):
            for child in children(node):
                yield from open_parts(child)
    return next((node for node in open_parts(root)
                 if has_state(node, Atspi.StateType.FOCUSED) and has_state(node, Atspi.StateType.FOCUSABLE)
                 and showing(node)), None)


def path_of(node):
    """The node's place in its window's tree, as child indices: the same for the same control however it
    was reached."""
    indices = []
    while True:
        parent = fresh(node).get_parent()
        if parent is None or parent.get_role() == Atspi.Role.APPLICATION:
            return tuple(reversed(indices))
        indices.append(node.get_index_in_parent())
        node = parent


def takes_tab(node):
    """An editable multi-line text: Tab may type a tab there rather than move on."""
    return (role(node) in (Atspi.Role.TEXT, Atspi.Role.ENTRY) and has_state(node, Atspi.StateType.EDITABLE)
            and has_state(node, Atspi.StateType.MULTI_LINE))


def next_stop(root, key_name, current, seconds=WAIT_SECONDS):
    """Presses `key_name` and returns the node the focus moved to under `root`; None if it stays on
    `current` (or leaves `root`) for `seconds`."""
    before = path_of(current)
    key(key_name)
    try:
        return wait_for(lambda: (lambda node: node if node is not None and path_of(node) != before else None)(
            focused(root)), f"the focus to move on from {name(current)!r}", seconds)
    except TimeoutError:
        return None


def tab_chain(root, first, limit=80, seconds=WAIT_SECONDS, visit=None):
    """The Tab stops under `root` from `first` (focused before the call) round to it again, in their Tab
    order, and whether they close the round. An editable multi-line text ends the forward walk, as Tab may
    type there; the chain is then walked back from `first` with Shift+Tab to the same text, which together
    pass every stop (the round is closed when the walk back ends at that text). `visit` is called with
    each stop while it holds the focus."""
    forward, backward = [first], []
    seen = {path_of(first)}
    if visit:
        visit(first)
    ended_in = None
    closed = False
    for key_name, stops in (("Tab", forward), ("shift+Tab", backward)):
        if key_name == "shift+Tab":
            if ended_in is None or not first.grab_focus():
                break
            wait_for(lambda: has_state(first, Atspi.StateType.FOCUSED), f"{name(first)!r} focused")
        node = first
        for _ in range(limit):
            node = next_stop(root, key_name, node, seconds)
            if node is None:
                break
            if path_of(node) == path_of(first):
                closed = True
                break
            if path_of(node) not in seen:
                seen.add(path_of(node))
                stops.append(node)
                if visit:
                    visit(node)
            if takes_tab(node):
                if key_name == "Tab":
                    ended_in = path_of(node)
                else:
                    closed = path_of(node) == ended_in
                break
    return forward + backward[::-1], closed


def tab_stops(root, first, limit=80, seconds=WAIT_SECONDS):
    """The Tab stops under `root` from `first` (focused before the call) round to it again, in Tab order."""
    return tab_chain(root, first, limit, seconds)[0]


def click(node):
    """Clicks the middle of the node with the pointer, as a user does."""
    box = fresh(node).get_extents(Atspi.CoordType.SCREEN)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1"], check=True, timeout=30)


def key(*keys):
    """Presses keys on the session's X server (xdotool names, e.g. "ctrl+comma")."""
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def clipboard():
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10)
    return result.stdout.decode("utf-8", "replace")


class Tolvane:
    """The real program with a private profile, translating through the fake hosted service."""

    def __init__(self, binary, fake_server, seen_guide=True, stored=""):
        """`stored`: more lines of the settings file's [General] section, as the program would find them."""
        enable_accessibility()
        self.folder = tempfile.mkdtemp(prefix="tolvane-a11y-")
        for sub in ("config/Tolvane", "data", "cache", "runtime"):
            os.makedirs(os.path.join(self.folder, sub), mode=0o700, exist_ok=True)
        with open(os.path.join(self.folder, "config/Tolvane/Tolvane.ini"), "w", encoding="utf-8") as ini:
            ini.write("[General]\n" + ("firstRun.hasSeenGuide=true\n" if seen_guide else "") + stored)
        self.server = subprocess.Popen([fake_server], stdout=subprocess.PIPE, text=True)
        hosted = None
        while hosted is None:
            line = self.server.stdout.readline()
            if not line:
                raise RuntimeError("the fake translation server did not start")
            if line.startswith("hosted "):
                hosted = line.split()[1]
        environment = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
        environment.update({
            "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
            "XDG_DATA_HOME": os.path.join(self.folder, "data"),
            "XDG_CACHE_HOME": os.path.join(self.folder, "cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.folder, "runtime"),
            "TOLVANE_HOSTED_BASE_URL": hosted,
            "QT_QPA_PLATFORM": "xcb",
        })
        self.log = open(os.path.join(self.folder, "tolvane.log"), "w", encoding="utf-8")
        self.process = subprocess.Popen([binary], env=environment, stdout=self.log, stderr=subprocess.STDOUT)
        self.app = wait_for(self._find_app, "Tolvane on the accessibility bus")

    def _find_app(self):
        desktop = Atspi.get_desktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == self.process.pid:
                    return app
            except gi.repository.GLib.Error:
                continue
        return None

    def settings_text(self):
        """The stored settings file as it is now."""
        with open(os.path.join(self.folder, "config/Tolvane/Tolvane.ini"), encoding="utf-8") as ini:
            return ini.read()

    def windows(self):
        return [w for w in children(self.app) if showing(w)]

    def window(self, title):
        """The shown top-level window with this title, waited for."""
        return wait_for(lambda: next((w for w in self.windows() if name(w) == title), None),
                        f"the window {title!r}")

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.server.terminate()
        self.server.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class ProgramTestCase(unittest.TestCase):
    """Starts the program for each test, closed after it; `self.main` is its main window. A subclass names the
    program and the fake translation server in `binary` and `fake_server`."""

    binary = fake_server = None

    def setUp(self):
        self.app = Tolvane(self.binary, self.fake_server)
        self.addCleanup(self.app.close)
        self.main = self.app.window("Ondrel")

    def control(self, root, role_, name_):
        """The control once it is on screen."""
        return wait_for(lambda: find(root, role_, name_, showing), f"{name_!r} on screen")

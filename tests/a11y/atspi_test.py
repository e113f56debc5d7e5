#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The editor as a screen reader and a keyboard-only user meet it, on a real accessibility bus.

Runs kel-editor under Xvfb in a D-Bus session of its own with the accessibility bus, and through
AT-SPI alone checks:
  1. the panel's 50 controls with their names, roles and descriptions (an assignment the map
     file holds is in its control's description);
  2. the default action of "S3 slider" opens the assign dialog, whose fields all have names;
  3. a whole task from the keyboard (xdotool keys, no mouse): open a map, arrows to S3, Enter,
     Channel Message / Control Change 20, OK, Ctrl+S; kelmap then finds CC 20 on S3 in the
     file, and the panel's description of S3 says so.

usage: atspi_test.py KEL_EDITOR KELMAP
Exit status 77 (skipped) with the reason when the tools it needs are not installed.
"""
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def missing_tools():
    missing = [tool for tool in ("Xvfb", "dbus-run-session", "xdotool") if shutil.which(tool) is None]
    if importlib.util.find_spec("pyatspi") is None:
        missing.append("python3-pyatspi")
    launcher = [p for p in ("/usr/libexec/at-spi-bus-launcher",
                            "/usr/lib/at-spi2-core/at-spi-bus-launcher") if os.path.exists(p)]
    if not launcher:
        missing.append("at-spi2-core")
    return missing


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    if os.environ.get("KEL_A11Y_SESSION") != "1":
        missing = missing_tools()
        if missing:
            skip("not installed: " + ", ".join(missing) +
                 " (scripts/install-deps.sh installs them)")
        env = dict(os.environ, KEL_A11Y_SESSION="1")
        # A session bus of its own: the accessibility bus starts on it when the editor asks.
        result = subprocess.run(["dbus-run-session", "--", sys.executable, __file__] + sys.argv[1:],
                                env=env, timeout=280)
        sys.exit(result.returncode)
    Session(sys.argv[1], sys.argv[2]).run()


class Session:
    def __init__(self, editor, kelmap):
        self.editor = os.path.abspath(editor)
        self.kelmap = os.path.abspath(kelmap)
        self.work = tempfile.mkdtemp(prefix="kel-a11y-")
        self.processes = []

    # -- set-up ---------------------------------------------------------------------------------

    def start_display(self):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24",
                                 "-nolisten", "tcp"], pass_fds=(write,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                fail("Xvfb did not start")
            number += chunk
        os.close(read)
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        if shutil.which("openbox"):
            self.processes.append(subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL,
                                                   stderr=subprocess.DEVNULL))

    def environment(self):
        env = dict(os.environ)
        for variable, folder in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                                 ("XDG_CACHE_HOME", "home/.cache"),
                                 ("XDG_DATA_HOME", "home/.local/share")):
            path = os.path.join(self.work, folder)
            os.makedirs(path, exist_ok=True)
            env[variable] = path
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env["XDG_RUNTIME_DIR"] = runtime
        env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8",
                   LANGUAGE="en", LC_ALL="C.UTF-8")
        return env

    def cleanup(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # -- AT-SPI ---------------------------------------------------------------------------------

    # Every wait is for a state the test can see, with a limit a busy machine never reaches.
    def wait_for(self, what, find, timeout=60.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                found = find()
            except Exception:  # an object that went away while it was read
                found = None
            if found:
                return found
            time.sleep(0.1)
        fail(f"not found within {timeout:.0f} s: {what}")

    def application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and "KEL Editor" in app.name:
                return app
        return None

    def find(self, root, predicate):
        return self.pyatspi.findDescendant(root, lambda o: o is not None and predicate(o))

    def showing(self, obj):
        return obj.getState().contains(self.pyatspi.STATE_SHOWING)

    def focused(self, obj):
        return obj.getState().contains(self.pyatspi.STATE_FOCUSED)

    def panel(self):
        return self.find(self.app, lambda o: o.name == "Controller panel")

    def control(self, name):
        panel = self.panel()
        for i in range(panel.childCount):
            child = panel.getChildAtIndex(i)
            if child.name == name:
                return child
        fail(f"no panel control named {name!r}")

    def assign_dialog(self):
        # The modeless assign dialog: the window with the "Comment :" field, shown.
        for i in range(self.app.childCount):
            window = self.app.getChildAtIndex(i)
            if window is None or not self.showing(window):
                continue
            if self.find(window, lambda o: o.name.startswith("Comment")):
                return window
        return None

    def label(self, obj):
        """What a screen reader calls a field: its label (a list's name is the entry it shows),
        else the titled group around a list, else its name."""
        for relation in obj.getRelationSet():
            if relation.getRelationType() == self.pyatspi.RELATION_LABELLED_BY:
                for i in range(relation.getNTargets()):
                    if relation.getTarget(i).name.strip():
                        return relation.getTarget(i).name
        if obj.getRole() == self.pyatspi.ROLE_COMBO_BOX:
            parent = obj.parent
            return parent.name if parent is not None and parent.getRole() in (
                self.pyatspi.ROLE_PANEL, self.pyatspi.ROLE_GROUPING) else ""
        return obj.name

    def focus(self):
        return self.find(self.app, lambda o: self.focused(o) and self.showing(o) and
                         o.getRole() != self.pyatspi.ROLE_FRAME and
                         o.getRole() != self.pyatspi.ROLE_DIALOG)

    def focus_name(self):
        obj = self.focus()
        return self.label(obj) if obj is not None else None

    def active(self, window):
        return window is not None and window.getState().contains(self.pyatspi.STATE_ACTIVE)

    def main_window(self):
        return self.find(self.app, lambda o: o.getRole() == self.pyatspi.ROLE_FRAME and
                         self.showing(o))

    def field(self, root, role, label):
        """The showing field of `role` whose label starts with `label`."""
        return self.find(root, lambda o: o.getRole() == role and self.showing(o) and
                         self.label(o).startswith(label))

    # -- keyboard -------------------------------------------------------------------------------
    # The editor takes the keys in the order they are pressed; what a key does shows later on a
    # busy machine, so each step waits for what the key did before the next key depends on it.

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "40"] + list(keys),
                       check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)

    def key_until(self, key, what, done, limit):
        """Presses `key` until `done`, at most `limit` times, each time once the focus has left
        where it was (a press that is not done yet moves it)."""
        for _ in range(limit):
            if done():
                return
            before = self.focus()
            self.keys(key)
            self.wait_for(f"the focus to move on {key} towards {what}",
                          lambda: done() or self.focus() != before)
        if not done():
            fail(f"{key} pressed {limit} times without reaching {what} (focus: {self.focus_name()!r})")

    # -- the checks -----------------------------------------------------------------------------

    def check_panel(self):
        panel = self.wait_for("the controller panel", self.panel)
        if panel.childCount != 50:
            fail(f"the panel has {panel.childCount} children, not 50")
        names, roles = [], {}
        for i in range(panel.childCount):
            child = panel.getChildAtIndex(i)
            names.append(child.name)
            roles[child.name] = child.getRoleName()
            if not child.description:
                fail(f"{child.name!r} has no description")
        for name, role in (("R1 knob", "dial"), ("S3 slider", "slider"), ("A1 button", "push button"),
                           ("BEND wheel", "slider"), ("P1 pedal", "push button")):
            if roles.get(name) != role:
                fail(f"{name!r}: role {roles.get(name)!r}, expected {role!r}")
        if len(set(names)) != 50:
            fail("the panel's children do not have 50 different names")
        # Where each control is on the screen: inside the panel, the sliders side by side.
        box = panel.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        s2, s3 = (self.control(n).queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
                  for n in ("S2 slider", "S3 slider"))
        if not (box.x <= s3.x and s3.x + s3.width <= box.x + box.width and s3.height > s3.width > 0
                and box.y <= s3.y and s3.y + s3.height <= box.y + box.height and s2.x < s3.x):
            fail(f"S3's place on the screen {s3} does not fit the panel {box} and S2 {s2}")
        description = self.control("R1 knob").description
        if description != "Control Change 74 (Brightness), channel 2, Port 1":
            fail(f"R1's description is {description!r}")
        print("ok: 50 panel controls named, with roles and descriptions")

    def check_default_action(self):
        s3 = self.control("S3 slider")
        action = s3.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if not names:
            fail("S3 has no actions")
        action.doAction(0)
        dialog = self.wait_for("the assign dialog after S3's default action", self.assign_dialog)
        unnamed = []
        fields = self.pyatspi.findAllDescendants(
            dialog, lambda o: o is not None and self.showing(o) and
            o.getState().contains(self.pyatspi.STATE_FOCUSABLE) and
            o.getRole() in (self.pyatspi.ROLE_COMBO_BOX, self.pyatspi.ROLE_TEXT,
                            self.pyatspi.ROLE_PUSH_BUTTON, self.pyatspi.ROLE_CHECK_BOX,
                            self.pyatspi.ROLE_SPIN_BUTTON))
        for field in fields:
            if not self.label(field).strip():
                unnamed.append(f"{field.getRoleName()} {field.name!r}")
        if len(fields) < 4 or unnamed:
            fail(f"assign dialog: {len(fields)} fields, unnamed: {unnamed}")
        if not self.find(dialog, lambda o: o.name == "S3"):
            fail("the assign dialog does not show S3")
        cancel = self.find(dialog, lambda o: o.getRole() == self.pyatspi.ROLE_PUSH_BUTTON and
                           o.name == "Cancel")
        cancel.queryAction().doAction(0)
        self.wait_for("the assign dialog to close", lambda: self.assign_dialog() is None)
        print(f"ok: S3's default action ({names[0]}) opens the assign dialog, "
              f"{len(fields)} fields all named")

    def keyboard_task(self):
        # Open the map: the file name is typed once the dialog's name field has the keyboard.
        self.wait_for("the main window to have the keyboard", lambda: self.active(self.main_window()))
        self.keys("ctrl+o")
        opened = self.wait_for("the Open dialog", lambda: self.find(
            self.app, lambda o: o.getRole() == self.pyatspi.ROLE_DIALOG and self.showing(o)))
        self.wait_for("the Open dialog's file name field to have the keyboard", lambda: self.active(
            opened) and self.find(opened, lambda o: o.getRole() == self.pyatspi.ROLE_TEXT and
                                  self.focused(o) and self.showing(o)))
        self.type(self.map)
        self.keys("Return")
        self.wait_for("the map's name in the window title", lambda: self.find(
            self.app, lambda o: o.getRole() == self.pyatspi.ROLE_FRAME and "task.mid" in o.name))
        # To the panel, then S3 with the arrows.
        self.key_until("Tab", "the panel", lambda: self.focused(self.panel()) or any(
            self.focused(self.panel().getChildAtIndex(i)) for i in range(50)), 8)
        self.key_until("Right", "S3", lambda: self.focused(self.control("S3 slider")), 30)
        # Enter opens it; Channel Message, Control Change, number 20, OK.
        self.keys("Return")
        dialog = self.wait_for("the assign dialog after Enter", self.assign_dialog)
        # The dialog opens with the keyboard on itself, where no key changes the assignment; the
        # first Tab, once the dialog has the keyboard, reaches the message type list.
        self.wait_for("the assign dialog to have the keyboard", lambda: self.active(dialog))
        self.keys("Tab")
        kinds = self.wait_for("the message type list", lambda: self.find(
            dialog, lambda o: self.focused(o) and o.getRole() == self.pyatspi.ROLE_COMBO_BOX))
        shown = kinds.name
        self.keys("Down")  # NO ASSIGN -> Channel Message, whose page has the Type list
        self.wait_for("the channel message page", lambda: kinds.name != shown and self.field(
            dialog, self.pyatspi.ROLE_COMBO_BOX, "Type"))
        self.key_until("Tab", "the Type list", lambda: (self.focus_name() or "").startswith("Type"), 4)
        self.keys("Down", "Down", "Down")  # Note -> Control Change
        self.wait_for("Control Change in the Type list", lambda: "Control Change" in (
            self.field(dialog, self.pyatspi.ROLE_COMBO_BOX, "Type").name))
        self.key_until("Tab", "the Control Number field",
                       lambda: (self.focus_name() or "").startswith("Control Number"), 4)
        self.keys("ctrl+a")
        self.type("20")
        self.key_until("Tab", "OK", lambda: self.focus_name() == "OK", 12)
        self.keys("space")
        self.wait_for("the assign dialog to close", lambda: self.assign_dialog() is None)
        self.wait_for("the main window to have the keyboard", lambda: self.active(self.main_window()))
        self.keys("ctrl+s")
        self.wait_for("the saved map", lambda: "CC 20:1" in self.s3_in_file())
        description = self.wait_for("S3's new description", lambda: (
            d := self.control("S3 slider").description).startswith("Control Change 20") and d)
        print(f"ok: keyboard-only task saved S3 as {self.s3_in_file().strip()!r}; "
              f"S3 reads {description!r}")

    def s3_in_file(self):
        shown = subprocess.run([self.kelmap, "show", self.map], capture_output=True, text=True)
        dump = subprocess.run([self.kelmap, "dump", self.map], capture_output=True, text=True)
        s3 = [line for line in shown.stdout.splitlines() if line.split()[:1] == ["S3"]]
        raw = [line for line in dump.stdout.splitlines() if line.startswith("S3\t")]
        return (s3[0] if s3 else "") + ("  " + raw[0] if raw else "")

    def run(self):
        start = time.monotonic()
        try:
            self.start_display()
            import pyatspi  # after the display and the session bus exist
            self.pyatspi = pyatspi
            self.map = os.path.join(self.work, "task.mid")
            subprocess.run([self.kelmap, "new", self.map, "--title", "A11Y"], check=True,
                           stdout=subprocess.DEVNULL)
            subprocess.run([self.kelmap, "set", self.map, "R1", "cc", "74", "--channel", "2"],
                           check=True, stdout=subprocess.DEVNULL)
            editor = subprocess.Popen([self.editor, self.map], env=self.environment(),
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.processes.append(editor)
            self.app = self.wait_for("kel-editor on the accessibility bus", self.application)
            self.check_panel()
            self.check_default_action()
            # The task starts from a new map, as a user who opens one.
            self.wait_for("the main window to have the keyboard",
                          lambda: self.active(self.main_window()))
            self.keys("ctrl+n")
            self.keyboard_task()
        finally:
            self.cleanup()
        print(f"passed in {time.monotonic() - start:.1f} s")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The real program as a screen reader reads it: under Xvfb, with a D-Bus session and the
accessibility bus (at-spi2-core), read through pyatspi (Debian's python3-pyatspi) while xdotool
types. One table of expectations: the status text and its change events, an announcement when
an answer arrives, every dialog field named by its label, radio buttons as radio buttons,
named tool-bar buttons with their hints, menu items without their key text, a named text view
with selection events.

    a11y.py PATH-TO-VINTREL
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run  # noqa: E402  (the X server and typing helpers of the UI suite)
from run import Desktop, Server, check, wait_for, FAILURES  # noqa: E402


def start_bus(env):
    """A D-Bus session bus and the accessibility bus on it; the address is put in env."""
    out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                          "--print-pid=1"], capture_output=True, text=True, env=env)
    lines = out.stdout.split()
    env["DBUS_SESSION_BUS_ADDRESS"] = lines[0]
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = lines[0]
    # In a process group of its own, so the bus daemon it starts goes with it.
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
    return int(lines[1]), launcher


def main():
    program = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="vintrel-a11y-")
    binary = os.path.join(folder, os.path.basename(program))
    shutil.copy(program, folder)
    desk = Desktop()
    env = desk.env
    env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               XDG_CACHE_HOME=os.path.join(folder, ".cache"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               NO_AT_BRIDGE="0")
    bus_pid, launcher = start_bus(env)
    time.sleep(1)
    import pyatspi  # after the bus address is known
    from gi.repository import GLib

    events = []

    def record(event):
        # The source may be gone by the time the event is read; its type and data are enough.
        events.append((str(event.type), str(event.any_data)))

    for kind in ("object:text-changed:insert", "object:property-change:accessible-name",
                 "object:text-selection-changed"):
        pyatspi.Registry.registerEventListener(record, kind)

    def pump(seconds=0.3):
        deadline = time.time() + seconds
        context = GLib.MainContext.default()
        while time.time() < deadline:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def find(root, predicate, depth=0):
        if root is None or depth > 40:
            return None
        try:
            if predicate(root):
                return root
            for i in range(root.childCount):
                found = find(root.getChildAtIndex(i), predicate, depth + 1)
                if found is not None:
                    return found
        except Exception:
            return None
        return None

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name.lower() in ("vintrel", os.path.basename(binary)):
                return app
        return None

    def wait_find(predicate, timeout=10):
        found = [None]

        def look():
            pump(0.1)
            app = application()
            found[0] = find(app, predicate) if app else None
            return found[0] is not None
        wait_for(look, timeout)
        return found[0]

    def role(node, name):
        return node.getRoleName() == name

    def text_of(node):
        try:
            text = node.queryText()
            return text.getText(0, text.characterCount)
        except NotImplementedError:
            return None

    finger = None
    try:
        finger = Server(79, b"Login: reader\r\nName: Screen Reader\r\nNUL: [\x00] end\r\n")
    except OSError as error:
        # A check that cannot set up fails: a pass would say what was never checked.
        check(False, f"the answer and status cases can listen on port 79 ({error})")
    app = subprocess.Popen([binary], cwd=folder, env=env)
    try:
        main_window = desk.window("Vintrel", 20)
        if not check(main_window is not None, "the main window opens"):
            return
        check(wait_find(lambda n: role(n, "frame") and n.name == "Vintrel", 20) is not None,
              "the program is on the accessibility bus")

        # Tool-bar buttons: named after their commands, described by their hints.
        for name, hint in (("Finger query", "Get Finger information on host or address"),
                           ("WhoIs query", "Whois query"),
                           ("DNS records", "Get DNS records, with DNSSEC checked")):
            button = wait_find(lambda n: role(n, "push button") and n.name == name, 5)
            check(button is not None and button.description == hint,
                  f"the tool-bar button '{name}' is named and described by its hint")

        # The text view has a name.
        view = wait_find(lambda n: n.name == "Answer", 5)
        check(view is not None and text_of(view) is not None, "the text view is named 'Answer'")

        # Menu items: named without the key text, the key as their key binding.
        desk.keys(main_window, "F10")
        item = wait_find(lambda n: role(n, "menu item") and n.name.startswith("Save As"), 5)
        check(item is not None and "\t" not in item.name, "F10 opens the menu bar's File menu")
        desk.keys(main_window, "Escape", "Escape")
        command_item = wait_find(lambda n: role(n, "menu item") and n.name == "Finger query", 5)
        binding = command_item.queryAction().getKeyBinding(0) if command_item else ""
        check(command_item is not None and binding == "f;<Alt>m:f;<Alt>n",
              f"a menu item is named without its key; mnemonic, path and key are its binding "
              f"({binding!r})")

        if finger:
            # An answer arriving is announced; the status bar reads and signals its text.
            events.clear()
            check(run.finger_and_wait(desk, main_window, "reader@localhost"),
                  "a finger query is answered")
            pump(1)
            inserted = [e for e in events if e[0].startswith("object:text-changed:insert")]
            check(any("Screen Reader" in e[1] for e in inserted),
                  "the arriving answer is announced as inserted text")
            answer = text_of(view) or ""
            check(answer.endswith("NUL: [\u2400] end\n"),
                  f"a NUL reaches the reader as its picture, and the text after it too "
                  f"({answer[-20:]!r})")
            status = wait_find(lambda n: n.name == "Connection closed" and
                               text_of(n) == "Connection closed", 5)
            check(status is not None, "the status bar's text is readable: 'Connection closed'")
            # Selecting text signals it.
            events.clear()
            desk.keys(main_window, "ctrl+Home", "shift+End")
            pump(0.5)
            check(any(e[0].startswith("object:text-selection-changed") for e in events),
                  "a selection change is signalled")

            # Find Text: the directions and origins are radio buttons.
            desk.keys(main_window, "F5")
            dialog = desk.window("Find Text")
            for name in ("Forward", "Backward", "From cursor", "Entire scope"):
                radio = wait_find(lambda n: role(n, "radio button") and
                                  n.name.replace("&", "") == name, 5)
                check(radio is not None, f"'{name}' is a radio button")
            field = wait_find(lambda n: role(n, "text") and n.name == "Text to find:", 5)
            check(field is not None, "the Find field is named by its label")
            if dialog:
                desk.keys(dialog, "Escape")
            finger.stop()
            events.clear()
            run.finger_and_wait(desk, main_window, "again@localhost")
            status = wait_find(lambda n: n.name == "Connection refused", 15)
            check(status is not None and text_of(status) == "Connection refused",
                  "after a refused call the status bar reads 'Connection refused'")
            pump(0.5)
            check(any(e[0].startswith("object:property-change:accessible-name") and
                      "Connection refused" in e[1] for e in events) or
                  any(e[0].startswith("object:text-changed") for e in events),
                  "the change of status is signalled")

        # Dialog fields are named by their labels.
        desk.keys(main_window, "alt+w")
        dialog = desk.window("WhoIs query")
        for name, kind in (("Query string:", "text"), ("WhoIs server:", "combo box")):
            field = wait_find(lambda n: role(n, kind) and n.name == name, 5)
            check(field is not None, f"the WhoIs field '{name}' is named by its label")
        if dialog:
            desk.keys(dialog, "Escape")
            desk.gone("WhoIs query")
        desk.keys(main_window, "alt+n")
        dialog = desk.window("Finger")
        check(wait_find(lambda n: role(n, "combo box") and
                        n.name == "Address in form: user@host or host:", 5) is not None,
              "the Finger address box is named by its label, not its value")
        if dialog:
            desk.keys(dialog, "Escape")
            desk.gone("Finger")
    finally:
        if app.poll() is None:
            app.kill()
        try:
            os.killpg(launcher.pid, 9)
        except OSError:
            pass
        launcher.wait()
        try:
            os.kill(bus_pid, 15)
        except OSError:
            pass
        desk.close()
        shutil.rmtree(folder, ignore_errors=True)
    print(f"accessibility suite {'failed' if FAILURES else 'passed'}: {len(FAILURES)} failure(s)")


if __name__ == "__main__":
    main()
    sys.exit(1 if FAILURES else 0)

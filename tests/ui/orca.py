#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The real program as a blind user hears it: under Orca, driven from the keyboard only.

Starts Xvfb, a window manager (openbox: without one the window is never activated and Orca
says nothing), a D-Bus session bus on a file path, the accessibility bus, speech-dispatcher
with espeak-ng writing to a null ALSA device, and Orca with its debug log. Each step types
keys with xdotool; what Orca said meanwhile is read from the log's "SPEECH OUTPUT" lines once
Orca has ended (the log is block-buffered). One table of steps and what must be heard.

    orca.py PATH-TO-VINTREL
"""

import collections
import datetime
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run import ChainLabServer, Desktop, Server, check, FAILURES, private_hosts_command  # noqa: E402,E501

SPEECHD_CONF = ('AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\n'
                'DefaultModule espeak-ng\nAudioOutputMethod "alsa"\n')
NULL_SOUND = "pcm.!default { type null }\nctl.!default { type hw card 0 }\n"
TRICKLE_LINES = 120
TRICKLE_GAP = 0.025  # seconds between lines: 40 lines a second for three seconds


class Trickle:
    """A finger server on 127.0.0.3:79 that sends its answer a line at a time."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.3", 79))
        self.sock.listen(2)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        try:
            peer, _ = self.sock.accept()
        except OSError:
            return
        with peer:
            peer.recv(512)
            for number in range(TRICKLE_LINES):
                peer.sendall(b"trickled line %d\r\n" % number)
                time.sleep(TRICKLE_GAP)

    def stop(self):
        self.sock.close()


class Hold:
    """A finger server on 127.0.0.5:79 that takes the question and never answers."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.5", 79))
        self.sock.listen(2)
        self.peers = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                peer, _ = self.sock.accept()
            except OSError:
                return
            self.peers.append(peer)  # kept open, never answered

    def stop(self):
        self.sock.close()
        for peer in self.peers:
            peer.close()


class Session:
    """The desktop Orca runs in, with every helper process in it."""

    def __init__(self, folder):
        self.folder = folder
        self.desk = Desktop()
        env = self.env = self.desk.env
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
                   XDG_CACHE_HOME=os.path.join(folder, ".cache"),
                   XDG_DATA_HOME=os.path.join(folder, ".local", "share"),
                   XDG_RUNTIME_DIR=runtime, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_ACCESSIBILITY="1", NO_AT_BRIDGE="0")
        speechd = os.path.join(folder, ".config", "speech-dispatcher")
        os.makedirs(speechd)
        with open(os.path.join(speechd, "speechd.conf"), "w") as conf:
            conf.write(SPEECHD_CONF)
        with open(os.path.join(folder, ".asoundrc"), "w") as sound:
            sound.write(NULL_SOUND)
        # A bus on a file path: an abstract socket does not reach into a network namespace.
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1", f"--address=unix:path={folder}/bus"],
                             capture_output=True, text=True, env=env, check=True)
        address, pid = out.stdout.split()
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.bus_pid = int(pid)
        self.helpers = []
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                     start_new_session=True)
        self.helpers.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet))
        self.helpers.append(subprocess.Popen(["openbox"], **quiet))
        time.sleep(1)
        self.log = os.path.join(folder, "orca.log")
        # Never --replace: that would end every Orca on the machine.
        self.orca = subprocess.Popen(["orca", "--debug-file", self.log], **quiet)
        time.sleep(4)

    def end_orca(self):
        """Ends Orca, so its log is complete; True when it was still running."""
        running = self.orca.poll() is None
        self.orca.send_signal(signal.SIGTERM)
        try:
            self.orca.wait(15)
        except subprocess.TimeoutExpired:
            self.orca.kill()
            self.orca.wait()
        return running

    def close(self):
        if self.orca.poll() is None:
            self.end_orca()
        for helper in self.helpers:
            try:
                os.killpg(helper.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            helper.wait()
        try:
            os.kill(self.bus_pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        # speech-dispatcher is started by Orca and lives on; it ends with its own time-out,
        # but a test leaves nothing behind.
        subprocess.run(["pkill", "-f", f"speech-dispatcher.*{self.folder}"], check=False)
        self.desk.close()


def seconds_of_day(stamp):
    hours, minutes, seconds = stamp.split(":")
    return int(hours) * 3600 + int(minutes) * 60 + float(seconds)


def now():
    moment = datetime.datetime.now()
    return moment.hour * 3600 + moment.minute * 60 + moment.second + moment.microsecond / 1e6


def spoken_lines(log):
    """(time of day, text) of every utterance in Orca's log; a text may span lines."""
    pattern = re.compile(r"^(\d\d:\d\d:\d\d\.\d+) - SPEECH OUTPUT: '(.*?)'\s*\[?\{",
                         re.MULTILINE | re.DOTALL)
    with open(log, errors="replace") as text:
        return [(seconds_of_day(m.group(1)), m.group(2).strip())
                for m in pattern.finditer(text.read())]


def app_events(log, since, until):
    """The program's accessibility events that reached Orca between since and until, counted
    by kind and role ("object:text-changed:insert", "text")."""
    pattern = re.compile(r"^(\d\d:\d\d:\d\d\.\d+) - EVENT MANAGER: (object:\S+) for "
                         r"\[([^|\]]*?) *\|.*in \[application \| Vintrel\]")
    counts = collections.Counter()
    with open(log, errors="replace") as lines:
        for m in map(pattern.match, lines):
            if m and since <= seconds_of_day(m.group(1)) <= until:
                counts[(m.group(2), m.group(3))] += 1
    return counts


def main():
    program = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="vintrel-orca-")
    binary = os.path.join(folder, "vintrel")
    shutil.copy(program, binary)
    finger = trickle = hold = session = app = lab = None
    try:
        # A check that cannot set up fails: a pass would say what was never heard.
        finger = Server(79, b"Login: reader\r\nName: Screen Reader\r\nOffice: 12 Main St\r\n")
        trickle = Trickle()
        hold = Hold()
        session = Session(folder)
        desk = session.desk
        lab = ChainLabServer(folder)
        if not check(lab.running, "nsd serves the chain-of-trust lab"):
            return
        # The suite's hosts file gives a host with an alias; it needs root, as the suite does.
        command = private_hosts_command(binary, folder)
        if not check(command is not None, "the program can be given the suite's hosts file"):
            return
        app = subprocess.Popen(command, cwd=folder, env=session.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = desk.window("Vintrel", 20)
        if not check(window is not None, "the main window opens under Orca"):
            return
        time.sleep(2)

        sent = {}

        def finger_call(address, settle):
            desk.keys(window, "alt+n")
            dialog = desk.window("Finger")
            if dialog:
                desk.type(dialog, address)
                desk.xdo("key", "Return")
            sent[address] = now()
            time.sleep(settle)

        def press(*keys):
            for key in keys:
                desk.xdo("key", "--clearmodifiers", key)
                time.sleep(1.0)

        def with_control(*keys):
            # Held as a person holds it, so Orca knows the key was pressed with Control when
            # the caret's move reaches it.
            desk.xdo("keydown", "ctrl")
            time.sleep(0.3)
            for key in keys:
                desk.xdo("key", key)
                time.sleep(1.0)
            desk.xdo("keyup", "ctrl")
            time.sleep(0.5)

        def chain_of_trust(name, lab):
            # DNS records: the name, type A, the lab's server and anchor (a short name in the
            # program's folder: Orca echoes every key typed), then Chain (Alt+H). The step
            # lasts until the chain's window is there and Orca has had time to speak.
            shutil.copy(lab.anchors, os.path.join(folder, "a.ds"))
            press("alt+r")
            time.sleep(1)
            for field in (name, "A", lab.Address):
                press("ctrl+a")
                desk.xdo("type", "--delay", "30", field)
                press("Tab")
            press("Tab", "Tab", "ctrl+a")
            desk.xdo("type", "--delay", "30", "a.ds")
            time.sleep(1)
            press("alt+h")
            desk.window(f"Chain of trust: {name} A", 20)
            time.sleep(4)

        def orca_key_twice(key):
            # Orca's own commands: Insert held, the key pressed twice in quick succession.
            desk.xdo("keydown", "Insert")
            time.sleep(0.2)
            desk.xdo("key", "--delay", "100", key, key)
            time.sleep(0.2)
            desk.xdo("keyup", "Insert")
            time.sleep(1.5)

        # (what must be heard, the step, a test of the utterances that followed it)
        steps = [
            ("a refusal is said without asking",
             lambda: finger_call("x@127.0.0.2", 3),
             lambda said: any(s.startswith("Connection refused") for s in said)),
            ("an address that cannot be asked is said, though no call starts",
             lambda: finger_call("x@bad..host", 3),
             lambda said: any(s.startswith("Invalid host name: the name has an empty label")
                              for s in said)),
            # The stage is said after 5 s of waiting; Alt+C then ends the call.
            ("a wait is not silent: the stage is said after a few seconds",
             lambda: (finger_call("wait@127.0.0.5", 7), press("alt+c")),
             lambda said: any(s.startswith("Connected to host 127.0.0.5") for s in said) and
             any(s.startswith("Call canceled") for s in said)),
            ("a trickling answer is said once it ends, with its size",
             lambda: finger_call("slow@127.0.0.3", TRICKLE_LINES * TRICKLE_GAP + 3),
             lambda said: f"Connection closed, {TRICKLE_LINES} lines." in said),
            ("an answer's outcome and size are said without asking",
             lambda: finger_call("reader@localhost", 3),
             lambda said: "Connection closed, 3 lines." in said),
            ("the status bar is read with its text, its role said once",
             lambda: orca_key_twice("KP_Enter"),
             lambda said: "Connection closed." in said and
             not any("Status bar" in s for s in said)),
            ("a line is read whole, to its last character",
             lambda: press("ctrl+Home", "Down"),
             lambda said: "Name: Screen Reader" in said),
            ("Ctrl+Right reads the word it moves over",
             lambda: (press("ctrl+Home"), with_control("Right")),
             lambda said: "Login" in said),
            ("F10 opens File and says its name and first item",
             lambda: press("F10"),
             lambda said: "File." in said and any(s.startswith("Save As") for s in said)),
            ("Right says the next menu and a disabled item with its shortcut",
             lambda: press("Right"),
             lambda said: "Edit." in said and "Copy grayed Ctrl+Insert." in said),
            ("Left goes back to File",
             lambda: press("Left"),
             lambda said: "File." in said),
            ("Escape leaves the menus for the answer",
             lambda: press("Escape"),
             lambda said: "Answer read only text." in said),
            ("Alt+C leaves no trap: Down moves in the answer, no menu opens",
             lambda: press("alt+c", "Down"),
             lambda said: not any(s.startswith(("File", "Save As")) for s in said) and
             "Name: Screen Reader" in said),
            ("F6 reaches the tool bar",
             lambda: press("F6"),
             lambda said: "Finger query push button." in said),
            ("Right moves along the tool bar",
             lambda: press("Right"),
             lambda said: "WhoIs query push button." in said),
            ("Escape goes back from the tool bar to the answer",
             lambda: press("Escape"),
             lambda said: "Answer read only text." in said),
            ("the Finger dialog's tab order follows the screen",
             lambda: (press("alt+n", "Tab", "Tab", "Tab", "Escape")),
             lambda said: [s for s in said if s.endswith(("check box checked.", "button."))][:3] ==
             ["Full user info check box checked.", "Cancel push button.", "Finger push button."]),
            ("Find names its groups",
             lambda: press("F5", "Tab", "Tab", "Tab", "Tab", "Escape"),
             lambda said: [s for s in said if s.endswith("panel.")] ==
             ["Options panel.", "Direction panel.", "Origin panel."]),
            # Orca says the line, or only the found word when the focus comes back first;
            # KP_Up (Orca's "say current line") then reads the line in any case.
            ("the line a Find lands on is read whole",
             lambda: (press("F5"), desk.xdo("type", "--delay", "30", "Screen"),
                      press("Return", "KP_Up")),
             lambda said: any(s.startswith("Name: Screen Reader") for s in said)),
            ("the first Ctrl+Right after a Find says the word it moves over",
             lambda: with_control("Right"),
             lambda said: "Reader" in said),
            ("the DNS lookup dialog is named once, and the DNS info fields are read whole",
             lambda: (press("alt+d"), desk.xdo("type", "--delay", "30", "localhost"),
                      press("Return"), time.sleep(2), press("Tab")),
             lambda said: "DNS lookup dialog." in said and "localhost selected." in said and
             # the greyed alias list, which Tab passes over, is said as the dialog opens
             any(s.startswith("DNS info dialog Alias(es): None") for s in said)),
            ("entering a list says the entry the caret is on",
             lambda: press("Tab", "Tab", "Escape"),
             lambda said: "List with 1 item." in said and
             "127.0.0.1." in said[said.index("List with 1 item."):]),
            ("the alias list says the alias it shows",
             lambda: (press("alt+d"), desk.xdo("type", "--delay", "30", "named.test"),
                      press("Return"), time.sleep(2), press("Tab", "Tab", "Escape")),
             lambda said: any("www.named.test" in s for s in said)),
            ("Compare says each server as a check box with its state",
             lambda: (press("alt+r"), time.sleep(1), press("alt+m")),
             lambda said: any(s.startswith("System resolver check box checked") for s in said)),
            ("Space unticks a server and ticks it again, saying so each time",
             lambda: press("space", "space"),
             lambda said: said.count("not checked") == 1 and said.count("checked") == 1),
            ("after OK the Server field says the servers it now holds",
             lambda: press("Return", "Escape"),
             lambda said: any(s.startswith("Server: editable combo box") for s in said) and
             any("System resolver" in s for s in said)),
            ("F1 opens the help as a text the caret moves in",
             lambda: (press("F1"), time.sleep(2)),
             lambda said: "Help read only text." in said and all(len(s) < 400 for s in said)),
            ("Down reads the help a line at a time",
             lambda: press("Down"),
             lambda said: any(s.startswith("Vintrel asks Internet hosts") for s in said)),
            ("Tab reaches a link and says it",
             lambda: press("Tab"),
             lambda said: "The main window link." in said),
            ("Return follows the link and says where it went",
             lambda: (press("Return"), time.sleep(1)),
             lambda said: "The main window." in said),
            ("Down reads on from the topic the link went to",
             lambda: (press("Down"), press("Escape")),
             lambda said: any(s.startswith("The tool bar along the top") for s in said)),
            ("the chain's picture says what broke as its window opens",
             lambda: chain_of_trust("www.keyexpired.lab", lab),
             lambda said: any("Chain of trust: www.keyexpired.lab A" in s for s in said) and
             any("the DNSKEY set of keyexpired.lab. by key" in s for s in said)),
            ("the chain is read as text in the answer, its verdict first",
             lambda: (press("ctrl+w"), time.sleep(1), press("ctrl+Home", "Down")),
             lambda said: any(s.startswith("; Verdict: bogus.") for s in said)),
        ]
        marks = []
        for what, step, _ in steps:
            marks.append(now())
            step()
        marks.append(now())
        time.sleep(1)
        check(app.poll() is None, "the program runs to the end of the steps")
        app.kill()
        app.wait()
        if not check(session.end_orca(), "Orca ran to the end of the steps"):
            return
        spoken = spoken_lines(session.log)
        check(len(spoken) > 0, "Orca's log records what it said")
        for index, (what, _, heard) in enumerate(steps):
            said = [text for stamp, text in spoken if marks[index] <= stamp < marks[index + 1]]
            check(heard(said), f"{what}: {said}")
        check(not any("dialog dialog" in text for _, text in spoken),
              "no title is read as 'dialog dialog'")
        # The trickle before the change (one event per line and frame) sent about 55 a second
        # and left Orca seconds behind; its end must be heard at once.
        start = sent.get("slow@127.0.0.3", 0)
        streaming = TRICKLE_LINES * TRICKLE_GAP
        # From half a second in: the Finger dialog's own events have reached Orca by then.
        window = streaming - 0.5
        events = app_events(session.log, start + 0.5, start + streaming)
        texts = events[("object:text-changed:insert", "text")]
        statuses = events[("object:property-change:accessible-name", "label")]
        check(texts <= 3 * window and statuses <= 3 * window and
              sum(events.values()) <= 20 * window,
              f"a trickling answer is told a few times a second, not line by line ({texts} "
              f"insertions, {statuses} statuses, {sum(events.values())} events in {window:.1f} s)")
        ends = [stamp for stamp, text in spoken
                if text == f"Connection closed, {TRICKLE_LINES} lines."]
        check(ends and ends[0] - (start + streaming) < 1.5,
              f"Orca keeps up with a trickle: its end is heard "
              f"{(ends[0] - start - streaming) if ends else float('nan'):.1f} s after it")
    except OSError as error:
        check(False, f"the Orca session can be set up ({error})")
    finally:
        if app and app.poll() is None:
            app.kill()
        if session:
            session.close()
        for server in (finger, trickle, hold):
            if server:
                server.stop()
        if lab:
            lab.close()
        if os.environ.get("KEEP_ORCA_LOG"):
            print("log kept in", folder)
        else:
            shutil.rmtree(folder, ignore_errors=True)
    if FAILURES:
        print(f"Orca suite failed: {len(FAILURES)} failure(s)")
        sys.exit(1)
    print("Orca suite passed")


if __name__ == "__main__":
    main()

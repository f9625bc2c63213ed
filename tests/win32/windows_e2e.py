#!/usr/bin/python3
"""Odovex.exe under Wine on a private desktop (tests/rig), in a temporary directory of its own.

    windows_e2e.py SCENARIO ODOVEX_EXE WININJECT_EXE

Input goes in through SendInput from the helper (wininject.cpp), which also owns the windows
that are brought forward. Results are read from Odovex1.dat, which a cancelled log-off has
Odovex save while it goes on counting, and which Quit or the session's end saves last. Counts
are exact between two saves: the difference is what was injected, the keys that answer
questions included. The session's end is Wine's own (wineboot --end-session sends every
top-level window the log-off messages, then ends the programs); what Wine cannot show is a real
log-off of a Windows session, a real notification area, Raw Input from devices other than
SendInput, and foreground events (Wine sends none; Odovex asks on every tick there).
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "rig"))
from xrig import Desktop, wait_for  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
TEMPLATE = os.environ.get("ODOVEX_WINE_TEMPLATE", os.path.join(
    os.environ.get("ODOVEX_CACHE", os.path.expanduser("~/.cache/odovex")), "wine-prefix"))
WAIT_S = 30
RUN_S = 240  # a whole scenario, below ctest's limit so that the clean-up always runs
ARMED_S = 1.0  # the click detector arms 500 ms after start-up
# English, a 12 x 9 inch screen (the rig's is 1200 x 900 pixels: 0.01 inch a pixel), no date.
FRESH = [" 0 ", " 0 ", " 0 ", "False", "English", " 12 ", " 9 ", "Start", " 0 ", " 0 ", " 0 ", ""]
VK_RETURN, VK_MENU, VK_A, VK_E, VK_F, VK_H, VK_Q = 13, 18, 65, 69, 70, 72, 81
LINK = "Shortcut to Odovex.lnk"
# The helper's first window: 200 x 150 at 50, 50; its client area holds 150, 125.
INSIDE = (150, 125)


def within(what, check, seconds=WAIT_S):
    return wait_for(what, check, seconds)


class Injector:
    """wininject driven line by line; every answer is awaited at most WAIT_S seconds."""

    def __init__(self, process):
        self.process, self.pending = process, b""

    def send(self, command):
        os.write(self.process.stdin.fileno(), (command + "\n").encode())
        deadline = time.monotonic() + WAIT_S
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise AssertionError("wininject did not answer " + command)
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                raise AssertionError("wininject ended at " + command)
            self.pending += chunk
        answer, self.pending = self.pending.split(b"\n", 1)
        answer = answer.decode().strip()
        if not answer.startswith("ok"):
            raise AssertionError("wininject: %s -> %s" % (command, answer))
        return answer[2:].strip()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Run:
    def __init__(self, desktop, program, injector, directory, prefix):
        self.desktop, self.program, self.directory = desktop, program, directory
        desktop.env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.inject = Injector(desktop.spawn([WINE, injector], stdin=subprocess.PIPE,
                                             stdout=subprocess.PIPE, bufsize=0))
        # The helper's answer: Wine's server for the prefix runs (two first processes at once
        # race to start it).
        self.send("sleep 0")
        self.odovex = self.start()

    def start(self):
        # Standard error to a file: a pipe nobody reads while the test runs could fill.
        err = tempfile.TemporaryFile(dir=self.directory)
        process = self.desktop.spawn([WINE, self.program], cwd=self.directory, stderr=err)
        process.err = err
        return process

    def send(self, command):
        return self.inject.send(command)

    def describe(self):
        """What the program said and how it ended, and the screen, for a failed run."""
        state = self.odovex.poll()
        self.odovex.err.seek(0)
        print("Odovex.exe:", "running" if state is None else "ended with %d" % state,
              self.odovex.err.read().decode(errors="replace")[-2000:], file=sys.stderr)
        shot = os.path.join(tempfile.gettempdir(), "odovex-win-e2e-failed.png")
        subprocess.run(["import", "-window", "root", shot], env=self.desktop.env, check=False,
                       timeout=WAIT_S)
        print("the screen:", shot, file=sys.stderr)

    def find(self, title, besides=()):
        return within("a window " + title,
                      lambda: [w for w in self.send("find " + title).split() if w not in besides])

    def end(self, process):
        process.wait(WAIT_S)
        process.err.seek(0)
        return process.returncode, process.err.read().decode(errors="replace")

    def saved(self):
        with open(os.path.join(self.directory, "Odovex1.dat"), newline="") as data:
            lines = data.read().split("\r\n")
        assert len(lines) == 13 and lines[12] == "" and lines[7] != "Start", lines
        return lines

    def counts(self):
        lines = self.saved()
        return [round(float(lines[line]), 4) for line in (0, 1, 2)]  # clicks, windows, inches

    def use_desktop(self, main):
        """From a saved baseline: 10 window changes between two processes (where Wine shows no
        foreground window for a moment), 200 clicks (30 of them press and release at once), 100
        key taps and 10 inches of pointer travel, as a cancelled log-off saves them. Then the
        main window in front, and the counts saved there are returned."""
        first = self.send("window %d %d" % (50, 50))
        self.send("activate " + first)
        self.send("line %d %d 10000 1000" % INSIDE)  # one step
        self.send("sleep 300")
        base = self.saved_now(main)
        for turn in range(10):
            self.send("activate " + (main if turn % 2 == 0 else first))
            self.send("sleep 500")  # a tick sees each window, on a loaded machine too
        self.send("click 170 25 10000")
        self.send("click 30 10 0")
        self.send("tap %d 100 25 10000" % VK_A)
        # Straight lines seen at any ticks add up to their lengths: 600 and 400 pixels.
        x, y = INSIDE
        assert self.send("line %d %d 4 250" % (x + 600, y)) == "%d %d" % (x + 600, y)
        self.send("sleep 300")
        assert self.send("line %d %d 4 250" % (x + 600, y + 400)) == "%d %d" % (x + 600, y + 400)
        self.send("sleep 300")
        self.saved_now(main)
        self.expect(base, 300, 10, 10.0)
        # The main window in front, where it stays while other programs end with the session.
        self.send("activate " + main)
        self.send("sleep 300")
        return self.saved_now(main)

    def saved_now(self, main):
        """The counts as a cancelled log-off has them saved."""
        assert self.send("queryend " + main) != "refused"
        return self.counts()

    def expect(self, base, clicks, windows, inches):
        want = [base[0] + clicks, base[1] + windows, round(base[2] + inches, 4)]
        assert self.counts() == want, (base, self.counts(), want)


def quit_by_keyboard(run):
    main = run.find("Odovex")[0]
    time.sleep(ARMED_S)
    base = run.use_desktop(main)
    # The Quit button's access key: two clicks, Alt's and then Q's, whose press is remembered
    # past Alt's release since the sweep stopped at Alt.
    run.send("keys %d %d" % (VK_MENU, VK_Q))
    run.send("activate " + run.find("Exit Odovex")[0])  # a window
    run.send("tap %d 1 10 10000" % VK_RETURN)  # Yes is the default button: a click
    assert run.end(run.odovex)[0] == 0
    run.expect(base, 3, 1, 0.0)


def session_end(run):
    """Wine's own end of the session: every program's top-level windows are asked and told."""
    main = run.find("Odovex")[0]
    time.sleep(ARMED_S)
    base = run.use_desktop(main)
    run.send("tap %d 20 25 10000" % VK_A)  # clicks that only the session's end saves
    subprocess.run([WINE, "wineboot", "--end-session"], env=run.desktop.env, check=True,
                   timeout=WAIT_S)
    assert run.end(run.odovex)[0] == 0
    run.expect(base, 20, 0, 0.0)


def second_start(run):
    main = run.find("Odovex")[0]
    time.sleep(ARMED_S)
    with open(os.path.join(run.directory, "Odovex1.dat"), "rb") as data:
        before = data.read()
    second = run.start()
    box = run.find("Odovex", besides=[main])[0]
    run.send("activate " + box)
    run.send("tap %d 1 10 10000" % VK_RETURN)
    code, err = run.end(second)
    assert code == 1 and "Odovex is already running." in err, (code, err)
    with open(os.path.join(run.directory, "Odovex1.dat"), "rb") as data:
        assert data.read() == before
    assert run.odovex.poll() is None
    # File > History...: the History window opens with what the zip holds.
    run.send("activate " + main)
    run.send("keys %d %d" % (VK_MENU, VK_F))
    run.send("tap %d 1 10 10000" % VK_H)
    run.find("Odovex History")
    run.send("endsession " + main)
    assert run.end(run.odovex)[0] == 0
    run.saved()


def from_zip(run):
    """The zip unpacked and Odovex.exe started in its folder, as a double-click does: its own
    initial record opens the setup dialog alone, and the run's end saves the record there."""
    setup = run.find("Odovex Setup")[0]
    assert run.send("find Odovex") == "", "the main window is shown"
    run.send("endsession " + setup)
    assert run.end(run.odovex)[0] == 0
    assert run.saved()[3:7] == ["False", "", " 0 ", " 0 "]


def link(run):
    return run.send("link " + LINK).split("\t")


def autostart_start(run):
    """AutoStart stored on: the shortcut is made anew, the splash is topmost, and then no main
    window shows."""
    splash = run.find("Form1")[0]
    assert run.send("topmost " + splash) == "1"
    target, directory = within("the shortcut", lambda: link(run) != ["none"] and link(run))
    assert target.lower() == windows_path(run.program).lower(), target
    assert directory.lower() == windows_path(run.directory).lower(), directory
    # The splash goes from the running loop, once Odovex has loaded (an end before that has
    # nothing to save).
    within("the splash gone", lambda: run.send("find Form1") == "")
    assert run.send("find Odovex") == "", "the main window is shown"
    run.send("endsession " + splash)
    assert run.end(run.odovex)[0] == 0
    assert run.saved()[3] == "True"


def autostart_toggle(run):
    """Ticking AutoStart makes the shortcut at once, unticking removes it."""
    main = run.find("Odovex")[0]
    time.sleep(ARMED_S)
    assert link(run) == ["none"]
    run.send("activate " + main)
    run.send("keys %d %d" % (VK_MENU, VK_E))  # Setup
    setup = run.find("Odovex Setup")[0]
    run.send("activate " + setup)
    run.send("keys %d %d" % (VK_MENU, VK_A))
    target, directory = within("the shortcut", lambda: link(run) != ["none"] and link(run))
    assert target.lower() == windows_path(run.program).lower(), target
    assert directory.lower() == windows_path(run.directory).lower(), directory
    run.send("keys %d %d" % (VK_MENU, VK_A))
    within("the shortcut removed", lambda: link(run) == ["none"])
    run.send("endsession " + setup)
    assert run.end(run.odovex)[0] == 0
    assert run.saved()[3] == "False"


SCENARIOS = {
    "quit": (quit_by_keyboard, {}),
    "session_end": (session_end, {}),
    "second_start": (second_start, {}),
    "autostart_start": (autostart_start, {3: "True"}),
    "autostart_toggle": (autostart_toggle, {}),
    "from_zip": (from_zip, None),  # the zip's own files
}
# Scenarios on a monitor scaled to 200 %: travel still counts the monitor's own pixels.
DPI = {"session_end": 192}


def main():
    scenario, program, injector = sys.argv[1], *map(os.path.abspath, sys.argv[2:4])
    test, changed = SCENARIOS[scenario]
    if not os.path.isfile(os.path.join(TEMPLATE, "system.reg")):
        sys.exit("no Wine prefix at %s; scripts/windows.sh prepares it" % TEMPLATE)

    def overdue(*_):
        raise AssertionError("the scenario took longer than %d s" % RUN_S)

    signal.signal(signal.SIGALRM, overdue)
    signal.signal(signal.SIGTERM, overdue)
    signal.alarm(RUN_S)
    directory = top = tempfile.mkdtemp(prefix="odovex-win-e2e-%s-" % scenario)
    prefix = tempfile.mkdtemp(prefix="prefix-", dir=os.path.dirname(TEMPLATE))
    try:
        subprocess.run(["cp", "-al", TEMPLATE + "/.", prefix], check=True)
        # Wine writes the registry into a file with other links in place: copies of its own.
        for hive in ("system.reg", "user.reg", "userdef.reg"):
            with open(os.path.join(TEMPLATE, hive), encoding="utf-8") as source:
                text = source.read().replace('"LogPixels"=dword:00000060',
                                             '"LogPixels"=dword:%08x' % DPI.get(scenario, 96))
            os.unlink(os.path.join(prefix, hive))
            with open(os.path.join(prefix, hive), "w", encoding="utf-8") as copy:
                copy.write(text)
        if changed is None:
            with zipfile.ZipFile(os.path.dirname(program) + ".zip") as packed:
                packed.extractall(directory)
            directory = os.path.join(directory, os.path.basename(os.path.dirname(program)))
            program = os.path.join(directory, os.path.basename(program))
        else:
            lines = [changed.get(number, line) for number, line in enumerate(FRESH)]
            with open(os.path.join(directory, "Odovex1.dat"), "w", newline="") as data:
                data.write("".join(line + "\r\n" for line in lines))
        with Desktop() as desktop:
            run = None
            try:
                run = Run(desktop, program, injector, directory, prefix)
                test(run)
            except BaseException:
                if run:
                    run.describe()
                raise
            finally:
                signal.alarm(0)
                # Every Wine process of the prefix ends, and is waited for.
                for stop in ("-k", "-w"):
                    subprocess.run([WINESERVER, stop], env=dict(os.environ, WINEPREFIX=prefix),
                                   stderr=subprocess.DEVNULL, timeout=WAIT_S)
        print("ok:", scenario)
    finally:
        shutil.rmtree(top, ignore_errors=True)
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()

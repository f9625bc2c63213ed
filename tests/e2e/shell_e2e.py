#!/usr/bin/python3
"""The real program on a private desktop (tests/rig), in a temporary directory of its own.

    shell_e2e.py SCENARIO ODOVEX XINJECT

Input goes in through XTest; results are read from Odovex1.dat once the run has ended. Counts
are lower bounds: the keys that answer the questions count as clicks too.
"""

import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "rig"))
from xrig import Desktop, wait_for  # noqa: E402

WAIT_S = 15
ARMED_S = 1.0  # the click detector arms 500 ms after start-up
# English, a 12 x 9 inch screen (the rig's is 1200 x 900 pixels: 0.01 inch a pixel), no date.
FRESH = [" 0 ", " 0 ", " 0 ", "False", "English", " 12 ", " 9 ", "Start", " 0 ", " 0 ", " 0 ", ""]
# Lines that a scenario's file holds in place of the fresh ones.
CHANGED = {"first_start": {5: " 0 ", 6: " 0 "}, "autostart": {3: "True"},
           "full_counter": {8: " 922337203685477.5807 "}}
ODD = b"counts \xff\xfe"  # a directory name that is not UTF-8
LINKED = b"../kept/counts.dat"  # where its Odovex1.dat points
SETUP_TWIPS = 3360  # the setup dialog's client width
ENTRY = os.path.join("autostart", "Shortcut to Odovex.desktop")
# Either of the two marks of a Wayland session.
WAYLAND = {"wayland": {"WAYLAND_DISPLAY": "wayland-0"},
           "wayland_tray": {"XDG_SESSION_TYPE": "wayland"}}


def within(what, check, seconds=WAIT_S):
    return wait_for(what, check, seconds)


class Run:
    def __init__(self, desktop, program, injector, directory):
        self.desktop, self.program, self.directory = desktop, program, directory
        self.inject = desktop.injector(injector)
        self.odovex = self.start()

    def start(self, *env, cwd=None):
        """Starts the program, with the environment's settings `env` ("NAME=value", or "-u" and
        a name) changed, in its directory or `cwd`."""
        return self.desktop.spawn(["env", *env, self.program], cwd=cwd or self.directory,
                                  stderr=subprocess.PIPE, text=True)

    def x(self, *argv):
        return subprocess.run(argv, env=self.desktop.env, capture_output=True, text=True).stdout

    def windows(self, process, title="Odovex"):
        """Visible windows of the process with the title (the main window, a message box), or
        all of them when the title is None (a tray icon's name is not matched)."""
        name = [] if title is None else ["--name", "^%s$" % title]
        return self.x("xdotool", "search", "--all", "--onlyvisible", "--pid", str(process.pid),
                      *name).split()

    def window(self, process, title="Odovex"):
        return within("a window " + title, lambda: self.windows(process, title))[0]

    def geometry(self, window):
        value = dict(line.split(":", 1) for line in self.x("xwininfo", "-id", window).splitlines()
                     if ":" in line)
        return [int(value["  " + key]) for key in ("Absolute upper-left X", "Absolute upper-left Y",
                                                   "Width", "Height")]

    def point_at(self, window, dx=0):
        x, y, width, height = self.geometry(window)
        self.inject.send("line %d %d 2 1000" % (x + width // 2 + dx, y + height // 2))
        self.inject.send("sleep 20")

    def click_twips(self, window, x, y, form_width):
        """A left click at x, y twips in the client area of a window form_width twips wide."""
        left, top, width = self.geometry(window)[:3]
        scale = width / form_width
        self.inject.send("moveto %d %d" % (left + x * scale, top + y * scale))
        self.inject.send("click 1 1 10")

    def tap(self, keys):
        """Taps in turn, into the focused window: keysym names, or the characters of a text."""
        for key in keys:
            self.inject.send("tap %s 1 20" % {".": "period"}.get(key, key))

    def keys(self, window, *keys):
        self.inject.send("activate " + window)
        for key in keys:
            self.inject.send("keydown " + key)
        for key in reversed(keys):
            self.inject.send("keyup " + key)

    def end(self, process, sig=None):
        if sig:
            process.send_signal(sig)
        process.wait(WAIT_S)
        return process.returncode, process.stderr.read()

    def saved(self):
        with open(os.path.join(os.fsencode(self.directory), b"Odovex1.dat"), newline="") as data:
            lines = data.read().split("\r\n")
        assert len(lines) == 13 and lines[12] == "" and lines[7] != "Start", lines
        return lines

    def counts(self):
        return [float(self.saved()[line]) for line in (0, 1, 2)]  # clicks, windows, inches today

    def history(self):
        """OdovexHistory.csv: the counts of each day, by ISO date."""
        with open(os.path.join(os.fsencode(self.directory), b"OdovexHistory.csv"),
                  newline="") as data:
            lines = data.read().split("\n")
        assert lines[0] == "date,clicks,windows,travel_inches" and lines[-1] == "", lines
        return {day: [float(count) for count in counts]
                for day, *counts in (line.split(",") for line in lines[1:-1])}

    def use_desktop(self):
        """Ten window changes, ten left clicks, more than 600 pixels (6 inches) of travel."""
        self.window(self.odovex)
        time.sleep(ARMED_S)
        first, second = self.inject.send("window"), self.inject.send("window")
        for turn in range(10):
            self.inject.send("activate " + (first if turn % 2 == 0 else second))
            self.inject.send("sleep 20")  # a tick sees each window
        self.point_at(second)
        self.inject.send("click 1 10 100")
        self.point_at(second, 300)
        self.point_at(second)

    def expect_counted(self):
        clicks, windows, inches = self.counts()
        assert clicks >= 10 and windows >= 10 and inches >= 6.0, (clicks, windows, inches)
        # Today's row holds the saved Today counts, whose click line has the pending clicks in.
        today = time.strftime("%Y-%m-%d")
        assert self.history() == {today: [clicks, windows, inches]}, (today, self.history())


def answer_quit(run):
    run.keys(run.window(run.odovex), "Alt_L", "q")  # the Quit button's access key
    run.keys(run.window(run.odovex, "Exit Odovex"), "Return")  # Yes is the default button
    assert run.end(run.odovex)[0] == 0


def quit_by_keyboard(run):
    run.use_desktop()
    answer_quit(run)
    run.expect_counted()


def desktop_ends(run, end):
    run.use_desktop()
    end()
    run.end(run.odovex)
    run.expect_counted()


def second_start(run):
    """Refused by the user's lock whatever the environment, from a directory of its own too, and
    by the statistics file's."""
    run.window(run.odovex)
    with tempfile.TemporaryDirectory() as runtime, tempfile.TemporaryDirectory() as other:
        with open(os.path.join(other, "Odovex1.dat"), "w", newline="") as data:
            data.write("".join(line + "\r\n" for line in FRESH))
        for env, cwd in (([], None), (["XDG_RUNTIME_DIR=" + runtime], other),
                         (["-u", "XDG_RUNTIME_DIR"], other)):
            second = run.start(*env, cwd=cwd)
            run.keys(run.window(second), "Return")
            code, err = run.end(second)
            assert code == 1 and "Odovex is already running." in err, (env, cwd, code, err)
    time.sleep(ARMED_S)
    run.inject.send("click 1 5 100")
    assert run.end(run.odovex, signal.SIGTERM)[0] == 0
    assert run.counts()[0] >= 5, run.counts()


def refused(run, before):
    run.keys(run.window(run.odovex), "Return")
    code, err = run.end(run.odovex)
    assert code == 1 and "cannot load" in err, (code, err)
    names = sorted(os.listdir(run.directory))
    assert names == ([] if before is None else ["Odovex1.dat", "Odovex1.dat.lock"]), names
    if before is not None:
        with open(os.path.join(run.directory, "Odovex1.dat"), "rb") as data:
            assert data.read() == before


def tray(run):
    """A close by the frame hides the window to the tray; a click on the icon brings it back."""
    main = within("the main window", lambda: [w for w in run.windows(run.odovex)
                                              if run.geometry(w)[2] > 100])[0]
    icon = within("the tray icon", lambda: set(run.windows(run.odovex, None)) - {main}).pop()
    run.keys(main, "Alt_L", "F4")
    within("the window hidden", lambda: "IsViewable" not in run.x("xwininfo", "-id", main))
    assert run.odovex.poll() is None
    run.point_at(icon)
    run.inject.send("click 1 1 10")
    within("the window shown", lambda: "IsViewable" in run.x("xwininfo", "-id", main))
    # A right click opens the icon's menu; its History... opens the History window.
    run.inject.send("click 3 1 10")
    time.sleep(ARMED_S)
    run.tap("h")
    run.window(run.odovex, "Odovex History")
    assert run.end(run.odovex, signal.SIGTERM)[0] == 0


def hidden(run, window):
    return "IsViewable" not in run.x("xwininfo", "-id", window)


def setup_alone(run):
    """A zero screen dimension leaves the setup dialog alone on the screen until its OK, which
    shows the main window; the dimensions typed are 12.5 by 9."""
    setup = run.window(run.odovex, "Odovex Setup")
    time.sleep(ARMED_S)  # time for a window shown after it
    assert run.windows(run.odovex, None) == [setup], run.windows(run.odovex, None)
    for top, text in ((1800, "12.5"), (2400, "9")):  # txtXDim, txtYDim: 1215 x 285 at left 240
        run.click_twips(setup, 240 + 1215 // 2, top + 285 // 2, SETUP_TWIPS)
        run.tap(["Home", "Delete"])  # the box holds the stored 0
        run.tap(text)
    run.keys(setup, "Alt_L", "o")
    run.window(run.odovex)
    within("the setup dialog hidden", lambda: hidden(run, setup))


def first_start(run):
    setup_alone(run)
    answer_quit(run)
    assert [line.strip() for line in run.saved()[5:7]] == ["12.5", "9"], run.saved()


def autostart(run):
    """A start with AutoStart on: the splash above every window for about five seconds, then only
    the tray icon; the login entry is made anew."""
    splash = run.window(run.odovex, "Form1")
    shown = time.monotonic()
    other = run.inject.send("window")
    run.inject.send("activate " + other)
    stacking = run.x("xprop", "-root", "_NET_CLIENT_LIST_STACKING").split("#")[-1]
    order = [int(window, 16) for window in stacking.split(",")]
    assert order.index(int(splash)) > order.index(int(other)), (splash, other, stacking)
    state = run.x("xprop", "-id", splash, "_NET_WM_STATE")
    assert "_NET_WM_STATE_ABOVE" in state, state

    def splash_gone():
        assert not run.windows(run.odovex), "the main window was shown"
        return hidden(run, splash)

    within("the splash hidden", splash_gone, 20)
    assert 3 <= time.monotonic() - shown <= 20, time.monotonic() - shown
    time.sleep(ARMED_S)
    icons = run.windows(run.odovex, None)
    assert not run.windows(run.odovex), "the main window was shown"  # the only one named Odovex
    assert len(icons) == 1 and run.geometry(icons[0])[2] < 100, icons
    with open(os.path.join(run.desktop.env["XDG_CONFIG_HOME"], ENTRY)) as entry:
        keys = dict(line.split("=", 1) for line in entry.read().splitlines() if "=" in line)
    # The program file that runs, which lies elsewhere, started in the statistics' directory.
    assert keys["Exec"] == '"%s"' % os.path.realpath(run.program), keys
    assert keys["Path"] == os.path.realpath(run.directory), keys
    assert run.end(run.odovex, signal.SIGTERM)[0] == 0


def odd_directory(run):
    """A directory whose name is not UTF-8, its statistics file a link to a file elsewhere."""
    desktop_ends(run, lambda: run.odovex.send_signal(signal.SIGTERM))
    link = os.path.join(run.directory, b"Odovex1.dat")
    assert os.readlink(link) == LINKED, os.readlink(link)
    # The lock and the temporary files of the saves beside the file itself; the history in the
    # directory Odovex runs in.
    names = sorted(os.listdir(run.directory))
    assert names == [b"Odovex1.dat", b"OdovexHistory.csv"], names
    kept = sorted(os.listdir(os.path.dirname(os.path.join(run.directory, LINKED))))
    assert kept == [b"counts.dat", b"counts.dat.lock"], kept


def full_counter(run):
    """A click total at the end of its range stays there while the saves go on; a last save
    that fails ends the run with status 1."""
    run.use_desktop()
    assert run.end(run.odovex, signal.SIGTERM)[0] == 0
    assert run.saved()[8] == " 922337203685477.5807 ", run.saved()
    run.expect_counted()
    run.odovex = run.start()
    run.window(run.odovex)
    data = os.path.join(run.directory, "Odovex1.dat")
    os.remove(data)
    os.mkdir(data)  # no file fits there
    code, err = run.end(run.odovex, signal.SIGTERM)
    assert code == 1 and "could not save Odovex1.dat" in err, (code, err)


def soak(run, rounds=200):
    """Runs ended by SIGTERM and killed at a random moment of the save it starts, each followed by
    a start: the files always load, never hold more than was counted (window changes made and
    Odovex's own) nor less than a completed save wrote, and no temporary file outlives a start."""
    windows, total, cut, most_left = [run.inject.send("window") for _ in range(2)], 0.0, 0, 0
    run.window(run.odovex)
    started = time.monotonic()
    run.end(run.odovex, signal.SIGTERM)
    save_s = time.monotonic() - started  # from the signal to the end of an uncut save
    for turn in range(rounds + 1):
        run.odovex = run.start()
        run.window(run.odovex)  # loaded: the signal now saves
        for window in windows:
            run.inject.send("activate " + window)
        run.odovex.send_signal(signal.SIGTERM)
        time.sleep(random.uniform(0, save_s) if turn < rounds else save_s * 5)
        run.odovex.kill()
        assert "cannot load" not in run.end(run.odovex)[1], turn
        counted, today = float(run.saved()[9]), float(run.saved()[1])
        assert total <= counted <= 4 * (turn + 2), (turn, total, counted)
        cut, total = cut + (counted == total), counted
        assert run.history().get(time.strftime("%Y-%m-%d"), [0, 0])[1] <= today, turn
        left = [name for name in os.listdir(run.directory) if re.fullmatch(
            r"(Odovex1\.dat|OdovexHistory\.csv)\.[A-Za-z0-9]{6}", name)]
        most_left = max(most_left, len(left))
    assert not left and run.history()[time.strftime("%Y-%m-%d")][1] == today, (left, today)
    print("soak: %d rounds, %d saves cut, at most %d temporary files at once, none at the end"
          % (rounds, cut, most_left))


def wayland(run, tray):
    """A Wayland session: one notice that waits for no answer, a balloon over the tray icon or
    else a message box beside the main window, and counting as ever."""
    run.window(run.odovex)
    if tray:
        within("the balloon", lambda: len(run.windows(run.odovex, None)) == 3)
    else:
        within("the message box", lambda: len(run.windows(run.odovex)) == 2)
    run.use_desktop()
    assert len(run.windows(run.odovex)) == (1 if tray else 2), run.windows(run.odovex)
    code, err = run.end(run.odovex, signal.SIGTERM)
    notices = [line for line in err.splitlines() if "Wayland" in line]
    assert code == 0 and len(notices) == 1, (code, err)
    run.expect_counted()


def main():
    scenario, program, injector = sys.argv[1:4]
    if scenario == "no_display":
        env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        ran = subprocess.run([program], env=env, capture_output=True, text=True, timeout=WAIT_S)
        assert ran.returncode == 1 and len(ran.stderr.splitlines()) == 1, ran
        return print("no_display: passed")
    with tempfile.TemporaryDirectory() as directory, tempfile.TemporaryDirectory() as runtime:
        before = None
        if scenario != "missing":
            lines = FRESH[:11] if scenario == "cut_short" else list(FRESH)
            for line, text in CHANGED.get(scenario, {}).items():
                lines[line] = text
            before = "".join(line + "\r\n" for line in lines).encode()
            data_file = os.path.join(directory, "Odovex1.dat")
            if scenario == "odd_directory":
                os.mkdir(os.path.join(directory, "kept"))
                directory = os.path.join(os.fsencode(directory), ODD)
                os.mkdir(directory)
                data_file = os.path.join(directory, LINKED)
                os.symlink(LINKED, os.path.join(directory, b"Odovex1.dat"))
            with open(data_file, "wb") as data:
                data.write(before)
        with Desktop() as desktop:
            # This run's single-instance lock, apart from every other run's.
            desktop.env["XDG_RUNTIME_DIR"] = runtime
            desktop.env.update(WAYLAND.get(scenario, {}))
            if scenario in ("tray", "autostart", "wayland_tray"):
                desktop.spawn(["trayer", "--edge", "bottom", "--widthtype", "pixel", "--width",
                               "100", "--height", "24"])
                within("the tray", lambda: "trayer" in subprocess.run(
                    ["xwininfo", "-root", "-tree"], env=desktop.env, capture_output=True,
                    text=True).stdout)
            run = Run(desktop, program, injector, directory)
            {"quit": lambda: quit_by_keyboard(run),
             "lost": lambda: desktop_ends(run, desktop.xvfb.kill),
             "second_start": lambda: second_start(run),
             "missing": lambda: refused(run, before),
             "cut_short": lambda: refused(run, before),
             "tray": lambda: tray(run),
             "first_start": lambda: first_start(run),
             "autostart": lambda: autostart(run),
             "odd_directory": lambda: odd_directory(run),
             "full_counter": lambda: full_counter(run),
             "soak": lambda: soak(run),
             "wayland": lambda: wayland(run, tray=False),
             "wayland_tray": lambda: wayland(run, tray=True)}[scenario]()
    print("%s: passed" % scenario)


if __name__ == "__main__":
    main()

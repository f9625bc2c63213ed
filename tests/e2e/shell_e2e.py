#!/usr/bin/python3
"""The real program on a private desktop (tests/rig), in a temporary directory of its own.

    shell_e2e.py SCENARIO ODOVEX XINJECT

Input goes in through XTest; results are read from Odovex1.dat after the run ends. Counts are
checked as lower bounds: the keys that answer the questions count as clicks too.
"""

import os
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "rig"))
from xrig import Desktop  # noqa: E402

WAIT_S = 15
ARMED_S = 1.0  # the click detector arms 500 ms after start-up
# English, a 12 x 9 inch screen (the rig's is 1200 x 900 pixels: 0.01 inch a pixel), no date.
FRESH = [" 0 ", " 0 ", " 0 ", "False", "English", " 12 ", " 9 ", "Start", " 0 ", " 0 ", " 0 ", ""]


def within(what, check):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        found = check()
        if found:
            return found
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Odovex:
    def __init__(self, desktop, program, directory):
        self.desktop = desktop
        self.process = desktop.spawn([program], cwd=directory, stderr=subprocess.PIPE, text=True)

    def windows(self, title="Odovex"):
        """Visible windows of this process with the title (the main window, a message box), or
        all of them (the tray icon's too: its name is not matched) when the title is None."""
        name = [] if title is None else ["--name", "^%s$" % title]
        found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                                str(self.process.pid)] + name,
                               env=self.desktop.env, capture_output=True, text=True)
        return found.stdout.split()

    def window(self, title="Odovex"):
        return within("a window " + title, lambda: self.windows(title))[0]

    def end(self):
        assert self.process.wait(WAIT_S) is not None
        return self.process.returncode, self.process.stderr.read()


def geometry(desktop, window):
    info = subprocess.run(["xwininfo", "-id", window], env=desktop.env, capture_output=True,
                          text=True).stdout
    value = {line.split(":")[0].strip(): line.split(":")[1].strip()
             for line in info.splitlines() if ":" in line}
    return (int(value["Absolute upper-left X"]), int(value["Absolute upper-left Y"]),
            int(value["Width"]), int(value["Height"]))


def counts(directory):
    with open(os.path.join(directory, "Odovex1.dat"), newline="") as data:
        lines = data.read().split("\r\n")
    assert len(lines) == 13 and lines[12] == "", lines
    return {"clicks": float(lines[0]), "windows": float(lines[1]), "travel": float(lines[2]),
            "since": lines[7]}


def use_desktop(desktop, inject, odovex):
    """Ten window changes, ten left clicks, at least 600 pixels (6 inches) of cursor travel."""
    odovex.window()
    time.sleep(ARMED_S)
    first, second = inject.send("window"), inject.send("window")
    for turn in range(10):
        inject.send("activate " + (first if turn % 2 == 0 else second))
        inject.send("sleep 20")
    x, y, width, height = geometry(desktop, second)
    inject.send("moveto %d %d" % (x + width // 2, y + height // 2))
    inject.send("sleep 20")
    inject.send("click 1 10 100")
    inject.send("line %d %d 2 1000" % (x + width // 2 + 300, y + height // 2))
    inject.send("sleep 20")
    inject.send("line %d %d 2 1000" % (x + width // 2, y + height // 2))
    inject.send("sleep 100")


def expect_counted(directory):
    got = counts(directory)
    assert got["clicks"] >= 10 and got["windows"] >= 10, got
    assert got["travel"] >= 6.0, got
    assert got["since"] != "Start", got


def answer(inject, window, keys):
    inject.send("activate " + window)
    for key in keys:
        inject.send("keydown " + key)
    for key in reversed(keys):
        inject.send("keyup " + key)


def quit_by_keyboard(desktop, inject, odovex, directory):
    use_desktop(desktop, inject, odovex)
    answer(inject, odovex.window(), ["Alt_L", "q"])  # the Quit button's access key
    answer(inject, odovex.window("Exit Odovex"), ["Return"])  # Yes is the default button
    assert odovex.end()[0] == 0
    expect_counted(directory)


def sigterm(desktop, inject, odovex, directory):
    use_desktop(desktop, inject, odovex)
    odovex.process.send_signal(signal.SIGTERM)
    assert odovex.end()[0] == 0
    expect_counted(directory)


def lost(desktop, inject, odovex, directory):
    use_desktop(desktop, inject, odovex)
    desktop.xvfb.kill()
    odovex.end()
    expect_counted(directory)


def second_start(desktop, inject, odovex, directory, program):
    odovex.window()
    second = Odovex(desktop, program, directory)
    answer(inject, second.window(), ["Return"])
    code, err = second.end()
    assert code == 1 and "Odovex is already running." in err, (code, err)
    time.sleep(ARMED_S)
    inject.send("click 1 5 100")
    odovex.process.send_signal(signal.SIGTERM)
    assert odovex.end()[0] == 0
    assert counts(directory)["clicks"] >= 5, counts(directory)


def refused(desktop, inject, odovex, directory, before):
    answer(inject, odovex.window(), ["Return"])
    code, err = odovex.end()
    assert code == 1 and "cannot load" in err, (code, err)
    left = sorted(os.listdir(directory))
    assert left == ([] if before is None else ["Odovex1.dat"]), left
    if before is not None:
        with open(os.path.join(directory, "Odovex1.dat"), "rb") as data:
            assert data.read() == before


def viewable(desktop, window):
    info = subprocess.run(["xwininfo", "-id", window], env=desktop.env, capture_output=True,
                          text=True).stdout
    return "IsViewable" in info


def tray(desktop, inject, odovex, directory):
    """A close by the frame hides the window to the tray; a click on the icon brings it back."""
    main = within("the main window", lambda: [w for w in odovex.windows()
                                              if geometry(desktop, w)[2] > 100])[0]
    icon = within("the tray icon", lambda: [w for w in odovex.windows(None) if w != main])[0]
    answer(inject, main, ["Alt_L", "F4"])
    within("the window hidden", lambda: not viewable(desktop, main))
    assert odovex.process.poll() is None
    x, y, width, height = geometry(desktop, icon)
    inject.send("moveto %d %d" % (x + width // 2, y + height // 2))
    inject.send("click 1 1 10")
    within("the window shown", lambda: viewable(desktop, main))
    odovex.process.send_signal(signal.SIGTERM)
    assert odovex.end()[0] == 0


def no_display(program):
    env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
    run = subprocess.run([program], env=env, capture_output=True, text=True, timeout=WAIT_S)
    assert run.returncode == 1 and len(run.stderr.splitlines()) == 1, run


def main():
    scenario, program, injector = sys.argv[1:4]
    if scenario == "no_display":
        no_display(program)
        print("%s: passed" % scenario)
        return
    with tempfile.TemporaryDirectory() as directory, tempfile.TemporaryDirectory() as runtime:
        os.chmod(runtime, 0o700)
        before = None
        if scenario != "missing":
            lines = FRESH[:11] if scenario == "cut_short" else FRESH
            before = "".join(line + "\r\n" for line in lines).encode()
            with open(os.path.join(directory, "Odovex1.dat"), "wb") as data:
                data.write(before)
        with Desktop() as desktop:
            # The lock of this run's one instance, apart from every other run's.
            desktop.env["XDG_RUNTIME_DIR"] = runtime
            inject = desktop.injector(injector)
            if scenario == "tray":
                desktop.spawn(["trayer", "--edge", "bottom", "--widthtype", "pixel", "--width",
                               "100", "--height", "24"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
                within("the tray", lambda: "trayer" in subprocess.run(
                    ["xwininfo", "-root", "-tree"], env=desktop.env, capture_output=True,
                    text=True).stdout)
            odovex = Odovex(desktop, program, directory)
            if scenario in ("missing", "cut_short"):
                refused(desktop, inject, odovex, directory, before)
            elif scenario == "second_start":
                second_start(desktop, inject, odovex, directory, program)
            else:
                {"quit": quit_by_keyboard, "sigterm": sigterm, "lost": lost, "tray": tray}[scenario](
                    desktop, inject, odovex, directory)
    print("%s: passed" % scenario)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The X11 probes and the engine on a private desktop, input injected through XTest.

    rig_test.py SCENARIO HARNESS XINJECT

Each scenario starts its own desktop, runs odovex_probe_harness on it, drives it with xinject,
and compares the harness's counts before and after. No timing is asserted: waits only give the
harness time to tick through what it was sent.
"""

import math
import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "rig"))
from xrig import Desktop  # noqa: E402

SETTLE_S = 0.5  # two batches of ticks and more
EXIT_TIMEOUT_S = 10
WAIT_S = 10


class Harness:
    def __init__(self, desktop, path, *options, driven=True):
        """Driven, the ticks run as in the program (TickDriver: batched over the events' server
        times, resting while idle); else one plain tick a millisecond."""
        argv = [path, *options] + (["--rest"] if driven else [])
        self.process = desktop.spawn(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True)
        line = self.process.stdout.readline().strip()
        if line != "armed":
            raise AssertionError("harness did not start: %r" % line)

    def _read(self):
        values = {}
        for line in self.process.stdout:
            line = line.strip()
            if line == "--":
                return values
            key, _, value = line.partition("=")
            values[key] = _number(value)
        raise AssertionError("harness ended without a report")

    def report(self):
        time.sleep(SETTLE_S)
        self.process.send_signal(signal.SIGUSR1)
        return self._read()

    def touch(self, *lines):
        """Raw touch events for the backend: "begin ID", "update ID", "end ID"."""
        self.process.stdin.write("".join(line + "\n" for line in lines))
        self.process.stdin.flush()

    def wait_for(self, key, value):
        """The first report whose key holds value, or the last one after WAIT_S."""
        deadline = time.monotonic() + WAIT_S
        while True:
            values = self.report()
            if values[key] == value or time.monotonic() > deadline:
                return values

    def stop(self):
        self.process.terminate()
        values = self._read()
        assert self.process.wait(EXIT_TIMEOUT_S) == 0
        return values


def _number(text):
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text


def expect_gain(before, after, key, gain, what):
    got = after[key] - before[key]
    if got != gain:
        raise AssertionError("%s: %s grew by %s, expected %s\nbefore %s\nafter  %s"
                             % (what, key, got, gain, before, after))


def clicks(desktop, harness, inject):
    steps = [("click 1 200 100", 200, "200 left clicks at 100/s"),
             ("click 1 200 100 0", 200, "200 clicks, press and release in the same ms"),
             ("click 3 20 50", 20, "right clicks"),
             ("click 8 10 50\nclick 9 10 50", 20, "back and forward"),
             ("click 4 20 50\nclick 5 20 50\nclick 6 20 50\nclick 7 20 50", 0, "the wheel")]
    for commands, gain, what in steps:
        before = harness.report()
        for command in commands.split("\n"):
            inject.send(command)
        expect_gain(before, harness.report(), "clicks", gain, what)


def keys(desktop, harness, inject):
    before = harness.report()
    inject.send("keydown a")
    inject.send("sleep 2000")  # the server repeats the key all along
    inject.send("keyup a")
    expect_gain(before, harness.report(), "clicks", 1, "a key held for 2 s")

    before = harness.report()
    inject.send("keydown a")
    inject.send("tap b 1 10")
    held = harness.report()
    expect_gain(before, held, "clicks", 1, "a higher key pressed while a lower one is held")
    inject.send("keyup a")
    # b was pressed and never queried: it answers once the lower key has gone.
    expect_gain(held, harness.report(), "clicks", 1, "the higher key's press, remembered")

    for command, gain, what in (("tap space 50 200 0", 50, "taps within one millisecond"),
                                ("tap space 50 1000 0", 50, "such taps a millisecond apart"),
                                ("tap a 100 20", 100, "100 key taps")):
        before = harness.report()
        inject.send(command)
        expect_gain(before, harness.report(), "clicks", gain, what)


def held_at_start(desktop, harness_path, inject):
    inject.send("keydown Shift_L")
    inject.send("press 3")
    harness = Harness(desktop, harness_path)
    start = harness.report()
    assert start["clicks"] == 1, start  # the right button (code 2) is the lowest
    inject.send("release 3")  # Shift (16) now answers
    inject.send("keyup Shift_L")
    inject.send("tap a 1 10")  # nothing is left stuck down
    expect_gain(start, harness.report(), "clicks", 2, "release of keys held at start")
    harness.stop()


def windows(desktop, harness, inject):
    first = inject.send("window")
    second = inject.send("window")
    inject.send("activate " + first)
    inject.send("activate " + second)
    before = harness.report()
    for turn in range(10):
        inject.send("activate " + (first if turn % 2 == 0 else second))
        inject.send("sleep 5")  # several switches within one batch of ticks
    after = harness.report()
    expect_gain(before, after, "windows", 10, "two windows activated alternately 10 times")
    assert str(after["window"]) == second, after


def line_points(start, end, step):
    """The points xinject's `line` goes through (its rounding)."""
    (fx, fy), (x, y) = start, end
    steps = math.ceil(math.hypot(x - fx, y - fy) / step)
    half_up = lambda v: math.floor(abs(v) + 0.5) * (1 if v >= 0 else -1)  # noqa: E731
    return [(fx + half_up((x - fx) * i / steps), fy + half_up((y - fy) * i / steps))
            for i in range(1, steps + 1)]


def expect_travel(before, after, pixels, what):
    """One pixel is 0.01 inch each way on a 12 x 9 inch screen of 1200 x 900."""
    moved = after["travel_inches"] - before["travel_inches"]
    if abs(moved - pixels / 100) > 0.01:
        raise AssertionError("%s: %.4f inches, expected %.4f\nbefore %s\nafter  %s"
                             % (what, moved, pixels / 100, before, after))


# Overlapping rolls of two keys, named by keycode: digits, letters, punctuation and the ISO key,
# which other layouts give Cyrillic letters, umlauts, AZERTY's symbols or dead keys.
ROLLS = ((10, 11), (11, 12), (19, 20), (34, 35), (47, 48), (24, 25), (38, 52), (20, 21),
         (49, 10), (51, 94))


def roll_all(inject):
    for first, second in ROLLS:
        for step in ("keydown #%d" % first, "keydown #%d" % second, "keyup #%d" % first,
                     "keyup #%d" % second):
            inject.send(step)
            inject.send("sleep 5")


def set_layout(desktop, layout):
    subprocess.run(["setxkbmap", layout], env=desktop.env, check=True)


def layouts(desktop, harness, inject):
    # A layout in place when the program starts, then others switched while it runs.
    harness.stop()
    set_layout(desktop, "ru")
    harness = Harness(desktop, sys.argv[2])
    for layout in ("ru", "de", "fr", "us"):
        set_layout(desktop, layout)
        before = harness.report()
        roll_all(inject)
        after = harness.report()
        print("layout %s: %d rolls, %d clicks"
              % (layout, len(ROLLS), after["clicks"] - before["clicks"]))
        expect_gain(before, after, "clicks", 2 * len(ROLLS), "rolls under " + layout)
    return harness


def travel(desktop, harness, inject):
    screen = harness.report()
    assert screen["screen_pixels"] == "1200x900" and screen["monitors"] == 1, screen
    # 300 x 200 pixels, one pixel 0.01 inch each way on a 12 x 9 inch screen of 1200 x 900.
    moved = square(harness, inject, 100, 100)
    print("travel at Xft.dpi %d: %.4f in for 1000 px" % (desktop.dpi, moved))
    assert abs(moved - 10.0) <= 0.01, moved

    # A curve: a 36-gon of radius 200, walked in 3-pixel steps of an absolute device.
    corners = [(600 + round(200 * math.cos(k * math.pi / 18)),
                450 + round(200 * math.sin(k * math.pi / 18))) for k in range(37)]
    inject.send("moveto %d %d" % corners[0])
    before = harness.report()
    length, at = 0.0, corners[0]
    for corner in corners[1:]:
        inject.send("line %d %d 3 250" % corner)
        for point in line_points(at, corner, 3):
            length += math.hypot(point[0] - at[0], point[1] - at[1])
            at = point
    expect_travel(before, harness.report(), length, "a circle")

    # Relative moves pushed against the edges: the server holds the pointer on the screen.
    for start, move, pixels in (((1190, 450), "move 5 0", 9), ((5, 5), "move -10 -10", 50 ** 0.5)):
        inject.send("moveto %d %d" % start)
        before = harness.report()
        for _ in range(10):
            inject.send(move)
            inject.send("sleep 4")
        expect_travel(before, harness.report(), pixels, "pushed against an edge")


def square(harness, inject, x, y):
    """Inches travelled around a 300 x 200 pixel rectangle from x,y: 1000 pixels."""
    inject.send("moveto %d %d" % (x, y))
    before = harness.wait_for("cursor", "%d,%d" % (x, y))
    for dx, dy in ((300, 0), (300, 200), (0, 200), (0, 0)):
        inject.send("line %d %d 2 1000" % (x + dx, y + dy))
        corner = harness.wait_for("cursor", "%d,%d" % (x + dx, y + dy))  # a tick sampled it
    return corner["travel_inches"] - before["travel_inches"]


def xrandr(desktop, *args):
    subprocess.run(["xrandr", *args], env=desktop.env, check=True)


def monitors(desktop, harness, inject):
    # The screen is measured only when RandR reports a change: each one is followed at once.
    steps = [("one monitor", [], "2048x1536", 1),
             ("two side by side, primary on the right",
              [["--output", "DUMMY0", "--mode", "1920x1080"], ["--addmode", "DUMMY1", "1200x900"],
               ["--output", "DUMMY1", "--mode", "1200x900", "--pos", "1920x0", "--primary"]],
              "1200x900", 2),
             ("none primary: the one at 0,0", [["--noprimary"]], "1920x1080", 2),
             ("a user-defined primary monitor",
              [["--setmonitor", "*left", "960/254x1080/286+0+0", "none"]], "960x1080", 3)]
    for what, commands, pixels, count in steps:
        for command in commands:
            xrandr(desktop, *command)
        values = harness.wait_for("screen_pixels", pixels)
        print("%s: %s pixels of %d monitors" % (what, values["screen_pixels"], values["monitors"]))
        assert values["screen_pixels"] == pixels and values["monitors"] == count, (what, values)
        if pixels == "1200x900":
            # A 12 x 9 inch picture of 1200 x 900: one pixel is 0.01 inch on either monitor.
            for x, where in ((2020, "primary"), (100, "other")):
                moved = square(harness, inject, x, 100)
                print("travel on the %s monitor: %.4f in for 1000 px" % (where, moved))
                assert abs(moved - 10.0) <= 0.01, (where, moved)


def touch(desktop, harness, inject):
    """Touches fed below the server: the left button is down while a touch lasts."""
    before = harness.report()
    for lines in (["begin 1"], ["begin 2"], ["end 1", "end 1"], ["end 2"],  # two fingers
                  ["begin 3", "end 3"], ["end 4"]):  # a tap between ticks, an end never begun
        harness.touch(*lines)
        harness.report()
    expect_gain(before, harness.report(), "clicks", 2, "a touch of two fingers and a tap")

    # A warp makes no raw motion, but the server records it as motion, and a 1 ms tick would
    # see the jump; a touch asks the cursor once more, which adds nothing where it stands.
    def warp(x):
        subprocess.run(["xdotool", "mousemove", str(x), "100"], env=desktop.env, check=True)
    warp(100)
    before = harness.wait_for("cursor", "100,100")
    warp(400)
    after = harness.wait_for("cursor", "400,100")
    assert abs(after["travel_inches"] - before["travel_inches"] - 3.0) < 0.0001, (before, after)
    harness.touch("update 5")
    expect_gain(after, harness.report(), "travel_inches", 0, "a touch where the pointer is")


def no_wm(desktop, harness, inject):
    # No window manager: the input focus stands in, polled.
    first = inject.send("window")
    second = inject.send("window")
    before = harness.report()
    inject.send("focus " + first)
    inject.send("sleep 50")
    inject.send("focus " + second)
    after = harness.report()
    expect_gain(before, after, "windows", 2, "focus changes")
    polled = harness.report()
    assert polled["x_round_trips"] > after["x_round_trips"], polled
    expect_gain(after, polled, "ticks_may_rest", 0, "a polled focus: no tick may rest")

    # A window manager appears and publishes the active window.
    inject.send("set-active " + first)
    inject.send("set-supported on")
    before = harness.report()
    assert before["window"] == int(first), before
    for turn in range(5):  # the None of a switch lasts 3 ms, longer than any seen from openbox
        for window, wait in ((0, 3), (second if turn % 2 == 0 else first, 20)):
            inject.send("set-active %s" % window)
            inject.send("sleep %d" % wait)
    after = harness.report()
    expect_gain(before, after, "windows", 5, "switches with a None between")

    inject.send("set-active 0")
    inject.send("sleep 200")  # no X event follows: the grace ends on our own clock
    gone = harness.report()
    expect_gain(after, gone, "windows", 1, "a None that stays")
    assert gone["window"] == 0, gone
    idle = harness.report()
    expect_gain(gone, idle, "x_round_trips", 0, "an idle desktop")


def ticked_windows(changes, grace_ms=50):
    """What a tick every millisecond counts of (server ms, window) changes; see ForegroundGrace."""
    count, reported, since = 0, changes[0][1], None
    for ms in range(changes[0][0], changes[-1][0] + grace_ms + 1):
        value = [window for at, window in changes if at <= ms][-1]
        since = None if value or not reported else ms if since is None else since
        if since is None or ms - since >= grace_ms:
            count, reported, since = count + (value != reported), value, None
    return count


def active_window(desktop, harness, inject):
    # Batched ticks, moments without an active window between two, below, at and above the grace:
    # counted as a tick every millisecond counts them on the server's clock.
    first = inject.send("window")
    second = inject.send("window")
    changes = [(int(inject.send("set-active " + first)), int(first))]
    inject.send("set-supported on")
    before = harness.wait_for("window", int(first))
    # Each window stays 60 ms: changes closer than the program is scheduled merge (see takeActive).
    for turn, sleep_ms in enumerate([20, 48, 49, 50, 51, 70, 120, 200] * 3):
        for window, wait in ((0, sleep_ms), (second if turn % 2 == 0 else first, 60)):
            changes.append((int(inject.send("set-active %s" % window)), int(window)))
            inject.send("sleep %d" % wait)
    changes.append((int(inject.send("set-active 0")), 0))  # for good
    after = harness.wait_for("window", 0)
    expect_gain(before, after, "windows", ticked_windows(changes), "moments without a window")

    # A window manager that leaves right after a switch, the change it published read and still
    # waiting for its millisecond; then the input focus stands in.
    inject.send("set-active " + first)
    harness.wait_for("window", int(first))
    inject.send("set-active " + second)
    inject.send("sleep 20")
    inject.send("set-supported off")
    inject.send("focus " + first)
    gone = harness.wait_for("window", int(first))
    inject.send("focus " + second)
    after = harness.wait_for("window", int(second))
    expect_gain(gone, after, "windows", 1, "a focus change after the window manager left")


def idle(desktop, harness, inject):
    before = harness.report()
    after = harness.report()
    expect_gain(before, after, "x_requests", 0, "an idle desktop")
    ticks = after["ticks"] - before["ticks"]
    assert after["ticks_may_rest"] - before["ticks_may_rest"] == ticks, (before, after)
    inject.send("move 5 5")
    moved = harness.report()
    expect_gain(after, moved, "x_requests", 0, "one motion: recorded, no request")
    expect_gain(after, moved, "x_round_trips", 0, "one motion: no waiting")


def lost(desktop, harness, inject):
    desktop.xvfb.kill()
    desktop.xvfb.wait()
    values = harness._read()  # the harness saves its counts and ends by itself
    assert values["x_lost"] == 1, values
    assert harness.process.wait(EXIT_TIMEOUT_S) == 0


def no_display(harness_path):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    run = subprocess.run([harness_path], env=env, capture_output=True, text=True,
                         timeout=EXIT_TIMEOUT_S)
    assert run.returncode == 1 and run.stdout == "", run
    assert len(run.stderr.splitlines()) == 1 and run.stderr.startswith("Odovex: "), run.stderr


SCENARIOS = {"clicks": clicks, "keys": keys, "windows": windows, "travel": travel,
             "travel_dpi144": travel, "travel_dpi192": travel, "layouts": layouts,
             "monitors": monitors, "touch": touch,
             "no_wm": no_wm, "active_window": active_window, "idle": idle, "lost": lost}


def main():
    scenario, harness_path, injector_path = sys.argv[1:4]
    if scenario == "no_display":
        no_display(harness_path)
        print("%s: passed" % scenario)
        return
    # The desktop's font resolution, which must not change travel: Xvfb's and Xft.dpi.
    dpi = int(scenario.partition("_dpi")[2] or 96)
    wm = scenario not in ("no_wm", "active_window")
    with Desktop(wm=wm, dpi=dpi, monitors=scenario == "monitors") as desktop:
        subprocess.run(["xrdb", "-merge"], input="Xft.dpi: %d\n" % dpi, text=True,
                       env=desktop.env, check=True)
        inject = desktop.injector(injector_path)
        if scenario == "keys":
            held_at_start(desktop, harness_path, inject)
        harness = Harness(desktop, harness_path,
                          *(["--screen-events-only"] if scenario == "monitors" else []),
                          driven=scenario not in ("no_wm", "idle"))
        harness = SCENARIOS[scenario](desktop, harness, inject) or harness
        if scenario != "lost":
            final = harness.stop()
            assert final["x_errors"] == 0 and final["x_lost"] == 0, final
    print("%s: passed" % scenario)


if __name__ == "__main__":
    main()

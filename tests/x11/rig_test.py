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

SETTLE_S = 0.3  # several hundred ticks
EXIT_TIMEOUT_S = 10


class Harness:
    def __init__(self, desktop, path, driven=True):
        """Driven, the ticks run as in the program (TickDriver: batched over the events' server
        times, resting while idle); else one plain tick a millisecond."""
        argv = [path, "--rest"] if driven else [path]
        self.process = desktop.spawn(argv, stdout=subprocess.PIPE, text=True)
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
            values[key] = float(value) if "." in value else int(value)
        raise AssertionError("harness ended without a report")

    def report(self):
        time.sleep(SETTLE_S)
        self.process.send_signal(signal.SIGUSR1)
        return self._read()

    def stop(self):
        self.process.terminate()
        values = self._read()
        assert self.process.wait(EXIT_TIMEOUT_S) == 0
        return values


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


def travel(desktop, harness, inject):
    inject.send("moveto 100 100")
    before = harness.report()
    for x, y in ((400, 100), (400, 300), (100, 300), (100, 100)):
        inject.send("line %d %d 2 1000" % (x, y))
        inject.send("sleep 30")  # a tick samples each corner
    expect_travel(before, harness.report(), 1000, "a 300 x 200 rectangle")

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
    for turn in range(5):
        inject.send("set-active 0")
        inject.send("sleep 3")  # the None of a switch, longer than any seen from openbox
        inject.send("set-active " + (second if turn % 2 == 0 else first))
        inject.send("sleep 20")
    after = harness.report()
    expect_gain(before, after, "windows", 5, "switches with a None between")

    inject.send("set-active 0")
    inject.send("sleep 200")  # no X event follows: the grace timer reports the None
    gone = harness.report()
    expect_gain(after, gone, "windows", 1, "a None that stays")
    assert gone["window"] == 0, gone
    idle = harness.report()
    expect_gain(gone, idle, "x_round_trips", 0, "an idle desktop")


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
             "no_wm": no_wm, "idle": idle, "lost": lost}


def main():
    scenario, harness_path, injector_path = sys.argv[1:4]
    if scenario == "no_display":
        no_display(harness_path)
        print("%s: passed" % scenario)
        return
    with Desktop(wm=scenario != "no_wm") as desktop:
        inject = desktop.injector(injector_path)
        if scenario == "keys":
            held_at_start(desktop, harness_path, inject)
        harness = Harness(desktop, harness_path, driven=scenario not in ("no_wm", "idle"))
        SCENARIOS[scenario](desktop, harness, inject)
        if scenario != "lost":
            final = harness.stop()
            assert final["x_errors"] == 0 and final["x_lost"] == 0, final
    print("%s: passed" % scenario)


if __name__ == "__main__":
    main()

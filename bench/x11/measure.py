#!/usr/bin/python3
"""What Odovex costs on an X11 desktop, beside a peer: side by side on one private desktop
(Xvfb and openbox), no program at all, a bare 1 ms timer, the probes with the engine as the
program runs them, the whole program with its window shown (the pointer away from it, and over
it, clicking on it) and out of sight, and Workrave
(Debian's break reminder, which also counts mouse movement, clicks and keystrokes), each for a
while idle and a while under injected input (1000 relative pointer moves a second, a key tap and
a button click every 100 ms). Every round measures every program once; the table gives the
median of the rounds and, for the costs, their lowest and highest in brackets.

    measure.py BUILD_DIR [SECONDS] [ROUNDS]

Columns: ticks delivered per second (timer callbacks), wake-ups per second (voluntary context
switches of all the program's threads), CPU share of one core used by the program and by the X
server, and the X server's share over that with no program, X requests and round trips per
second sent by the program, pointer moves injected per second (the injector keeps its schedule
only as well as the machine lets it), taps injected and counted, resident memory. Figures only:
nothing is asserted. The whole programs cannot count their ticks.

The X server's share under input swings by a point and more from one phase to the next on a
shared machine, far more than any program adds to it. So under input every program's phase
lies between two phases with no program, and its "over none" is taken against the mean of the
two: slow drifts of the machine's load cancel, and the spread over the rounds shows what is
left. Before the first round the X server and the injector run a phase unmeasured (warm-up).
"""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "rig"))
from xrig import Desktop  # noqa: E402

MOVES_PER_SECOND = 1000
TAP_EVERY_MS = 100
COLUMNS = {"ticks/s": "%.0f", "wake-ups/s": "%.1f", "CPU %": "%.2f", "X server CPU %": "%.2f",
           "X server over none": "%+.2f", "X requests/s": "%.1f", "X round trips/s": "%.1f",
           "moves/s": "%.0f", "taps injected": "%d", "taps counted": "%d", "RSS MB": "%.1f"}
# Shown with their spread over the rounds.
SPREAD = ("wake-ups/s", "CPU %", "X server CPU %", "X server over none")


def cpu_seconds(pid):
    """CPU time of all the process's threads, in ns resolution (schedstat, not clock ticks)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as schedstat:
            total += int(schedstat.read().split()[0])
    return total / 1e9


def wakeups(pid):
    """Voluntary context switches of all the process's threads: how often it went to sleep."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as status:
            for line in status:
                if line.startswith("voluntary_ctxt_switches:"):
                    total += int(line.split()[1])
    return total


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def read_report(stream):
    values = {}
    for line in stream:
        line = line.strip()
        if line == "--":
            break
        key, _, value = line.partition("=")
        try:
            values[key] = float(value)
        except ValueError:
            values[key] = value  # the screen's size, the cursor: not measurements
    return values


# A statistics file set up for a 12 x 9 inch screen, as a user leaves it after setup; line 4
# is AutoStart.
def stats_file(autostart):
    lines = [" 0 ", " 0 ", " 0 ", autostart, "English", " 12 ", " 9 ", "Start", " 0 ", " 0 ",
             " 0 ", ""]
    return "\r\n".join(lines) + "\r\n"


class Harness:
    """The probe harness: says "armed" when ready and reports its counts on SIGTERM."""

    def __init__(self, argv):
        self.argv = argv

    def start(self, desktop):
        program = desktop.spawn(self.argv, stdout=subprocess.PIPE, text=True)
        if program.stdout.readline().strip() != "armed":
            raise RuntimeError("%s did not start" % self.argv[0])
        return program

    def snapshot(self, program):
        """Its counts now (a report asked for with SIGUSR1)."""
        program.send_signal(signal.SIGUSR1)
        return read_report(program.stdout)

    def finish(self, program):
        return read_report(program.stdout)


class WholeProgram:
    """Odovex itself, in a directory of its own; its counts are read back from its file. Started
    with AutoStart it keeps its window out of sight (minimised, on a desktop without a tray) once
    the five-second splash is gone, as it mostly is in use. With pointer_over, the input's
    pointer sweeps over the left part of its main window and clicks there, on no button."""

    def __init__(self, path, autostart=False, pointer_over=False):
        self.path = path
        self.autostart = autostart
        self.pointer_over = pointer_over
        self.settle_s = 6.0 if autostart else 1.5
        self.directory = None

    def start(self, desktop):
        self.directory = tempfile.mkdtemp(prefix="odovex-bench-")
        with open(os.path.join(self.directory, "Odovex1.dat"), "w", newline="") as stats:
            stats.write(stats_file("True" if self.autostart else "False"))
        program = desktop.spawn([self.path], cwd=self.directory, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        time.sleep(self.settle_s)
        return program

    def pointer(self, desktop):
        """Where the pointer starts its sweep of 200 pixels to the right and back."""
        if not self.pointer_over:
            return None
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Odovex$",
                                "getwindowgeometry", "--shell"], env=desktop.env,
                               capture_output=True, text=True, check=True).stdout
        at = dict(line.split("=", 1) for line in found.split())
        return int(at["X"]) + 20, int(at["Y"]) + int(at["HEIGHT"]) // 2

    def snapshot(self, program):
        return None

    def finish(self, program):
        with open(os.path.join(self.directory, "Odovex1.dat"), newline="") as stats:
            clicks = float(stats.readline().strip())
        shutil.rmtree(self.directory, ignore_errors=True)
        return {"clicks": clicks}


class Nothing:
    """No program: what the X server costs by itself under the same input."""

    def start(self, desktop):
        return desktop.spawn(["sleep", "100000"])

    def snapshot(self, program):
        return None

    def finish(self, program):
        return {}


class Workrave:
    """Debian's workrave with a HOME and a D-Bus session bus of its own; ended by its D-Bus Quit,
    which saves its counts (todaystats: clicks and keystrokes)."""

    template = None  # a HOME whose .cache holds GStreamer's registry, built by a first start

    def __init__(self):
        self.home = None
        self.bus = None
        self.env = None

    def start(self, desktop):
        self.home = tempfile.mkdtemp(prefix="workrave-bench-")
        if Workrave.template:
            shutil.copytree(os.path.join(Workrave.template, ".cache"),
                            os.path.join(self.home, ".cache"))
        self.bus = desktop.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                  "--address=unix:path=%s/bus" % self.home],
                                 stdout=subprocess.PIPE, text=True)
        self.env = dict(desktop.env, HOME=self.home, XDG_CONFIG_HOME=self.home + "/.config",
                        XDG_CACHE_HOME=self.home + "/.cache",
                        XDG_DATA_HOME=self.home + "/.local/share",
                        DBUS_SESSION_BUS_ADDRESS=self.bus.stdout.readline().strip())
        program = subprocess.Popen(["workrave"], env=self.env, cwd=self.home,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        desktop._children.append(program)
        time.sleep(5.0)
        return program

    def snapshot(self, program):
        return None

    def finish(self, program):
        subprocess.run(["gdbus", "call", "--session", "--dest", "org.workrave.Workrave",
                        "--object-path", "/org/workrave/Workrave/UI", "--method",
                        "org.workrave.ControlInterface.Quit"], env=self.env,
                       capture_output=True, timeout=15)
        try:
            program.wait(15)
        except subprocess.TimeoutExpired:
            program.kill()
        self.bus.terminate()
        counts = {}
        try:
            with open(os.path.join(self.home, ".workrave", "todaystats")) as stats:
                m = [line.split() for line in stats if line.startswith("m ")][0]
            counts["clicks"] = int(m[6]) + int(m[7])  # clicks, keystrokes
        except (OSError, IndexError, ValueError):
            pass
        if Workrave.template is None:
            Workrave.template = self.home
        else:
            shutil.rmtree(self.home, ignore_errors=True)
        return counts


def measure(desktop, inject, kind, loaded, seconds):
    # On the bare desktop, away from any window of the program, as the pointer mostly is.
    inject.send("moveto 5 5")
    program = kind.start(desktop)
    pointer = getattr(kind, "pointer", lambda desktop: None)(desktop)
    if pointer:
        inject.send("moveto %d %d" % pointer)
    start = time.monotonic()
    woke = wakeups(program.pid)
    cpu = cpu_seconds(program.pid)
    server = cpu_seconds(desktop.xvfb.pid)
    before = kind.snapshot(program)
    taps = 0
    moves = None
    if loaded:
        began = time.monotonic()
        answer = inject.send("load %g %d %d" % (seconds, MOVES_PER_SECOND, TAP_EVERY_MS))
        taps = int(answer.split("=")[1])
        moves = seconds * MOVES_PER_SECOND / (time.monotonic() - began)
    else:
        time.sleep(seconds)
    # Ticks per second over exactly the phase: a resting tick stops once the input does.
    after = kind.snapshot(program)
    if loaded:
        time.sleep(0.2)  # the last taps reach the ticks
    elapsed = time.monotonic() - start
    cpu = cpu_seconds(program.pid) - cpu
    woke = wakeups(program.pid) - woke
    server = cpu_seconds(desktop.xvfb.pid) - server
    rss = resident_mb(program.pid)
    if not isinstance(kind, Workrave):
        program.send_signal(signal.SIGTERM)
        program.wait()
    report = kind.finish(program)
    ticks = None
    if before is not None:
        ticks = (after["ticks"] - before["ticks"]) / (after["seconds"] - before["seconds"])
    per_second = report.get("seconds") or elapsed
    return {
        "ticks/s": ticks,
        "wake-ups/s": woke / elapsed,
        "CPU %": 100 * cpu / elapsed,
        "X server CPU %": 100 * server / elapsed,
        "X server over none": None,
        "X requests/s": report.get("x_requests", 0) / per_second,
        "X round trips/s": report.get("x_round_trips", 0) / per_second,
        "moves/s": moves,
        "taps injected": taps,
        "taps counted": report.get("clicks"),
        "RSS MB": rss,
    }


def median(values, fmt, spread):
    values = [v for v in values if v is not None]
    if not values:
        return "-"
    cell = fmt % statistics.median(values)
    if spread and len(values) > 1:
        cell += " (%s to %s)" % (fmt % min(values), fmt % max(values))
    return cell


def main():
    build = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    harness = build + "/tests/x11/odovex_probe_harness"
    programs = [
        ("no program", Nothing),
        ("(a) bare 1 ms timer, timerfd", lambda: Harness([build + "/bench/x11/odovex_bare_timer"])),
        ("(b) probes and engine, as in Odovex", lambda: Harness([harness, "--rest"])),
        ("(c) Odovex, window shown", lambda: WholeProgram(build + "/odovex")),
        ("(c'') Odovex, window shown, pointer over it",
         lambda: WholeProgram(build + "/odovex", pointer_over=True)),
        ("(c') Odovex, window out of sight",
         lambda: WholeProgram(build + "/odovex", autostart=True)),
    ]
    if shutil.which("workrave"):
        programs.append(("(w) Workrave 1.10", Workrave))
    # X11_BENCH_ONLY="shown,(w)": only the programs whose names hold one of these (and none).
    only = [word for word in os.environ.get("X11_BENCH_ONLY", "").split(",") if word]
    programs = [p for p in programs if p is programs[0] or not only or
                any(word in p[0] for word in only)]
    rows = {}
    loads = []
    with Desktop() as desktop:
        inject = desktop.injector(build + "/tests/rig/odovex_xinject")
        if any(name.startswith("(w)") for name, _ in programs):  # its first start builds caches
            warm = Workrave()
            warm.finish(warm.start(desktop))
        measure(desktop, inject, Nothing(), True, min(seconds, 3.0))  # warm-up
        for round_ in range(rounds):
            for phase in ("idle", "input"):
                loaded = phase == "input"
                none = measure(desktop, inject, Nothing(), loaded, seconds)
                rows.setdefault((programs[0][0], phase), []).append(none)
                for name, make in programs[1:]:
                    row = measure(desktop, inject, make(), loaded, seconds)
                    baseline = none["X server CPU %"]
                    if loaded:
                        none = measure(desktop, inject, Nothing(), loaded, seconds)
                        rows[(programs[0][0], phase)].append(none)
                        baseline = (baseline + none["X server CPU %"]) / 2
                    row["X server over none"] = row["X server CPU %"] - baseline
                    rows.setdefault((name, phase), []).append(row)
                    print("round %d: %s, %s: CPU %.2f%%, %.1f wake-ups/s, X server %+.2f"
                          % (round_ + 1, name, phase, row["CPU %"], row["wake-ups/s"],
                             row["X server over none"]), file=sys.stderr, flush=True)
                loads.append(os.getloadavg()[0])
    print("Odovex on X11, medians of %d rounds of %g s per phase (lowest to highest), %s, "
          "load average %.1f to %.1f" % (rounds, seconds, "1200x900 Xvfb with openbox",
                                         min(loads), max(loads)))
    print("| program | phase | " + " | ".join(COLUMNS) + " |")
    print("|---|---|" + "---|" * len(COLUMNS))
    for name, _ in programs:
        for phase in ("idle", "input"):
            cells = [median([r[key] for r in rows[(name, phase)]], fmt, key in SPREAD)
                     for key, fmt in COLUMNS.items()]
            print("| %s | %s | %s |" % (name, phase, " | ".join(cells)), flush=True)


if __name__ == "__main__":
    main()

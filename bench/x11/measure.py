#!/usr/bin/python3
"""What Odovex costs on an X11 desktop: side by side on one private desktop (Xvfb and openbox),
a bare 1 ms timer, the probes with the engine ticking every millisecond or resting while idle,
and the whole program, each for a while idle and a while under injected input (1000 relative
pointer moves a second, a key tap and a button click every 100 ms).

    measure.py BUILD_DIR [SECONDS]

Prints one table row per program and phase: ticks delivered per second, wake-ups per second
(voluntary context switches of all the program's threads), CPU share of one core used by the
program and by the X server, X requests and round trips per second sent by the program, taps
injected and counted, resident memory. Figures only: nothing is asserted. The whole program
cannot count its ticks; its wake-ups stand for them.
"""

import os
import shutil
import signal
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
COLUMNS = {"ticks/s": "%s", "wake-ups/s": "%.1f", "CPU %": "%.2f", "X server CPU %": "%.2f", "X requests/s": "%.1f",
           "X round trips/s": "%.1f", "taps injected": "%s", "taps counted": "%s",
           "RSS MB": "%.1f"}


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
        values[key] = float(value)
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
    the five-second splash is gone, as it mostly is in use."""

    def __init__(self, path, autostart=False):
        self.path = path
        self.autostart = autostart
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

    def snapshot(self, program):
        return None

    def finish(self, program):
        with open(os.path.join(self.directory, "Odovex1.dat"), newline="") as stats:
            clicks = float(stats.readline().strip())
        shutil.rmtree(self.directory, ignore_errors=True)
        return {"clicks": clicks}


def measure(desktop, inject, kind, loaded, seconds):
    # On the bare desktop, away from any window of the program, as the pointer mostly is.
    inject.send("moveto 5 5")
    program = kind.start(desktop)
    start = time.monotonic()
    woke = wakeups(program.pid)
    cpu = cpu_seconds(program.pid)
    server = cpu_seconds(desktop.xvfb.pid)
    before = kind.snapshot(program)
    taps = 0
    if loaded:
        answer = inject.send("load %g %d %d" % (seconds, MOVES_PER_SECOND, TAP_EVERY_MS))
        taps = int(answer.split("=")[1])
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
    program.send_signal(signal.SIGTERM)
    program.wait()
    report = kind.finish(program)
    ticks = "-"
    if before is not None:
        ticks = "%.0f" % ((after["ticks"] - before["ticks"]) / (after["seconds"] - before["seconds"]))
    per_second = report.get("seconds") or elapsed
    return {
        "ticks/s": ticks,
        "wake-ups/s": woke / elapsed,
        "CPU %": 100 * cpu / elapsed,
        "X server CPU %": 100 * server / elapsed,
        "X requests/s": report.get("x_requests", 0) / per_second,
        "X round trips/s": report.get("x_round_trips", 0) / per_second,
        "taps injected": taps,
        "taps counted": int(report["clicks"]) if "clicks" in report else "-",
        "RSS MB": rss,
    }


def main():
    build = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    harness = build + "/tests/x11/odovex_probe_harness"
    programs = [
        ("(a) bare timer, timerfd", Harness([build + "/bench/x11/odovex_bare_timer"])),
        ("(a') bare timer, Qt precise", Harness([build + "/bench/x11/odovex_bare_timer", "--qt"])),
        ("(b) probes and engine", Harness([harness])),
        ("(b') probes and engine, resting", Harness([harness, "--rest"])),
        ("(c) Odovex, window shown", WholeProgram(build + "/odovex")),
        ("(c') Odovex, window out of sight", WholeProgram(build + "/odovex", autostart=True)),
    ]
    print("Odovex on X11, %g s per phase, %s, load average %s"
          % (seconds, "1200x900 Xvfb with openbox", os.getloadavg()[0]))
    print("| program | phase | " + " | ".join(COLUMNS) + " |")
    print("|---|---|" + "---|" * len(COLUMNS))
    with Desktop() as desktop:
        inject = desktop.injector(build + "/tests/rig/odovex_xinject")
        for name, kind in programs:
            for phase in ("idle", "input"):
                row = measure(desktop, inject, kind, phase == "input", seconds)
                cells = [COLUMNS[key] % value for key, value in row.items()]
                print("| %s | %s | %s |" % (name, phase, " | ".join(cells)), flush=True)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""What the X11 probes cost: side by side on one private desktop (Xvfb and openbox), a bare
1 ms timer and the probes with the engine ticking every millisecond, each for a while idle and
a while under injected input (1000 relative pointer moves a second, a key tap and a button
click every 100 ms).

    measure.py BUILD_DIR [SECONDS]

Prints one table row per program and phase: ticks delivered per second, CPU share of one core
used by the program and by the X server, X requests and round trips per second sent by the
program, taps injected and counted, resident memory. Figures only: nothing is asserted.
"""

import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "rig"))
from xrig import Desktop  # noqa: E402

MOVES_PER_SECOND = 1000
TAP_EVERY_MS = 100
COLUMNS = {"ticks/s": "%.0f", "CPU %": "%.2f", "X server CPU %": "%.2f", "X requests/s": "%.1f",
           "X round trips/s": "%.1f", "taps injected": "%s", "taps counted": "%s",
           "RSS MB": "%.1f"}


def cpu_seconds(pid):
    """CPU time of all the process's threads, in ns resolution (schedstat, not clock ticks)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as schedstat:
            total += int(schedstat.read().split()[0])
    return total / 1e9


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


def measure(desktop, inject, argv, loaded, seconds):
    program = desktop.spawn(argv, stdout=subprocess.PIPE, text=True)
    if program.stdout.readline().strip() != "armed":
        raise RuntimeError("%s did not start" % argv[0])
    start = time.monotonic()
    cpu = cpu_seconds(program.pid)
    server = cpu_seconds(desktop.xvfb.pid)
    taps = 0
    if loaded:
        answer = inject.send("load %g %d %d" % (seconds, MOVES_PER_SECOND, TAP_EVERY_MS))
        taps = int(answer.split("=")[1])
        time.sleep(0.2)  # the last taps reach the ticks
    else:
        time.sleep(seconds)
    elapsed = time.monotonic() - start
    cpu = cpu_seconds(program.pid) - cpu
    server = cpu_seconds(desktop.xvfb.pid) - server
    rss = resident_mb(program.pid)
    program.send_signal(signal.SIGTERM)
    report = read_report(program.stdout)
    program.wait()
    per_second = report["seconds"] or 1.0
    return {
        "ticks/s": report["ticks"] / per_second,
        "CPU %": 100 * cpu / elapsed,
        "X server CPU %": 100 * server / elapsed,
        "X requests/s": report.get("x_requests", 0) / per_second,
        "X round trips/s": report.get("x_round_trips", 0) / per_second,
        "taps injected": taps,
        "taps counted": int(report["clicks"]) if "clicks" in report else "-",
        "RSS MB": rss,
    }


def main():
    build = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    programs = [
        ("(a) bare timer, timerfd", [build + "/bench/x11/odovex_bare_timer"]),
        ("(a') bare timer, Qt precise", [build + "/bench/x11/odovex_bare_timer", "--qt"]),
        ("(b) probes and engine", [build + "/tests/x11/odovex_probe_harness"]),
    ]
    print("X11 probes, %g s per phase, %s, load average %s"
          % (seconds, "1200x900 Xvfb with openbox", os.getloadavg()[0]))
    print("| program | phase | " + " | ".join(COLUMNS) + " |")
    print("|---|---|" + "---|" * len(COLUMNS))
    with Desktop() as desktop:
        inject = desktop.injector(build + "/tests/rig/odovex_xinject")
        for name, argv in programs:
            for phase in ("idle", "input"):
                row = measure(desktop, inject, argv, phase == "input", seconds)
                cells = [COLUMNS[key] % value for key, value in row.items()]
                print("| %s | %s | %s |" % (name, phase, " | ".join(cells)), flush=True)


if __name__ == "__main__":
    main()

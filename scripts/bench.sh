#!/usr/bin/env bash
# Runs the benchmarks: the tick against the fake desktop, the History window on ten years of
# days, then what the program costs on a private desktop beside a bare 1 ms timer and Workrave,
# a peer that also counts mouse movement, clicks and keystrokes (five rounds, about twenty
# minutes; X11_BENCH_SECONDS and X11_BENCH_ROUNDS change the phases and the rounds). Workrave
# and its D-Bus session come from Debian and are installed here when missing: only the
# measurements need them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh workrave dbus-x11 dbus-daemon
build/bench/odovex_bench --benchmark_min_time=0.5
build/bench/odovex_history_bench --benchmark_min_time=0.5
/usr/bin/python3 bench/x11/measure.py build "${X11_BENCH_SECONDS:-10}" "${X11_BENCH_ROUNDS:-5}"

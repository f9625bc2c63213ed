#!/usr/bin/env bash
# Runs the benchmarks: the tick against the fake desktop, the History window on ten years of
# days, then what the X11 probes cost on a private desktop beside a bare 1 ms timer (about a
# minute).
set -euo pipefail
cd "$(dirname "$0")/.."
build/bench/odovex_bench --benchmark_min_time=0.5
build/bench/odovex_history_bench --benchmark_min_time=0.5
/usr/bin/python3 bench/x11/measure.py build "${X11_BENCH_SECONDS:-10}"

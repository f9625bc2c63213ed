#!/usr/bin/env bash
# Runs the benchmarks: the tick against the fake desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
build/bench/odovex_bench --benchmark_min_time=0.5

#!/usr/bin/env bash
# Runs the benchmarks: the tick against the fake desktop, the History window on ten years of
# days, then what the program costs on a private desktop beside a bare 1 ms timer and Workrave,
# a peer that also counts mouse movement, clicks and keystrokes (five rounds, about twenty
# minutes; X11_BENCH_SECONDS and X11_BENCH_ROUNDS change the phases and the rounds). Workrave
# and its D-Bus session come from Debian and are installed here when missing: only the
# measurements need them.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for p in workrave dbus-x11 dbus-daemon; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
build/bench/odovex_bench --benchmark_min_time=0.5
build/bench/odovex_history_bench --benchmark_min_time=0.5
/usr/bin/python3 bench/x11/measure.py build "${X11_BENCH_SECONDS:-10}" "${X11_BENCH_ROUNDS:-5}"

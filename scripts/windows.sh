#!/usr/bin/env bash
# The Windows program, cross-built on this Debian machine: Odovex.exe and
# $BUILD_WIN/Odovex-win64.zip (build-win by default), and what its tests under Wine need (ctest
# in that directory runs them).
#
# Qt for Windows comes from scripts/build-qt-win.sh (built once, cached in ~/.cache/odovex);
# Wine's prefix for the tests is prepared once and cached beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_WIN:-build-win}
cache=${ODOVEX_CACHE:-$HOME/.cache/odovex}
export ODOVEX_QT_WIN=${ODOVEX_QT_WIN:-$cache/qt6-win64}
jobs=${JOBS:-$(nproc)}
wine=/usr/lib/wine/wine64

bash scripts/install-deps.sh
bash scripts/build-qt-win.sh

# Wine (Debian's wine64) for the tests and its prefix: made once, then copied per run.
bash scripts/install-deps.sh wine64
prefix=$cache/wine-prefix
# Two builds at once (two checkouts) would make the prefix over each other: one at a time.
mkdir -p "$cache"
exec 8>"$prefix.lock"
flock 8
if [ ! -f "$prefix/.odovex-ready" ]; then
  rm -rf "$prefix"
  echo "Preparing the Wine prefix $prefix"
  # No display: nothing to show; mono and gecko are not wanted (no download).
  DISPLAY= WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
    "$wine" wineboot --init >/dev/null 2>&1 || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver64 --wait
  # Debian's wine notes its server's directory here; each copy of the prefix gets its own.
  rm -f "$prefix/wineserver"
  [ -f "$prefix/system.reg" ] || { echo "windows: wineboot made no prefix in $prefix" >&2; exit 1; }
  touch "$prefix/.odovex-ready"
fi
exec 8>&-

# (A configure that failed left a cache but no Makefile.)
if [ ! -f "$build/Makefile" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_FIND_ROOT_PATH="$ODOVEX_QT_WIN" -DCMAKE_PREFIX_PATH="$ODOVEX_QT_WIN" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tests/win32/wine-run.sh" \
    -DODOVEX_WERROR="${ODOVEX_WERROR:-OFF}"
fi
cmake --build "$build" -j "$jobs"
echo "windows: $build/Odovex-win64.zip ($(stat -c %s "$build/Odovex-win64.zip") bytes)"

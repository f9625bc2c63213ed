#!/usr/bin/env bash
# Odovex from this checkout built and tested on Debian 13 "trixie", in a chroot
# (scripts/chroot.sh; built once and cached with the packages scripts/install-deps.sh names
# there): the program and its tests with warnings as errors, the unit, widget, end-to-end and
# X11 tests and the package's check, then `apt install` of the package built there. The ctest
# test "trixie" (make test) runs it. Ends with 77 (skipped) on Debian 13 itself.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != inside ]; then
  if [ "$(. /etc/os-release && echo "$VERSION_CODENAME")" = trixie ]; then
    echo "trixie: this is Debian 13 already; make test covers it"
    exit 77
  fi
  # The fuzzer's clang and the chroot's maker are not needed there.
  read -ra packages <<<"$(DEPS_RELEASE=trixie bash scripts/install-deps.sh --list |
    grep -vxE 'clang|libclang-rt-dev|debootstrap' | tr '\n' ' ')"
  bash scripts/chroot.sh make trixie trixie "${packages[@]}"
  exec bash scripts/chroot.sh run trixie bash /src/scripts/trixie.sh inside
fi

# In the chroot, with the checkout at /src; one run at a time (scripts/chroot.sh), each in the
# same fresh directory, as ccache finds a test's compilation again only under the same path.
work=/var/tmp/odovex
rm -rf "$work"
cleanup() {
  dpkg-query -W odovex >/dev/null 2>&1 && apt-get purge -y -qq odovex >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export CCACHE_BASEDIR=/src CCACHE_NOHASHDIR=1
cmake -S /src -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DODOVEX_WERROR=ON >/dev/null
cmake --build "$work/build" -j "$JOBS" >"$work/build.log" 2>&1 || {
  cat "$work/build.log"
  exit 1
}
# Everything but the fuzzer and the format check (clang's tools are this machine's business).
ctest --test-dir "$work/build" --output-on-failure -j "$JOBS" -LE '^(fuzz|lint)$'

# The package built here installs here.
(cd "$work" && cpack --config build/CPackConfig.cmake -B package >/dev/null 2>&1)
deb=$(echo "$work"/package/odovex_*_amd64.deb)
echo "trixie: Depends: $(dpkg-deb -f "$deb" Depends)"
apt-get install -y -qq "$deb" >/dev/null
dpkg-query -W odovex
echo "trixie: passed"

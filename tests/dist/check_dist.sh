#!/usr/bin/env bash
# Odovex as installed and as packaged, without a desktop.
#
#   check_dist.sh install CMAKE BUILD_DIR   an installation into a staging root (DESTDIR)
#   check_dist.sh package CPACK BUILD_DIR   the Debian package that `make deb` builds
#   check_dist.sh apt-lock INSTALL_DEPS      install-deps.sh while another apt holds its lock
#
# Both hold exactly the files of installed-files.txt; the menu entry, the metainfo and the
# manual page pass their validators; the launcher makes the data directory and a fresh file
# and leaves a file already there alone; lintian reports no error on the package.
set -euo pipefail
mode=$1 tool=$2 build=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

same_files() { # root
  diff -u "$here/installed-files.txt" <(cd "$1" && find . \( -type f -o -type l \) | cut -c3- |
    sort) || fail "the installed files differ from installed-files.txt"
}

# The launcher, run where no display is: it prepares the directory, then the program ends
# with its no-display message.
launch() { # root data-home
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_DATA_HOME="$2" \
    "$1/usr/libexec/odovex/odovex-start" 2>"$work/launch.err" && fail "the program ran"
  grep -q "no X display" "$work/launch.err" || fail "launcher: $(cat "$work/launch.err")"
}

check_launcher() { # root
  local root=$1 fresh=$1/usr/share/odovex/Odovex1.dat
  printf ' 0 \r\n 0 \r\n 0 \r\nFalse\r\n\r\n 0 \r\n 0 \r\nStart\r\n 0 \r\n 0 \r\n 0 \r\n\r\n' |
    cmp - "$fresh" || fail "the fresh file is not the initial record"
  # Absolute XDG_DATA_HOME, then a relative one, which counts as unset.
  local data
  for data in "$work/data" relative; do
    local dir=$work/data/odovex
    [ "$data" = relative ] && dir=$work/home/.local/share/odovex
    launch "$root" "$data"
    cmp "$fresh" "$dir/Odovex1.dat" || fail "no fresh file in $dir"
  done
  # A file already there, or a dangling link in its place, is left as it is.
  echo kept >"$work/data/odovex/Odovex1.dat"
  launch "$root" "$work/data"
  [ "$(cat "$work/data/odovex/Odovex1.dat")" = kept ] || fail "the launcher replaced a file"
  ln -sfn "$work/nowhere" "$work/data/odovex/Odovex1.dat"
  launch "$root" "$work/data"
  [ ! -e "$work/nowhere" ] || fail "the launcher wrote through a dangling link"
}

check_entries() { # root
  local root=$1
  local entry=$root/usr/share/applications/org.odovex.Odovex.desktop
  desktop-file-validate "$entry" || fail "desktop-file-validate"
  grep -qx 'Exec="/usr/libexec/odovex/odovex-start"' "$entry" || fail "Exec: $(grep Exec "$entry")"
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.odovex.Odovex.metainfo.xml" ||
    fail "appstreamcli validate"
  # The icon is sniffed as SVG (nothing but the XML declaration before its <svg> element, not
  # even a comment) and loads in gdk-pixbuf, as GTK's menus load it.
  local icon=$root/usr/share/icons/hicolor/scalable/apps/odovex.svg
  [ "$(grep -o '<[^?][^ >]*' "$icon" | head -n 1)" = "<svg" ] || fail "something before <svg>"
  gdk-pixbuf-thumbnailer -s 64 "$icon" "$work/icon.png" || fail "gdk-pixbuf cannot load the icon"
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \
    "$root/usr/share/man/man1/odovex.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man: $warnings"
}

# install-deps.sh waits for another apt's lock on the package lists instead of failing. The apt
# here works on lists and a cache of its own with no sources, so nothing is fetched or
# installed: the package asked for exists nowhere, and the install step says so.
apt_lock() { # install-deps.sh
  [ "$(id -u)" -eq 0 ] || { echo "skipped: apt's locks need root" && exit 77; }
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts"
  : >"$work/sources.list"
  printf 'Dir::State::Lists "%s";\nDir::Cache "%s";\nDir::Etc::SourceList "%s";\nDir::Etc::SourceParts "%s";\n' \
    "$work/lists" "$work/cache" "$work/sources.list" "$work/parts" >"$work/apt.conf"
  # Held for three seconds with fcntl, as apt holds it.
  python3 -c 'import fcntl, sys, time
with open(sys.argv[1], "w") as lock:
    fcntl.lockf(lock, fcntl.LOCK_EX)
    open(sys.argv[2], "w").close()
    time.sleep(3)' "$work/lists/lock" "$work/held" &
  until [ -e "$work/held" ]; do sleep 0.1; done
  local start=$SECONDS
  APT_CONFIG=$work/apt.conf "$tool" odovex-absent-package >"$work/deps.out" 2>&1 &&
    fail "installed a package that does not exist"
  wait
  cat "$work/deps.out"
  grep -q "Unable to locate package odovex-absent-package" "$work/deps.out" ||
    fail "install-deps.sh did not reach the install step"
  [ $((SECONDS - start)) -ge 2 ] || fail "install-deps.sh did not wait for the lock"
}

case $mode in
apt-lock)
  apt_lock
  ;;
install)
  DESTDIR=$work/root "$tool" --install "$build" --prefix /usr >/dev/null
  same_files "$work/root"
  check_entries "$work/root"
  check_launcher "$work/root"
  ;;
package)
  "$tool" --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
  deb=$(echo "$work"/package/odovex_*_amd64.deb)
  [ -f "$deb" ] || fail "no package"
  dpkg-deb -x "$deb" "$work/root"
  same_files "$work/root"
  check_entries "$work/root"
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in libqt6widgets6 libx11-6 libxi6 fonts-liberation2; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
  done
  # Errors fail the check; warnings and the rest are shown.
  lintian --tag-display-limit 0 "$deb" | tee "$work/lintian.txt"
  ! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
echo "$mode: passed"

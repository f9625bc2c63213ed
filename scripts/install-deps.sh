#!/usr/bin/env bash
# Installs the Debian packages Odovex needs to build, run and test, and only those
# that are missing. Safe to run again: it does nothing when everything is present.
#
#   scripts/install-deps.sh             the packages below
#   scripts/install-deps.sh PACKAGE...  those packages instead (what one script alone needs)
#   scripts/install-deps.sh --list      the names of the packages below, one a line
#
# Names are those of the Debian release this runs on, 12 "bookworm" or 13 "trixie" (the
# codename in $DEPS_RELEASE stands for it).
set -euo pipefail

release=${DEPS_RELEASE:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
# Liberation 2 came as fonts-liberation2 up to Debian 12; from 13 on it is fonts-liberation
# (fonts-liberation2 is a transitional package there).
liberation2=fonts-liberation
[ "$release" != bookworm ] || liberation2=fonts-liberation2

packages=(
  # build
  cmake g++ make ccache pkg-config qt6-base-dev libx11-dev libxi-dev libxrandr-dev libxtst-dev libxcb1-dev
  # a face with MS Sans Serif's widths, for which the windows are laid out
  "$liberation2"
  # the icon's pictures, rendered from its SVG at build time
  librsvg2-bin
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev
  # the desktop the end-to-end tests run on
  xvfb xauth openbox trayer x11-utils x11-xkb-utils x11-xserver-utils xdotool desktop-file-utils x11-apps imagemagick
  # several monitors for the rig: Xorg with the dummy driver (Xvfb has one RandR output)
  xserver-xorg-core xserver-xorg-video-dummy
  # launches autostart entries in the setup tests (gio)
  libglib2.0-bin
  # the package and its checks: make deb (dpkg-shlibdeps, fakeroot), lintian, the metainfo's
  # validator, the manual page's checker
  dpkg-dev fakeroot lintian appstream man-db
  # the installed icon loaded as GTK's menus load it (gdk-pixbuf and its SVG loader)
  libgdk-pixbuf2.0-bin librsvg2-common
  # the end-to-end rig and the measurements are driven by Debian's /usr/bin/python3
  python3
  # Debian 13 in a chroot, where make test builds and tests too (scripts/trixie.sh)
  debootstrap
)

[ "${1:-}" != --list ] || { printf '%s\n' "${packages[@]}"; exit 0; }

[ $# -eq 0 ] || packages=("$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# Another apt at work (an upgrade, a software centre) holds its locks: both steps wait for it
# up to ten minutes. The install step's lock timeout covers dpkg's lock only, so the update,
# which takes the package lists' lock, is tried again while that lock is held.
waited=0
until out=$($SUDO env LC_ALL=C apt-get update -qq 2>&1); do
  if [[ $out != *"Could not get lock"* ]] || [ $waited -ge 600 ]; then
    echo "$out" >&2
    exit 1
  fi
  [ $waited -gt 0 ] || echo "Waiting for another apt to release its lock..."
  sleep 2
  waited=$((waited + 2))
done
[ -z "$out" ] || echo "$out"
$SUDO apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"

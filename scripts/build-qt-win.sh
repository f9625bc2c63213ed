#!/usr/bin/env bash
# Builds the Windows Qt that `make windows` links against: Debian's own qt6-base source,
# cross-compiled with mingw-w64, only the modules Odovex uses (Core, Gui, Widgets and the
# Windows platform and style plugins). The result is cached outside the checkout, in
# $ODOVEX_QT_WIN (default ~/.cache/odovex/qt6-win64); when that holds a complete build of
# the same recipe the script does nothing. The first build takes 20 to 40 minutes.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${ODOVEX_CACHE:-$HOME/.cache/odovex}
prefix=${ODOVEX_QT_WIN:-$cache/qt6-win64}
jobs=${JOBS:-$(nproc)}
toolchain=$here/cmake/mingw-w64-x86_64.cmake

# The recipe: changing any of it rebuilds the cache.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_network=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_testlib=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_jpeg=OFF
  -DFEATURE_gif=OFF
  # Debian's source leaves out the Wintab header the tablet events need.
  -DFEATURE_tabletevent=OFF
  # The Windows platform plugin of this Qt needs desktop OpenGL to compile and Direct2D to link.
  -DFEATURE_opengl_desktop=ON
  -DFEATURE_direct2d=ON
)
recipe=$(printf '%s\n' "${options[@]}" | cat - "$toolchain" | sha256sum | cut -c1-16)
stamp=$prefix/.odovex-recipe

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; then
  exit 0
fi

# Tools: the cross compiler, and what `apt-get source` needs to unpack a Debian source.
need=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev dpkg-dev cmake ninja-build qt6-base-dev-tools qt6-base-dev xz-utils)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
srclist=/etc/apt/sources.list.d/odovex-deb-src.sources
if [ ! -f "$srclist" ]; then
  $SUDO tee "$srclist" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  updated=
else
  updated=yes
fi
if [ -z "$updated" ] || [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's source of the host's Qt, with Debian's patches applied.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
src=$cache/src/qt6-base-$version
if [ ! -f "$src/.unpacked" ]; then
  rm -rf "$src"
  mkdir -p "$src"
  (cd "$src" && apt-get source -qq --only-source "qt6-base=$version")
  touch "$src/.unpacked"
fi
tree=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)

build=$cache/qt6-win64-build
echo "Building the Windows Qt from $tree into $prefix (log of each step in $build)"
cmake -S "$tree" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
cmake --build "$build" --parallel "$jobs"
rm -rf "$prefix"
cmake --install "$build"
echo "$recipe" >"$stamp"
rm -rf "$build"

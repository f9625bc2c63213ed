#!/usr/bin/env bash
# A Debian system of another release in a directory (debootstrap), built once and cached in
# ~/.cache/odovex/chroot-NAME, and commands run inside it with this checkout at /src.
#
#   scripts/chroot.sh make NAME SUITE PACKAGE...     build it unless the cached one has this recipe
#   scripts/chroot.sh run NAME COMMAND [ARG...]      run a command in it as root
#
# The recipe (suite, mirror, packages) is written to the chroot's .odovex-recipe; another
# recipe builds it afresh. Packages come from the mirror this machine's apt sources name
# ($ODOVEX_MIRROR overrides it). Commands run in a mount namespace of their own, with /proc,
# /sys, /dev, /dev/pts and /dev/shm and the checkout bound in: the mounts end with the command,
# whatever way it ends, and never show outside. They run in a network namespace of their own
# too (loopback only), so nothing inside can reach the network or the desktop of this machine,
# and in a PID namespace, so no process outlives the command. The chroot's own ccache directory
# is ~/.cache/odovex/chroot-NAME.ccache, at /ccache inside.
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${ODOVEX_CACHE:-$HOME/.cache/odovex}
[ "$(id -u)" -eq 0 ] || exec sudo --preserve-env=ODOVEX_CACHE,ODOVEX_MIRROR,JOBS "$0" "$@"

usage() {
  sed -n '2,7p' "$0" >&2
  exit 2
}
[ $# -ge 3 ] || usage
action=$1 name=$2
shift 2
root=$cache/chroot-$name
mkdir -p "$cache"
# One build or run at a time.
exec 9>"$root.lock"
flock 9

# The first archive this machine installs its own release from.
mirror() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(TARGET_OF)' |
    awk -v s="$codename" '$2 == s && $3 == "deb" { print $1; exit }'
}

# Nothing may be mounted below the chroot when it is removed.
mounted_below() { # dir
  awk -v d="$1/" 'index($2, d) == 1 { found = 1 } END { exit !found }' /proc/self/mounts
}

# Runs "$@" in private namespaces with the chroot's mounts; inside, the command runs chrooted.
in_namespace() { # root network|offline command...
  local dir=$1 net=--net
  [ "$2" = network ] && net=
  shift 2
  unshare --mount $net --pid --fork --kill-child --propagation private \
    bash -euo pipefail -c '
      dir=$1 src=$2 ccache=$3
      shift 3
      mount -t proc proc "$dir/proc"
      mount --rbind /sys "$dir/sys"
      mount -t tmpfs -o mode=755 dev "$dir/dev"
      for node in null zero full random urandom tty; do
        touch "$dir/dev/$node"
        mount --bind "/dev/$node" "$dir/dev/$node"
      done
      mkdir -p "$dir/dev/pts" "$dir/dev/shm"
      mount -t devpts -o newinstance,ptmxmode=0666 devpts "$dir/dev/pts"
      ln -s pts/ptmx "$dir/dev/ptmx"
      mount -t tmpfs -o mode=1777 shm "$dir/dev/shm"
      ln -s /proc/self/fd "$dir/dev/fd"
      mkdir -p "$dir/src" "$dir/ccache" "$ccache"
      mount --bind "$src" "$dir/src"
      mount --bind "$ccache" "$dir/ccache"
      # Loopback up for the programs that talk to themselves over it.
      chroot "$dir" sh -c "command -v ip >/dev/null && ip link set lo up || true"
      exec chroot "$dir" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin \
        HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CCACHE_DIR=/ccache JOBS="${JOBS:-$(nproc)}" \
        DEBIAN_FRONTEND=noninteractive "$@"
    ' in_namespace "$dir" "$PWD" "$root.ccache" "$@"
}

case $action in
make)
  suite=$1
  shift
  mirror=${ODOVEX_MIRROR:-$(mirror)}
  [ -n "$mirror" ] || { echo "chroot: no Debian mirror in this machine's apt sources" >&2; exit 1; }
  recipe=$(printf 'suite %s\nmirror %s\npackages %s\n' "$suite" "$mirror" \
    "$(printf '%s\n' "$@" | sort -u | tr '\n' ' ')")
  if [ "$(cat "$root/.odovex-recipe" 2>/dev/null)" = "$recipe" ]; then
    exit 0
  fi
  echo "chroot: building $root ($suite from $mirror)"
  start=$(date +%s)
  for dir in "$root" "$root.new"; do
    ! mounted_below "$dir" || { echo "chroot: something is mounted below $dir" >&2; exit 1; }
  done
  rm -rf "$root.new"
  mkdir -p "$root.new/etc/dpkg/dpkg.cfg.d"
  # No documentation and no translations: the chroot builds and tests, nobody reads there.
  printf '%s\n' 'path-exclude=/usr/share/doc/*' 'path-include=/usr/share/doc/*/copyright' \
    'path-exclude=/usr/share/locale/*' 'path-exclude=/usr/share/info/*' \
    >"$root.new/etc/dpkg/dpkg.cfg.d/01-odovex-small"
  debootstrap --variant=minbase --components=main "$suite" "$root.new" "$mirror" >"$root.new.log" ||
    { tail -20 "$root.new.log" >&2; exit 1; }
  rm -f "$root.new.log"
  cp /etc/resolv.conf "$root.new/etc/resolv.conf"
  in_namespace "$root.new" network sh -ec "
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $* >/dev/null
    apt-get clean
    rm -rf /var/lib/apt/lists/*
  "
  printf '%s\n' "$recipe" >"$root.new/.odovex-recipe"
  # The built one replaces the old one only whole.
  rm -rf "$root"
  mv "$root.new" "$root"
  echo "chroot: $root built in $(($(date +%s) - start)) s, $(du -sh "$root" | cut -f1)"
  ;;
run)
  [ -f "$root/.odovex-recipe" ] || { echo "chroot: $root is not built" >&2; exit 1; }
  in_namespace "$root" offline "$@"
  ;;
*)
  usage
  ;;
esac

#!/usr/bin/env bash
# Photographs the splash, the About box, the main window and the setup dialog under a private Xvfb
# with openbox, frame included, into docs/splash.png, docs/about.png, docs/main.png and
# docs/setup.png. Needs a build (make, or cmake --build build).
set -euo pipefail
# On a private desktop of the rig (Xvfb at 96 dpi and openbox), started and torn down for it.
if [ -z "${ODOVEX_ON_RIG:-}" ]; then
    self=$(readlink -f "$0")
    exec /usr/bin/python3 "$(dirname "$self")/../tests/rig/xrig.py" --screen 800x600x24 --dpi 96 \
        -- env ODOVEX_ON_RIG=1 "$self" "$@"
fi
cd "$(dirname "$0")/.."
show=build/tests/splash/splash_show
[ -x "$show" ] || { echo "build first: $show is missing" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
within() {
    for _ in $(seq "$1"); do
        if "${@:2}"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Shows one window, waits until it has settled, and saves the screen's part that the window and
# its frame cover.
photograph() {
    "$show" "$1" >"$work/$1.id" 2>/dev/null &
    pids+=($!)
    within 100 test -s "$work/$1.id"
    capture "$(cat "$work/$1.id")" "$1"
}

# Saves window $1 with its frame as docs/$2.png, then ends the program that showed it.
capture() {
    local id=$1
    within 50 eval "xwininfo -id $id | grep -q IsViewable"
    sleep 0.5
    local x y w h l r t b
    read -r x y w h < <(xwininfo -id "$id" | awk -F: '
        /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
        /Width/ { w = $2 } /Height/ { h = $2 } END { print x, y, w, h }')
    read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | awk -F'= ' '
        NF == 2 { gsub(/,/, "", $2); print $2; found = 1 } END { if (!found) print "0 0 0 0" }')
    import -window root -crop "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))" +repage \
        "docs/$2.png"
    kill "${pids[-1]}"
    echo "docs/$2.png"
}

# The program itself, in a directory of its own holding a statistics file of some weeks' use, its
# window titled $2 saved as docs/$1.png; $3 is the units line, $4 and $5 the screen dimensions.
# Zero dimensions and no units make the program open the setup dialog alone, as a first start
# does.
photograph_program() {
    local dir=$work/$1 program today
    program=$(pwd)/build/odovex
    mkdir -p "$dir"
    today=$(date +%-m/%-d/%y) # the short date of the locale below
    printf '%s\r\n' ' 1234 ' ' 87 ' ' 1234.5 ' False "$3" "$4" "$5" \
        '11/2/26 9:15:00 AM' ' 45678 ' ' 3210 ' ' 98765.4321 ' "$today" >"$dir/Odovex1.dat"
    (cd "$dir" && exec env LC_ALL=en_US.UTF-8 XDG_RUNTIME_DIR="$dir" "$program") 2>/dev/null &
    pids+=($!)
    local id
    id=$(within 100 xdotool search --all --onlyvisible --pid "${pids[-1]}" --name "^$2\$")
    capture "$id" "$1"
}

mkdir -p docs
photograph splash
photograph about
photograph_program main Odovex English ' 13.3 ' ' 7.5 '
photograph_program setup 'Odovex Setup' '' ' 0 ' ' 0 '

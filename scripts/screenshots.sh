#!/usr/bin/env bash
# Photographs the splash, the About box, the main window, the setup dialog and the History window
# under a private Xvfb with openbox, frame included, into docs/splash.png, docs/about.png,
# docs/main.png, docs/setup.png and docs/history.png; then the main window and the About box on
# a screen scaled 200 % (Xft.dpi 192, device pixel ratio 2) into docs/main-200.png and
# docs/about-200.png. Needs a build (make, or cmake --build build).
set -euo pipefail
# On a private desktop of the rig (Xvfb and openbox), started and torn down for it: one at
# 96 dpi, then one at 192.
if [ -z "${ODOVEX_ON_RIG:-}" ]; then
    self=$(readlink -f "$0")
    rig=$(dirname "$self")/../tests/rig/xrig.py
    /usr/bin/python3 "$rig" --screen 800x600x24 --dpi 96 -- env ODOVEX_ON_RIG=96 "$self"
    exec /usr/bin/python3 "$rig" --screen 1600x1200x24 --dpi 192 -- env ODOVEX_ON_RIG=192 "$self"
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
# its frame cover as docs/$2.png (docs/$1.png without $2).
photograph() { # window [picture]
    "$show" "$1" >"$work/$1.id" 2>/dev/null &
    pids+=($!)
    within 100 test -s "$work/$1.id"
    capture "$(cat "$work/$1.id")" "${2:-$1}"
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

# The program itself, in a directory of its own holding a statistics file of some weeks' use and
# the history of the days before, its window titled $2 saved as docs/$1.png; $3 is the units
# line, $4 and $5 the screen dimensions. Zero dimensions and no units make the program open the
# setup dialog alone, as a first start does. Keys in $6 (xdotool key names) are typed into the
# main window first, and the window titled $7 is saved instead.
photograph_program() {
    local dir=$work/$1 program today
    program=$(pwd)/build/odovex
    mkdir -p "$dir"
    today=$(date +%-m/%-d/%y) # the short date of the locale below
    printf '%s\r\n' ' 1234 ' ' 87 ' ' 1234.5 ' False "$3" "$4" "$5" \
        '11/2/26 9:15:00 AM' ' 45678 ' ' 3210 ' ' 98765.4321 ' "$today" >"$dir/Odovex1.dat"
    # Weekdays busy, weekends quiet, since the Since date.
    {
        echo 'date,clicks,windows,travel_inches'
        for days in $(seq 35 -1 1); do
            local day weekday
            day=$(date -d "-$days days" +%F)
            weekday=$(date -d "$day" +%u)
            if [ "$weekday" -le 5 ]; then
                echo "$day,$((900 + days * 7919 % 1400)),$((40 + days * 31 % 80)),$((9000 + days * 1049 % 6000)).5"
            elif [ $((days % 3)) -eq 0 ]; then
                echo "$day,$((100 + days * 13 % 200)),$((5 + days % 9)),$((1000 + days * 97 % 900))"
            fi
        done
    } >"$dir/OdovexHistory.csv"
    (cd "$dir" && exec env LC_ALL=en_US.UTF-8 XDG_RUNTIME_DIR="$dir" "$program") 2>/dev/null &
    pids+=($!)
    local id
    id=$(within 100 xdotool search --all --onlyvisible --pid "${pids[-1]}" --name "^$2\$")
    if [ -n "${6:-}" ]; then
        # shellcheck disable=SC2086 # one key name a word
        xdotool windowactivate --sync "$id" key --delay 100 $6
        id=$(within 100 xdotool search --all --onlyvisible --pid "${pids[-1]}" --name "^$7\$")
    fi
    capture "$id" "$1"
}

mkdir -p docs
if [ "$ODOVEX_ON_RIG" = 192 ]; then
    # Qt takes the desktop's scale from Xft.dpi, as on a desktop set to 200 %.
    echo "Xft.dpi: 192" | xrdb -merge
    photograph about about-200
    photograph_program main-200 Odovex English ' 13.3 ' ' 7.5 '
    exit 0
fi
photograph splash
photograph about
photograph_program main Odovex English ' 13.3 ' ' 7.5 '
photograph_program setup 'Odovex Setup' '' ' 0 ' ' 0 '
photograph_program history Odovex English ' 13.3 ' ' 7.5 ' 'alt+f h' 'Odovex History'

#!/usr/bin/env bash
# The splash and the About box on a real X server under openbox. The splash is a splash-type
# window (no taskbar button) in the window manager's "above" state, centred, stays above a window
# that is activated after it, takes no focus when clicked, and hides itself about five seconds
# after it was shown. The About box ignores Escape and ends with Alt+O.
# Usage: splash_on_x11.sh path/to/splash_show
set -euo pipefail
# On a private desktop of the rig (Xvfb at 96 dpi and openbox), started and torn down for it.
if [ -z "${ODOVEX_ON_RIG:-}" ]; then
    self=$(readlink -f "$0")
    exec /usr/bin/python3 "$(dirname "$self")/../rig/xrig.py" --screen 800x600x24 --dpi 96 \
        -- env ODOVEX_ON_RIG=1 "$self" "$@"
fi

show=$1
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Polls a command for up to $1 tenths of a second.
within() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}
screen_width=800
screen_height=600

# Prints the window id that a splash_show started with $1 announces.
start_window() {
    "$show" "$1" >"$work/$1.id" 2>>"$work/$1.log" &
    pids+=($!)
    within 100 test -s "$work/$1.id" || fail "$1 was not shown"
    cat "$work/$1.id"
}
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
milliseconds() { echo $(($(date +%s%N) / 1000000)); }
geometry() { xwininfo -id "$1" | awk -v key="$2" -F: '$1 ~ key { gsub(/ /, "", $2); print $2 }'; }

splash=$(start_window splash)
shown_at=$(milliseconds)
within 50 mapped "$splash" || fail "the splash is not on the screen"

xprop -id "$splash" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
    fail "the splash is not above: $(xprop -id "$splash" _NET_WM_STATE)"
xprop -id "$splash" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_SPLASH ||
    fail "the splash is not a splash window: $(xprop -id "$splash" _NET_WM_WINDOW_TYPE)"
xprop -id "$splash" WM_NAME | grep -q '"Form1"' || fail "the splash's title is not Form1"
left=$(geometry "$splash" 'Absolute upper-left X')
top=$(geometry "$splash" 'Absolute upper-left Y')
width=$(geometry "$splash" 'Width')
height=$(geometry "$splash" 'Height')
[ "$left" -eq $(((screen_width - width) / 2)) ] && [ "$top" -eq $(((screen_height - height) / 2)) ] ||
    fail "the splash ${width}x${height} is at $left,$top, not centred"

# Another application's window, activated after the splash, stays below it.
about=$(start_window about)
within 50 mapped "$about" || fail "the About box is not on the screen"
xdotool windowactivate --sync "$about"
top_window=$(xprop -root _NET_CLIENT_LIST_STACKING | awk '{ print $NF }')
[ $((top_window)) -eq $((splash)) ] || fail "the splash is not the topmost window"

xdotool mousemove --sync $((left + width / 2)) $((top + height - 10)) click 1
sleep 0.3
active=$(xprop -root _NET_ACTIVE_WINDOW | awk '{ print $NF }')
[ $((active)) -ne $((splash)) ] || fail "a click gave the splash the focus"
mapped "$splash" || fail "a click hid the splash"

within 200 eval '! mapped "$splash"' || fail "the splash was still shown after 20 seconds"
elapsed=$(($(milliseconds) - shown_at))
echo "splash hidden after $elapsed ms"
[ "$elapsed" -ge 3000 ] || fail "the splash hid after only $elapsed ms"

xdotool windowactivate --sync "$about" key Escape
sleep 0.3
mapped "$about" || fail "Escape closed the About box"
xdotool windowactivate --sync "$about" key alt+o
within 50 eval '! mapped "$about"' || fail "Alt+O did not press OK"
echo "splash and About box on X11: ok"

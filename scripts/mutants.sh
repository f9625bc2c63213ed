#!/usr/bin/env bash
# Plants each fault of tests/mutants/ in turn in a copy of the sources, builds the targets its
# "Build:" line names and runs the tests its "Catch:" line selects (ctest arguments); a fault
# those tests let pass is missed. The checkout itself is never changed: the copy and its build
# live in a temporary directory, compiled through ccache, and are removed on exit or on a signal.
# Usage: mutants.sh [name-prefix...]
set -u -m
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}
work=$(mktemp -d "${TMPDIR:-/tmp}/odovex-mutants.XXXXXX")
child=

cleanup() {
    if [ -n "$child" ]; then
        kill -TERM -- "-$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Runs a command in a process group of its own, so that a signal ends it and its children too.
run() {
    "$@" &
    child=$!
    wait "$child"
    local status=$?
    child=
    return $status
}

field() { sed -n "s/^$1: //p" "$2" | head -n 1; }

start=$SECONDS
mkdir "$work/src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -xf - -C "$work/src" || exit 1
git -C "$work/src" init -q || exit 1
# Paths relative to the copy and no working directory in the hash: one run's compilations serve
# the next, whatever temporary directory it gets.
export CCACHE_BASEDIR="$work/src" CCACHE_NOHASHDIR=1
build="$work/src/build"
log="$work/log"
# Arguments, when given, pick patches by the start of their names: `mutants.sh 03 17`.
patches=()
for patch in "$root"/tests/mutants/*.patch; do
    [ $# -eq 0 ] && patches+=("$patch") && continue
    for pick in "$@"; do
        case $(basename "$patch") in "$pick"*) patches+=("$patch") ;; esac
    done
done
read -ra targets <<<"$(for patch in "${patches[@]}"; do field Build "$patch"; done | tr ' ' '\n' |
    sort -u | tr '\n' ' ')"
echo "Building ${targets[*]} from a copy of the sources in $work"
if ! run cmake -S "$work/src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DODOVEX_WERROR=ON >"$log" 2>&1 ||
    ! run cmake --build "$build" -j "$jobs" --target "${targets[@]}" >>"$log" 2>&1; then
    tail -n 30 "$log"
    echo "The unchanged sources do not build"
    exit 1
fi

# The tests each patch names must pass on the unchanged sources, else a fault is "caught" by
# a test that fails anyway.
declare -A checked=()
for patch in "${patches[@]}"; do
    catch=$(field Catch "$patch")
    [ -n "${checked[$catch]:-}" ] && continue
    checked[$catch]=1
    read -ra args <<<"$catch"
    if ! run ctest --test-dir "$build" -j "$jobs" "${args[@]}" >"$log" 2>&1; then
        tail -n 30 "$log"
        echo "ctest $catch fails on the unchanged sources"
        exit 1
    fi
done

caught=0
missed=0
broken=0
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    catch=$(field Catch "$patch")
    read -ra args <<<"$catch"
    if ! git -C "$work/src" apply "$patch" 2>"$log"; then
        printf '%-34s DOES NOT APPLY\n' "$name"
        broken=$((broken + 1))
        continue
    fi
    read -ra targets <<<"$(field Build "$patch")"
    if ! run cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$log" 2>&1; then
        printf '%-34s DOES NOT BUILD\n' "$name"
        broken=$((broken + 1))
    elif run ctest --test-dir "$build" -j "$jobs" --stop-on-failure "${args[@]}" \
        >"$log" 2>&1; then
        printf '%-34s MISSED  %s (ctest %s)\n' "$name" "$(field Fault "$patch")" "$catch"
        missed=$((missed + 1))
    else
        printf '%-34s caught  %s\n' "$name" "$(field Fault "$patch")"
        caught=$((caught + 1))
    fi
    git -C "$work/src" apply -R "$patch" || exit 1
done
echo "Mutants: ${#patches[@]}, caught $caught, missed $missed, not applied or built $broken" \
    "($((SECONDS - start)) s)"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]

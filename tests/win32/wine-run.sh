#!/usr/bin/env bash
# Runs a Windows program under Wine (Debian's wine64), the emulator of the Windows build's tests.
# Without WINEPREFIX set, each run gets a prefix of its own, linked from the one that
# scripts/windows.sh prepared, and removed with its wineserver afterwards; so runs in parallel
# share nothing. The staged program's directory is on the DLL search path.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=/usr/lib/wine/wine64
if [ -n "${ODOVEX_WIN_DLLS:-}" ]; then
  export WINEPATH="Z:${ODOVEX_WIN_DLLS//\//\\}"
fi
if [ -n "${WINEPREFIX:-}" ]; then
  exec "$wine" "$@"
fi
template=${ODOVEX_WINE_TEMPLATE:-${ODOVEX_CACHE:-$HOME/.cache/odovex}/wine-prefix}
if [ ! -f "$template/system.reg" ]; then
  echo "wine-run: no Wine prefix at $template; scripts/windows.sh prepares it" >&2
  exit 2
fi
mkdir -p "$template.runs"
WINEPREFIX=$(mktemp -d "$template.runs/XXXXXX")
export WINEPREFIX
cp -al "$template/." "$WINEPREFIX/"
# Wine writes the registry into a file with other links in place: copies of its own.
for hive in "$template"/*.reg; do
  cp --remove-destination "$hive" "$WINEPREFIX/${hive##*/}"
done
"$wine" "$@"
code=$?
# The server is waited for: a later run whose prefix reuses this one's inode would otherwise
# find the socket of a server on its way out.
/usr/lib/wine/wineserver64 -k 2>/dev/null
/usr/lib/wine/wineserver64 -w 2>/dev/null
rm -rf "$WINEPREFIX"
exit $code

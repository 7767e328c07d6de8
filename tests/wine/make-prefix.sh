#!/bin/sh
# Creates the build tree's throw-away Wine prefix from nothing, so no earlier run leaks in.
set -eu
. "$(dirname "$0")/wine-env.sh"
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
test -f "$WINEPREFIX/system.reg" || { echo "wineboot made no prefix at $WINEPREFIX" >&2; exit 1; }

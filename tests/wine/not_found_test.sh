#!/bin/sh
# The real exe under the real Wine on a machine with no HID devices: exactly the not-found
# line in code page 932 with CR LF, and exit status 1.
set -u
exe="$1"
. "$(dirname "$0")/wine-env.sh"
export LC_ALL=ja_JP.UTF-8
# Wine's own hid.dll and setupapi.dll, not the test fakes the prefix holds for this exe.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;hid,setupapi=b"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT

wine "$exe" >"$out"
status=$?
# "USB-IO2が見つかりません" CR LF in CP932, spelled out so no converter is trusted.
expected="5553422d494f3282aa8ca982c282a982e882dc82b982f10d0a"
actual="$(od -An -tx1 -v "$out" | tr -d ' \n')"
ok=1
[ "$actual" = "$expected" ] || { echo "stdout: $actual"; echo "wanted: $expected"; ok=0; }
[ "$status" -eq 1 ] || { echo "exit status $status, wanted 1"; ok=0; }
[ "$ok" -eq 1 ] && echo "not-found report exact, status 1"
[ "$ok" -eq 1 ]

#!/bin/sh
# The Linux tool needs the C library and nothing else: no C++ runtime, no HID or udev library.
set -eu
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
if [ "$needed" != "libc.so.6 " ]; then
  echo "unexpected shared libraries: $needed" >&2
  exit 1
fi
echo "needs only: $needed"

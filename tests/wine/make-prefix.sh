#!/bin/sh
# Prepares the build tree's throw-away Wine prefix. It is made from nothing once per Wine
# version and then reused, since making one takes longer than all the cases together; what
# a case writes lives in its own folder, which the case makes afresh.
#
# The test-only hid.dll and setupapi.dll (argument: the folder holding them) go into the
# prefix's system32, and a per-application DllOverrides entry makes only usbio2-list.exe load
# them as native. Not the exe's folder: that is the shipped bin/, and a DLL beside the exe is
# skipped once the exe restricts its imports to system32 (LOAD_LIBRARY_SEARCH_SYSTEM32 in
# DependentLoadFlags, which Wine 8 does not yet honour but Windows does). Every other Wine
# process keeps Wine's own DLLs, and WINEDLLOVERRIDES=hid,setupapi=b puts them back for a run.
set -eu
fakes="$1"
. "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/usbio2-prefix-ready"
version="$(wine --version)"

if [ "$(cat "$stamp" 2>/dev/null)" != "$version" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  for dll in hid setupapi; do
    wine reg add 'HKCU\Software\Wine\AppDefaults\usbio2-list.exe\DllOverrides' \
      /v "$dll" /d native /f >/dev/null 2>&1
  done
  wineserver -w
  grep -q 'AppDefaults\\\\usbio2-list.exe\\\\DllOverrides' "$WINEPREFIX/user.reg" ||
    { echo "no DllOverrides for usbio2-list.exe in $WINEPREFIX" >&2; exit 1; }
  echo "$version" >"$stamp"
fi

# Every run: the fakes may have been rebuilt since.
cp "$fakes/hid.dll" "$fakes/setupapi.dll" "$WINEPREFIX/drive_c/windows/system32/"

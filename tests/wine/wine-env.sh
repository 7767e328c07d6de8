# Sourced by the Wine tests (and read by e2e_cases.py): a quiet 32-bit Wine with no Mono or
# Gecko prompts. USBIO2_WINEPREFIX names the throw-away prefix of this build tree.
export WINEPREFIX="${USBIO2_WINEPREFIX:?USBIO2_WINEPREFIX must name the test prefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL="${LC_ALL:-ja_JP.UTF-8}"

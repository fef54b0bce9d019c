#!/usr/bin/env bash
# Screenshots of the Windows program under Wine at 96, 144 and 192 DPI, for
# the README: docs/screenshot-windows-wine-DPI.png. Wine starts a program at
# the DPI of the registry's LogPixels, so each DPI gets a prefix of its own.
# Usage: scripts/wine_screenshots.sh [MINGW_BUILD_DIR [OUT_DIR]] (after make windows).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/mingw}" && pwd)
out=$(mkdir -p "${2:-docs}" && cd "${2:-docs}" && pwd)
work="$build/screenshots"

wine=/usr/lib/wine/wine64
command -v "$wine" >/dev/null 2>&1 || wine=wine64
server="${wine%64}server"
command -v "$server" >/dev/null 2>&1 || server=wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null' EXIT

for dpi in 96 144 192; do
  rm -rf "$work/$dpi"
  mkdir -p "$work/$dpi/fb"
  export WINEPREFIX="$work/$dpi/prefix"
  # Xvfb keeps its screen in a file (XWD) that the picture is cut from; the
  # white root sets the window apart, and the pointer, in the middle of a
  # large screen, stays off it.
  Xvfb -displayfd 3 -screen 0 3200x2600x24 -wr -nocursor -fbdir "$work/$dpi/fb" -nolisten tcp 3>"$work/$dpi/display" \
    >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/$dpi/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$work/$dpi/display")"

  timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
  timeout 60 "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  # Unmanaged windows: Wine draws the frame itself, with no window manager.
  timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  timeout 60 "$server" -k || true
  timeout 60 "$server" -w || true

  # The e2e-wine rig's driver starts the program and returns once its window shows.
  timeout 180 "$wine" "$(windows_path "$build/tests/e2e/wine/magcfg_wine_driver.exe")" --early \
    "$(windows_path "$build/platform/win32/magcfg.exe")" </dev/null >/dev/null 2>&1
  sleep 2
  python3 scripts/screen_crop.py "$work/$dpi/fb/Xvfb_screen0" "$out/screenshot-windows-wine-$dpi.png"
  timeout 60 "$server" -k || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
done

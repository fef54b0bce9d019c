#!/bin/bash
# Runs a Windows test program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a throw-away Wine prefix (made on first use). Programs that make
# windows need an X display: with MAGCFG_WINE_DISPLAY=1 and no DISPLAY, the
# program runs under an Xvfb of its own. Running the whole suite under one
# `xvfb-run -a` is faster.
set -u -o pipefail

prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko install prompts: the programs need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

wine=""
for candidate in /usr/lib/wine/wine64 wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$candidate; break; fi
done
if [ -z "$wine" ]; then
  echo "wine-run.sh: no wine found (install wine64)" >&2
  exit 127
fi

listing=0
for arg in "$@"; do
  case $arg in --gtest_list_tests) listing=1 ;; esac
done

if [ -z "${DISPLAY:-}" ] && [ "${MAGCFG_WINE_DISPLAY:-0}" = 1 ] && [ "$listing" = 0 ]; then
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "wine-run.sh: no DISPLAY and no xvfb-run (install xvfb)" >&2
    exit 127
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$prefix" "$@"
fi

# Making a prefix takes seconds; parallel test runs must not make it twice.
mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/system.reg" ]; then
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine" wineboot -i >/dev/null 2>&1
      # Unmanaged windows: without a window manager on the display, Wine
      # otherwise waits two seconds for every window it hides or destroys.
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      "${wine%64}server" -w 2>/dev/null || wineserver -w 2>/dev/null || true
    fi
  ) 9>"$prefix.lock"
fi

# The Windows C runtime writes CRLF line ends; test discovery reads lines.
"$wine" "$@" | tr -d '\r'

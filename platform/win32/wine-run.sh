#!/bin/bash
# Runs a Windows test program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a throw-away Wine prefix (made on first use); the programs run on
# an Xvfb display of their own.
set -u

prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko install prompts: the programs need neither. No menu
# builder, which would write desktop files and MIME types into the host's home.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="

wine=""
for candidate in /usr/lib/wine/wine64 wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$candidate; break; fi
done
if [ -z "$wine" ]; then
  echo "wine-run.sh: no wine found (install wine64)" >&2
  exit 127
fi

# Making a prefix takes seconds; parallel test runs must not make it twice.
mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/system.reg" ]; then
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&-
      # Unmanaged windows: without a window manager on the display, Wine
      # otherwise waits two seconds for every window it hides or destroys.
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
      "${wine%64}server" -w 2>/dev/null || wineserver -w 2>/dev/null || true
    fi
  ) 9>"$prefix.lock"
fi

# A Wine server kept for 30 s after the last program spares each test its
# start-up.
server="${wine%64}server"
command -v "$server" >/dev/null 2>&1 || server=wineserver
"$server" -p30 </dev/null >/dev/null 2>&1 || true

# Every program of the prefix gets the same display, whether it makes windows
# or not: the first program to start Wine's desktop process (explorer) gives
# it its display, and the Wine server shares that process with every program
# that follows. So the caller's DISPLAY is not used, and not one Xvfb per
# program but one for all, which ends when no program has asked for it for
# five minutes.
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "wine-run.sh: no Xvfb (install xvfb)" >&2
  exit 127
fi
display=$((100 + $(printf '%s' "$prefix" | cksum | cut -d' ' -f1) % 100))
touch "$prefix.display.used"
(
  flock 8
  # A server killed outright leaves its socket and lock file behind, and a
  # program given that display ends at once without a window: the display is
  # in use only while the process named in its lock file lives.
  if [ -S "/tmp/.X11-unix/X$display" ] && ! kill -0 "$(tr -dc 0-9 <"/tmp/.X$display-lock" 2>/dev/null)" 2>/dev/null; then
    rm -f "/tmp/.X11-unix/X$display" "/tmp/.X$display-lock"
  fi
  if [ ! -S "/tmp/.X11-unix/X$display" ]; then
    setsid bash -c '
      Xvfb ":$1" -screen 0 1280x1024x24 -nolisten tcp & xvfb=$!
      while sleep 30 && kill -0 $xvfb 2>/dev/null; do
        [ -n "$(find "$2" -mmin -5 2>/dev/null)" ] || break
      done
      kill $xvfb 2>/dev/null' _ "$display" "$prefix.display.used" </dev/null >/dev/null 2>&1 8>&- &
    for _ in $(seq 100); do
      [ -S "/tmp/.X11-unix/X$display" ] && break
      sleep 0.05
    done
  fi
) 8>"$prefix.display.lock"
export DISPLAY=":$display"

# The program's output goes through files, not the runner's pipes: Wine's
# background processes (explorer, services) inherit what the program was
# given and outlive it, and a test runner waits for every holder of its pipe.
# The Windows C runtime writes CRLF line ends; test discovery reads lines.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# A program that failed without printing a line never ran: Wine itself failed
# to start it (its server was starting or stopping). Such a start is tried
# again; a program that ran and failed is not.
for attempt in 1 2 3; do
  "$wine" "$@" </dev/null >"$out" 2>"$err"
  status=$?
  [ $status -eq 0 ] || [ -s "$out" ] && break
  echo "wine-run.sh: $1 did not start (attempt $attempt, status $status): $(head -c 300 "$err")" >&2
  sleep 1
done
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
exit $status

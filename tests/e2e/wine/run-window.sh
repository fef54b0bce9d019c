#!/usr/bin/env bash
# Inside the test machine, under with-readers.sh (two readers): runs the
# mingw magcfg.exe under Wine against gadget reader0 (reader1 waits
# unplugged), drives it with magcfg_wine_driver through the cases of
# window.cases, and checks each case's transcript and the frames reader0
# received; then magcfg-cli.exe (run-cli.sh). Ends with
# "e2e-wine: P passed, F failed", also written to $E2E_OUT/e2e-wine-result.
#
# What Wine 8.0 needs to serve the reader here (found on this machine):
# - The bus option "Enable SDL" = 0 (REG_DWORD) under
#   HKLM\System\CurrentControlSet\Services\winebus. With SDL on (the
#   default) winebus starts its SDL bus and, as that start is taken for a
#   success even when libSDL2 is missing ("could not load libSDL2-2.0.so.0"),
#   never starts the udev bus that serves hidraw nodes: the log shows
#   "SDL main loop starting" and no "UDEV main loop starting", and Wine lists
#   only its own two devices (845e:0001, 845e:0002).
# - DisableUdevd = 1 there too: no udevd runs here, and with it the udev bus
#   finds /dev/hidraw* itself (inotify on /dev, sysfs for the IDs). The
#   hidraw backend is on by default. The node is root's, and so are we: no
#   udev rule is needed.
# - ServicesPipeTimeout (a REG_SZ, in ms) under
#   HKLM\System\CurrentControlSet\Control far above its 10 s default: under
#   software emulation the driver host process of winebus takes longer than
#   that to start, and services.exe then kills it in the middle of starting
#   the bus, before its hidraw scan. The reader then reached Wine only as a
#   USB device without driver ("No driver registered for device" for
#   USB\VID_5131&PID_2007, which is harmless) and never as a HID device.
# - The machine's CPU without SMAP (run-vm.sh's MAGCFG_E2E_CPU=max,smap=off):
#   QEMU 7.2's software emulation checks the user-mode iretq of Wine's
#   system call return against SMAP and every Wine process died with a
#   kernel oops "supervisor read access in user mode".
# - The desktop process (explorer) up before the program makes its first
#   window: Wine waits only 5 s for it there, and a window made earlier gets
#   the null driver for the process's life ("The explorer process failed to
#   start."); explorer took a minute here. explorer and the driver's early
#   start (which starts the program once the desktop's display driver is
#   loaded) run from the prefix's RunServices key, so wineboot starts them
#   beside the services; the run then takes over the program's window.
# - Time: every Wine process start costs 10 to 30 s under software emulation
#   on a busy host. Wine's start (wineboot, services, plug and play, two
#   driver hosts for winebus and the HID class) takes about 90 s of it; the
#   event log, network and USB services and the menu builder are left out,
#   and the checks below start no process.
# The prefix is made on the host (scripts/e2e/run-wine.sh) and used here
# through the overlay, so its changes stay in the machine.
set -uo pipefail
rig="$(cd "$(dirname "$0")/.." && pwd)"
here="$rig/wine"
source "$rig/gadget.sh"
source "$rig/lib.sh"

mingw="$MAGCFG_ROOT/build/mingw"
program="$mingw/platform/win32/magcfg.exe"
driver="$mingw/tests/e2e/wine/magcfg_wine_driver.exe"
work=/run/e2e/wine
mkdir -p "$work"
wine=/usr/lib/wine/wine64
export WINEPREFIX="${MAGCFG_E2E_WINEPREFIX:-$MAGCFG_ROOT/build/e2e/wineprefix}"
export WINEDEBUG="${E2E_WINEDEBUG:-+timestamp,err+all}"
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

# The window's cases have reader0 alone on the bus; run-cli.sh plugs reader1
# in.
for ((n = 1; n < E2E_READERS; n++)); do gadget_unbind "reader$n"; done
wait_gone "$(reader_var HIDRAW 1)"

# Started early by wineboot (see run-wine.sh), from the prefix's C: drive,
# which lives in the overlay.
cp "$driver" "$WINEPREFIX/drive_c/magcfg_wine_driver.exe"
cp "$program" "$WINEPREFIX/drive_c/magcfg.exe"
program="$WINEPREFIX/drive_c/magcfg.exe"

# Z: is the machine's root in every Wine prefix.
winepath_w() { echo "Z:${1//\//\\}"; }

Xvfb :9 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -S /tmp/.X11-unix/X9 ] && break; sleep 0.1; done
export DISPLAY=:9

# The cases, parsed into the driver's steps (a signal before each case lets
# this side script the reader and mark its frame log) and the expectations.
names=() scripts=() unplugs=() expected=() frames=()
n=-1
while IFS= read -r line; do
  case "$line" in
    '#'* | '') ;;
    '== '*)
      n=$((n + 1))
      names[n]="${line#== }" scripts[n]="" unplugs[n]="" expected[n]="" frames[n]="-"
      ;;
    'script '*) scripts[n]="${line#script }" ;;
    unplug) unplugs[n]=1 ;;
    'frames '*) frames[n]="${line#frames }" ;;
    '= '*) expected[n]+="${line#= }"$'\n' ;;
    *) expected[n]+="> $line"$'\n' ;;
  esac
done <"$here/window.cases"
cases=$((n + 1))
for ((i = 0; i < cases; i++)); do
  echo "signal case$i"
  while IFS= read -r line; do
    case "$line" in '> '*) echo "${line#> }" ;; esac
  done <<<"${expected[i]}"
done >"$work/steps"

# This side of each case, answered before the driver goes on: the reader's
# script, the unplug, and a mark in reader0's frame log.
log0=$(reader_var LOG 0)
(
  for ((i = 0; i < cases; i++)); do
    while [ ! -e "$work/case$i.request" ]; do sleep 0.1; done
    [ -n "${scripts[i]}" ] && reader_script 0 "${scripts[i]}"
    if [ -n "${unplugs[i]}" ]; then
      gadget_unbind reader0
      wait_gone "$E2E_HIDRAW_0"
      # Wine's bus hears of the node's removal through inotify; its removal
      # has to reach the HID class driver before the next write.
      sleep 2
    fi
    wc -l <"$log0" >"$work/case$i.mark"
    touch "$work/case$i.done"
  done
) &
watcher=$!

start=$(cut -d' ' -f1 /proc/uptime)
echo "e2e-wine: the driver starts at $(cut -d' ' -f1 /proc/uptime) s"
timeout "${E2E_WINE_DRIVER_SECONDS:-420}" "$wine" "$driver" "$program" "$(winepath_w "$work/steps")" "$(winepath_w "$work/transcript")" \
  "$(winepath_w "$work")" </dev/null >"$E2E_OUT/wine-driver.log" 2>&1
driver_rc=$?
end=$(cut -d' ' -f1 /proc/uptime)
echo "e2e-wine: the driver ran ${start%.*} s to ${end%.*} s after boot, exit $driver_rc"
kill "$watcher" 2>/dev/null
wc -l <"$log0" >"$work/case$cases.mark"
touch "$work/transcript"
cp "$work/transcript" "$E2E_OUT/wine-transcript" 2>/dev/null

# Each case's part of the transcript runs from its signal line to the next.
# Plain bash from here: every process started costs a good part of a second
# under software emulation.
mapfile -t transcript <"$work/transcript"
mapfile -t frame_log <"$log0"
declare -a got=()
i=-1
for line in "${transcript[@]}"; do
  case "$line" in
    '> signal case'*) i=${line#> signal case} ;;
    'signal: '*) ;;
    *) [ "$i" -ge 0 ] && got[i]+="$line"$'\n' ;;
  esac
done
for ((i = 0; i < cases; i++)); do
  read -r from <"$work/case$i.mark" 2>/dev/null || from=0
  read -r to <"$work/case$((i + 1)).mark" 2>/dev/null || to=$from
  got_frames=""
  for ((k = from; k < to; k++)); do got_frames+="${got_frames:+; }${frame_log[k]}"; done
  if [ "${got[i]:-}" = "${expected[i]}" ] && [ "${got_frames:--}" = "${frames[i]}" ]; then
    pass "wine: ${names[i]}"
  else
    fail "wine: ${names[i]}" "transcript:" "${got[i]:-}" "wanted:" "${expected[i]}" \
      "frames: ${got_frames:--} (want ${frames[i]})"
  fi
done
check "wine: the driver ran every step and magcfg.exe ended with its window (exit $driver_rc)" [ "$driver_rc" -eq 0 ]
[ "$driver_rc" -eq 0 ] || cat "$E2E_OUT/wine-driver.log"

# magcfg-cli.exe, three at once on reader0 (plugged back in after the last
# case): under Wine too every input report reaches every open handle of the
# reader, and each program holds the reader's mutex for its exchange. Each
# Wine process start takes 10 to 30 s here: two rounds each.
gadget_bind reader0 dummy_udc.0
E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
sleep 3  # Wine's bus hears of the node through inotify
reader_script 0 swipe-demo
SHARED_CLI=(env WINEDEBUG=-all "$wine" "$mingw/cli/magcfg-cli.exe")
shared_start
started=${EPOCHREALTIME%.*}
shared_three 2
echo "e2e-wine: six magcfg-cli.exe runs, three at a time, took $((${EPOCHREALTIME%.*} - started)) s"
for command in status version read; do shared_check "wine: magcfg-cli.exe, three at once: $command's own answer" $command 2; done
source "$here/run-cli.sh"

# Wine's server and services hold the output share open otherwise.
/usr/lib/wine/wineserver -k 2>/dev/null
kill "$xvfb" 2>/dev/null

result="e2e-wine: $E2E_PASSED passed, $E2E_FAILED failed"
echo "$result"
echo "$result" >"$E2E_OUT/e2e-wine-result"
[ "$E2E_FAILED" -eq 0 ]

#!/usr/bin/env bash
# make e2e-wine: the Windows program (build/mingw) under Wine against a gadget
# reader in the test machine, driven through its window's control IDs; the
# gadget side is the default build's reader program. Makes the Wine prefix
# on the host once (build/e2e/wineprefix), boots the machine with two readers
# and runs tests/e2e/wine/run-window.sh there. Ends with
# "e2e-wine: P passed, F failed".
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${MAGCFG_E2E_OUT:-$root/build/e2e/out}"
prefix="$root/build/e2e/wineprefix"
wine=/usr/lib/wine/wine64
mkdir -p "$out"
rm -f "$out/e2e-wine-result"
start=$(date +%s)

# Settings the machine needs (see run-window.sh): winebus starts its udev bus
# and finds hidraw nodes without udevd, and services.exe waits for driver
# hosts slowed down by software emulation instead of killing them.
# The marker holds the settings' version: a prefix made with older settings
# is made anew.
settings=5
if [ "$(cat "$prefix/.magcfg-ready" 2>/dev/null)" != "$settings" ]; then
  rm -rf "$prefix"
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1
  "$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v DisableUdevd /t REG_DWORD /d 1 /f >/dev/null
  "$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v "Enable SDL" /t REG_DWORD /d 0 /f >/dev/null
  "$wine" reg add 'HKLM\System\CurrentControlSet\Control' /v ServicesPipeTimeout /t REG_SZ /d 600000 /f >/dev/null
  # Services the run does without, each a process start less under software
  # emulation: the event log, the network drivers, USB device access.
  for service in Eventlog NDIS nsiproxy wineusb; do
    "$wine" reg add "HKLM\\System\\CurrentControlSet\\Services\\$service" /v Start /t REG_DWORD /d 4 /f >/dev/null
  done
  # Unmanaged windows: without a window manager Wine waits for every window
  # it hides or destroys.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  # The desktop process (explorer) and the program start with wineboot, in
  # parallel with the services, instead of after them: the driver's early
  # start (both copied to C:\ by run-window.sh) starts the program once the
  # desktop is up. Seen here: with the early start alone asking for the
  # desktop, the desktop never came up; with explorer started here as well
  # it does. The menu builder only costs time.
  run='HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices'
  "$wine" reg delete "$run" /v winemenubuilder /f >/dev/null
  "$wine" reg add "$run" /v magcfg-desktop /d 'C:\windows\system32\explorer.exe /desktop' /f >/dev/null
  "$wine" reg add "$run" /v magcfg-early /d 'C:\magcfg_wine_driver.exe --early C:\magcfg.exe' /f >/dev/null
  /usr/lib/wine/wineserver -w
  echo "$settings" >"$prefix/.magcfg-ready"
fi

# Two readers, the second with other report lengths (100-byte input, 20-byte
# output reports).
MAGCFG_E2E_CPU=max,smap=off "$root/scripts/e2e/run-vm.sh" -r 2 -t "${MAGCFG_E2E_WINE_SECONDS:-1200}" \
  "$root/tests/e2e/with-readers.sh" -l 64:64,100:20 "$root/tests/e2e/wine/run-window.sh" 2>&1 | tee "$out/e2e-wine.log"
rc=${PIPESTATUS[0]}
echo "e2e-wine: took $(($(date +%s) - start)) s"
if [ ! -f "$out/e2e-wine-result" ]; then
  echo "e2e-wine: 0 passed, 1 failed (the machine ended before the cases did)"
  exit 1
fi
cat "$out/e2e-wine-result"
exit "$rc"

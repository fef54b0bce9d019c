#!/usr/bin/env bash
# Inside the test machine, under with-readers.sh: runs every case script of
# tests/e2e/cases in name order (or those named in E2E_CASES, a glob), all in
# this one boot, and ends with one line: "e2e: P passed, F failed". The
# result line also lands in $E2E_OUT/e2e-result.
#
# Adding cases: put an executable-free bash file NN-name.sh in
# tests/e2e/cases. It is sourced here with lib.sh's helpers (pass, fail,
# check, run_cli, reader_script, frames_mark/frames_since, gadget.sh's
# plug/unplug functions); it starts with reader0 alone on the bus and must
# leave it so (plug reader1 and others back out when done), with udevd
# (E2E_UDEVD_PID) running and the shipped rule in force.
set -uo pipefail
rig="$(cd "$(dirname "$0")" && pwd)"
source "$rig/gadget.sh"
source "$rig/lib.sh"

# udev as on an installed system: Debian's systemd-udevd with the shipped rule
# where the package puts it, so that a plug-in applies the rule for real.
# Readers plugged in before it started are announced to it again. The job
# runs in a chroot, which udevadm would take for a container and ignore.
# (The Wine run, tests/e2e/wine, runs without it: Wine's bus there finds the
# nodes itself.)
export SYSTEMD_IGNORE_CHROOT=1
cp "$MAGCFG_ROOT/packaging/linux/70-magcfg.rules" /usr/lib/udev/rules.d/70-magcfg.rules
/lib/systemd/systemd-udevd >/run/e2e/udevd.log 2>&1 &
E2E_UDEVD_PID=$!
for _ in $(seq 100); do [ -e /run/udev/control ] && break; pause 0.1; done
udevadm trigger --action=add --subsystem-match=hidraw --subsystem-match=input
udevadm settle --timeout=60 || echo "e2e: udev did not settle within 60 s"

# Cases start with one reader on the bus; reader1 and beyond wait unplugged.
for ((n = 1; n < E2E_READERS; n++)); do gadget_unbind "reader$n"; done
wait_gone "$(reader_var HIDRAW 1)"

for case_file in "$rig"/cases/${E2E_CASES:-*.sh}; do
  echo "== ${case_file##*/} (at $(cut -d' ' -f1 /proc/uptime) s)"
  source "$case_file"
done

result="e2e: $E2E_PASSED passed, $E2E_FAILED failed"
echo "$result"
echo "$result" >"$E2E_OUT/e2e-result"
[ "$E2E_FAILED" -eq 0 ]

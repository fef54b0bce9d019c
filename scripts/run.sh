#!/usr/bin/env bash
# Starts the program: on the USB reader when one is attached, otherwise on
# the simulated reader, so the window can be tried without hardware.
set -euo pipefail
program="$1"
shift || true

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "magcfg needs a graphical display, and this session has none (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run it under a virtual X server instead:  xvfb-run -a $program --simulate" >&2
  exit 1
fi

reader_attached() {
  grep -qsi 'HID_ID=[0-9A-F]*:00005131:00002007' /sys/class/hidraw/hidraw*/device/uevent
}

if reader_attached; then
  exec "$program" "$@"
fi
echo "No reader attached: starting on the simulated reader." >&2
exec "$program" --simulate "$@"

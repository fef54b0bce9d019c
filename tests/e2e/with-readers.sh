#!/usr/bin/env bash
# Inside the test machine: plugs in one gadget card reader per dummy_hcd pair
# (reader0 on dummy_udc.0, reader1 on dummy_udc.1, ...), serves each with the
# rig's reader program when it is built, then runs the given command.
#   tests/e2e/with-readers.sh [-l IN:OUT[,IN:OUT...]] command [args...]
#   -l  report lengths of reader0, reader1, ... (default 64:64 each)
# The command sees E2E_READERS (count), E2E_HIDRAW_<n> (the host's node),
# E2E_HIDG_<n> (the device's node), E2E_LOG_<n> (frames reader n received)
# and E2E_CONTROL_<n> (the file that scripts reader n's next replies).
set -euo pipefail
rig="$(cd "$(dirname "$0")" && pwd)"
source "$rig/gadget.sh"
lengths=64:64
while getopts "l:" opt; do
  case "$opt" in
    l) lengths="$OPTARG" ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

reader_program="${E2E_READER_PROGRAM:-$MAGCFG_ROOT/build/default/tests/e2e/magcfg_gadget_reader}"
state=/run/e2e
mkdir -p "$state"
IFS=, read -ra pairs <<<"$lengths"
n=0
for udc in /sys/class/udc/*; do
  udc="${udc##*/}"
  pair="${pairs[n]:-64:64}"
  in="${pair%%:*}" out="${pair##*:}"
  reader_gadget "reader$n" "$udc" "$in" "$out"
  export "E2E_HIDRAW_$n=$(hidraw_of_udc "$udc")"
  export "E2E_HIDG_$n=$(gadget_hidg "reader$n" reader)"
  export "E2E_LOG_$n=$state/reader$n.frames"
  export "E2E_CONTROL_$n=$state/reader$n.control"
  : >"$state/reader$n.frames"
  echo normal >"$state/reader$n.control"
  if [ -x "$reader_program" ]; then
    hidg="E2E_HIDG_$n"
    "$reader_program" --hidg "${!hidg}" --input-length "$in" --output-length "$out" \
      --log "$state/reader$n.frames" --control "$state/reader$n.control" \
      --udc-file "$GADGETS/reader$n/UDC" --udc "$udc" &
  fi
  n=$((n + 1))
done
export E2E_READERS=$n
"$@"

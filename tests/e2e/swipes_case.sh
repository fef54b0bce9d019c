#!/usr/bin/env bash
# Inside the test machine: a card reader gadget with a boot keyboard beside
# its vendor HID function (one USB device 5131:2007, two interfaces) types
# the worked example and, after being unplugged in the middle of a swipe and
# plugged in again, a three-track swipe. magcfg-cli swipes --grab --count 2
# --json must print the two swipes, masked; a second listener (on --path)
# without --grab must hear nothing while the first holds the keyboard, and the
# swipe typed after the first has ended.
set -euo pipefail
rig="$(cd "$(dirname "$0")" && pwd)"
source "$rig/gadget.sh"
cli="$MAGCFG_ROOT/build/default/cli/magcfg-cli"
out="${E2E_OUT:-/tmp}/swipes"
mkdir -p "$out"
fail() { echo "swipes case: $*" >&2; exit 1; }

gadget_create rdr 0x5131 0x2007 0x0102
gadget_add_hid rdr reader 0 0 64 "$(reader_descriptor 64 64 | tr -d ' ')"
gadget_add_keyboard rdr kbd
gadget_bind rdr dummy_udc.0
hidg=$(gadget_hidg rdr kbd)

# The reader's keyboard node, once the kernel has made it.
wait_for_keyboard() {
  for _ in $(seq 100); do
    "$cli" list --json 2>/dev/null | grep -q '"/dev/input/event' && return 0
    sleep 0.1
  done
  fail "no keyboard node beside the reader"
}
# Waits until the file holds the text.
wait_for() {
  for _ in $(seq 100); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "'$2' never came in $1: $(cat "$1")"
}
wait_for_keyboard
"$cli" list
"$cli" list --json | grep -q '"keyboards": \[' || fail "list shows no keyboards"

node=$("$cli" list --json | sed -n 's#.*"\(/dev/input/event[0-9]*\)".*#\1#p' | head -n 1)
"$cli" swipes --path "$node" --json >"$out/listener.out" 2>"$out/listener.err" &
listener=$!
"$cli" swipes --grab --count 2 --json >"$out/grab.out" 2>"$out/grab.err" &
grabber=$!
sleep 1  # both have opened the node

python3 "$rig/type_keys.py" "$hidg" $'%B123^X?;456=7?\n'
wait_for "$out/grab.out" 'B123'

# Unplugged in the middle of a swipe, and plugged in again.
python3 "$rig/type_keys.py" "$hidg" '%B4111'
sleep 0.3
gadget_unbind rdr
wait_for "$out/grab.err" 'gone; waiting'
gadget_bind rdr dummy_udc.0
wait_for "$out/grab.err" 'reading the card reader'
sleep 0.5
python3 "$rig/type_keys.py" "$hidg" \
  $'%B4111111111111111^DOE/JOHN^2512101?;4111111111111111=2512101?+011234567890123456=00000000000000000?\n'

status=0
wait "$grabber" || status=$?
[ "$status" -eq 0 ] || fail "swipes --grab ended with $status: $(cat "$out/grab.err")"
expected='{"path":"EVENT","tracks":["B123^X","456=7",""]}
{"path":"EVENT","tracks":["B411111******1111^DOE/JOHN^2512101","411111******1111=2512101","011234567890123456=000000*******0000"]}'
actual=$(sed -E 's#"/dev/input/event[0-9]+"#"EVENT"#' "$out/grab.out")
[ "$actual" = "$expected" ] || fail "swipes printed:
$(cat "$out/grab.out")"
[ ! -s "$out/listener.out" ] || fail "the swipes reached a second reader of the grabbed keyboard: $(cat "$out/listener.out")"

# The grab ended with the program: the listener hears the next swipe.
python3 "$rig/type_keys.py" "$hidg" $'%LISTENER?\n'
wait_for "$out/listener.out" 'LISTENER'
kill "$listener"
echo "swipes case: ok"
cat "$out/grab.out"

# magcfg-cli swipes on the reader's own keyboard. A gadget shaped as the
# reader in active upload: one USB device 5131:2007 with the reader's vendor
# HID function and a boot keyboard beside it, on the free second bus. It
# types the worked example of the swipe box and, after being pulled out in
# the middle of a swipe and plugged in again, a three-track swipe.
swipes_dir=$(mktemp -d)
gadget_create swiper 0x5131 0x2007 0x0102
gadget_add_hid swiper reader 0 0 64 "$(reader_descriptor 64 64 | tr -d ' ')"
gadget_add_keyboard swiper kbd
gadget_bind swiper dummy_udc.1
swipes_hidg=$(gadget_hidg swiper kbd)
swipes_hidraw=$(hidraw_of_udc dummy_udc.1)
type_keys() { python3 "$MAGCFG_ROOT/tests/e2e/type_keys.py" "$swipes_hidg" "$1"; }
# Waits until the file holds the text.
wait_for_text() {
  for _ in $(seq 200); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
# swipe OUT ERR PATTERN TEXT: types a swipe until the program has printed
# PATTERN to OUT. A busy machine may still make a program lose key strokes;
# it then says so on ERR and the swipe is typed again, as an operator swipes
# again.
swipe() {
  local lost
  for _ in 1 2 3; do
    lost=$(grep -c "were lost" "$2")
    type_keys "$4"
    for _ in $(seq 200); do
      grep -q "$3" "$1" && return 0
      [ "$(grep -c "were lost" "$2")" -gt "$lost" ] && break
      sleep 0.1
    done
  done
  return 1
}

swipes_node=""
for _ in $(seq 100); do
  swipes_node=$("$CLI" list 2>/dev/null | awk -F'\t' -v h="$swipes_hidraw" '$1 == h { print $3 }')
  [ -n "$swipes_node" ] && break
  sleep 0.1
done
check "swipes: list shows the keyboard node beside the reader's hidraw node" [ -n "$swipes_node" ]

# No access for a user without the udev rule.
err=$(setpriv --reuid=65534 --regid=65534 --clear-groups timeout 30 "$CLI" swipes 2>&1 >/dev/null)
rc=$?
check "swipes: an unprivileged user is told to install the udev rule" \
  [ "$rc" = 6 -a "$err" = "magcfg-cli: $swipes_node: permission denied; install the udev rule (magcfg-cli --print-udev-rules) and plug the reader in again" ]

# A listener without --grab, then the grabbing reader. (Not by --path: the
# node may come back under another number after the unplug.)
"$CLI" swipes --json >"$swipes_dir/listener.out" 2>"$swipes_dir/listener.err" &
swipes_listener=$!
timeout 120 "$CLI" swipes --grab --count 2 --json >"$swipes_dir/grab.out" 2>"$swipes_dir/grab.err" &
swipes_grabber=$!
# Programs start slowly in the emulated machine: type only once both hold the
# node open.
opened_by_two() { [ "$(readlink /proc/[0-9]*/fd/* 2>/dev/null | grep -cx "$swipes_node")" -ge 2 ]; }
for _ in $(seq 200); do opened_by_two && break; sleep 0.1; done

swipe "$swipes_dir/grab.out" "$swipes_dir/grab.err" 'B123' $'%B123^X?;456=7?\n'
type_keys '%B4111'
sleep 0.3
gadget_unbind swiper
wait_for_text "$swipes_dir/grab.err" 'gone; waiting'
wait_for_text "$swipes_dir/listener.err" 'gone; waiting'
gadget_bind swiper dummy_udc.1
# Both look for the reader again every half second; the listener must be
# back too before the swipe it is to hear.
wait_for_text "$swipes_dir/grab.err" 'reading the card reader'
wait_for_text "$swipes_dir/listener.err" 'reading the card reader'
sleep 0.5
swipe "$swipes_dir/grab.out" "$swipes_dir/grab.err" 'DOE/JOHN' $'%B4111111111111111^DOE/JOHN^2512101?;4111111111111111=2512101?+011234567890123456=00000000000000000?\n'
wait "$swipes_grabber"
rc=$?
expected="{\"path\":\"$swipes_node\",\"tracks\":[\"B123^X\",\"456=7\",\"\"]}
{\"path\":\"$swipes_node\",\"tracks\":[\"B411111******1111^DOE/JOHN^2512101\",\"411111******1111=2512101\",\"01123456******3456=000000*******0000\"]}"
if [ "$rc" = 0 ] && [ "$(cat "$swipes_dir/grab.out")" = "$expected" ]; then
  pass "swipes: --grab --count 2 --json reads both swipes, across an unplug in the middle of one"
else
  fail "swipes: --grab --count 2 --json reads both swipes, across an unplug in the middle of one" "exit $rc" \
    "stdout: $(cat "$swipes_dir/grab.out")" "stderr: $(cat "$swipes_dir/grab.err")"
fi
check "swipes: a grabbed keyboard types to no one else" [ ! -s "$swipes_dir/listener.out" ]
# The grab ends with the program: the listener hears the next swipe.
if swipe "$swipes_dir/listener.out" "$swipes_dir/listener.err" '"LISTENER"' $'%LISTENER?\n'; then
  pass "swipes: without --grab the program listens"
else
  fail "swipes: without --grab the program listens" "stdout: $(cat "$swipes_dir/listener.out")" \
    "stderr: $(cat "$swipes_dir/listener.err")" "grabber's stderr: $(cat "$swipes_dir/grab.err")"
fi
# A program that does not read in time: the kernel's queue for it runs over
# and drops key strokes. That swipe is left out and the operator told; the
# next one is whole.
kill -STOP "$swipes_listener"
type_keys $'%B4111111111111111^DOE/JOHN^2512101?;4111111111111111=2512101?+011234567890123456=00000000000000000?\n'
kill -CONT "$swipes_listener"
wait_for_text "$swipes_dir/listener.err" "^magcfg-cli: $swipes_node: key strokes of a swipe were lost"
if grep -q "^magcfg-cli: $swipes_node: key strokes of a swipe were lost" "$swipes_dir/listener.err" &&
  swipe "$swipes_dir/listener.out" "$swipes_dir/listener.err" '"AGAIN"' $'%AGAIN?\n' &&
  ! grep -q DOE "$swipes_dir/listener.out"; then
  pass "swipes: a swipe whose key strokes the kernel dropped is left out and said so; the next is whole"
else
  fail "swipes: a swipe whose key strokes the kernel dropped is left out and said so; the next is whole" \
    "stdout: $(cat "$swipes_dir/listener.out")" "stderr: $(cat "$swipes_dir/listener.err")"
fi
kill "$swipes_listener"
wait "$swipes_listener" 2>/dev/null

# The shipped rule, applied by udevd, gives the reader's keyboard node to the
# user at the seat alone: tagged uaccess, root's, not group input's.
tags=$(udevadm info --query=property --property=CURRENT_TAGS --value "$swipes_node")
check "udev: the rule tags the reader's keyboard node uaccess" grep -q ":uaccess:" <<<"$tags"
check "udev: the reader's keyboard node is root's alone" [ "$(stat -c '%U:%G %a' "$swipes_node")" = "root:root 600" ]

# Standard output that takes nothing: swipes --grab ends at the first swipe.
printf '#!/bin/bash\nexec python3 %q %q %q\n' "$MAGCFG_ROOT/tests/e2e/type_keys.py" "$swipes_hidg" $'%OUT?\n' \
  >"$swipes_dir/type" && chmod +x "$swipes_dir/type"
check "swipes: output that cannot be written ends it with 5" \
  sh "$MAGCFG_ROOT/tests/cli/output_failure_test.sh" "$CLI" --swipes "$swipes_dir/type"

# The open of the reader's node held back (strace) while the reader is
# pulled out and a keyboard of another make, plugged in, takes its number:
# that keyboard is closed again, said so, and never read.
strace -f -qq -o "$swipes_dir/held" -P "$swipes_node" -e trace=openat -e inject=openat:delay_enter=10000000:when=1 \
  "$CLI" swipes --grab >"$swipes_dir/held.out" 2>"$swipes_dir/held.err" &
wait_for_text "$swipes_dir/held" "$swipes_node"
gadget_unbind swiper
wait_gone "$swipes_node"
# The keyboard of another make is this gadget with other IDs: the kernel's
# HID gadget function has only four minors (HIDG_MINORS in 6.1), and the
# readers' and this gadget's functions hold them all by now ("mkdir
# functions/hid.kbd: No such device" was seen with a gadget of its own).
echo 0x1234 >"$GADGETS/swiper/idVendor"
echo 0x5678 >"$GADGETS/swiper/idProduct"
gadget_bind swiper dummy_udc.1
wait_for_text "/sys/class/input/${swipes_node##*/}/device/id/vendor" 1234
wait_for_text "$swipes_dir/held.err" "another device has taken"
type_keys $'%SECRET?\n'
pause 1
check "swipes: a keyboard that took the reader's node is closed again, said so, and not read" \
  [ "$(<"$swipes_dir/held.err")" = "magcfg-cli: $swipes_node: another device has taken the card reader's node; it is not read, and the reader is looked for again" -a ! -s "$swipes_dir/held.out" ]
kill "$(awk '{ print $1; exit }' "$swipes_dir/held")" && wait $!
gadget_unbind swiper
wait_gone "$swipes_hidraw"
wait_gone "$swipes_node"
rm -rf "$swipes_dir"

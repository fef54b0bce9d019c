# Access to the node, with udevd running and the shipped rule installed (see
# run-cases.sh): the node carries the uaccess tag, which gives it to the user
# at the seat (no seat here, so nobody), and stays root's alone.

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }

# An unprivileged user: magcfg-cli finds the reader but cannot open it, exits
# with its own status (6), and says why once, on stderr.
notice="magcfg: found the card reader at $E2E_HIDRAW_0 but cannot open it: permission denied."
for command in list version; do
  err=$(as_nobody timeout 30 "$CLI" $command 2>&1 >/dev/null)
  rc=$?
  if [ "$rc" = 6 ] && [ "$(echo "$err" | grep -c "^$notice")" = 1 ]; then
    pass "unprivileged: $command gives the permission notice"
  else
    fail "unprivileged: $command gives the permission notice" "exit $rc" "stderr: $err"
  fi
done

# access_is NAME WANT: what udev made of the node (its tags in udev's
# database, its owner and mode) is WANT, a glob.
access_is() {
  local got
  got="$(udevadm info --query=property --property=CURRENT_TAGS --value "$E2E_HIDRAW_0") $(stat -c '%U:%G %a' "$E2E_HIDRAW_0")"
  if [[ "$got" == $2 ]]; then pass "$1"; else fail "$1" "node $E2E_HIDRAW_0: $got" "want: $2"; fi
}
access_is "udev: the shipped rule tags the reader's node uaccess and leaves it root's alone" "*:uaccess:* root:root 600"

# reader0 plugged in again under the rules now in place, udev done with it.
replug_reader0() {
  udevadm control --reload
  gadget_unbind reader0
  wait_gone "$E2E_HIDRAW_0"
  gadget_bind reader0 dummy_udc.0
  E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
  udevadm settle --timeout=30
}

# A rule made for a group, where an administrator puts it: it overrides the
# packaged rule of the same name.
groupadd -g 4711 magbench
"$CLI" --print-udev-rules --group magbench >/etc/udev/rules.d/70-magcfg.rules
replug_reader0
access_is "udev: a rule made with --group gives that group read and write" "*:uaccess:* root:magbench 660"
check "udev: a member of the group may use the reader" \
  setpriv --reuid=65534 --regid=65534 --groups=4711 timeout 30 "$CLI" version >/dev/null 2>&1
as_nobody timeout 30 "$CLI" version >/dev/null 2>&1
check "udev: another user still may not" [ $? = 6 ]

# As the cases start: the shipped rule alone.
rm /etc/udev/rules.d/70-magcfg.rules
groupdel magbench
replug_reader0
access_is "udev: without the group's rule the node is root's alone again" "*:uaccess:* root:root 600"

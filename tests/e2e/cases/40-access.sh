# Access to the node. devtmpfs makes /dev/hidrawN root's alone (0600) and no
# udev daemon runs in the machine, as on a system without magcfg's rule.

# An unprivileged user: magcfg-cli finds the reader but cannot open it, exits
# with its own status (6), and says why once, on stderr.
notice="magcfg: found the card reader at $E2E_HIDRAW_0 but cannot open it: permission denied."
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
for command in list version; do
  err=$(as_nobody timeout 30 "$CLI" $command 2>&1 >/dev/null)
  rc=$?
  if [ "$rc" = 6 ] && [ "$(echo "$err" | grep -c "^$notice")" = 1 ]; then
    pass "unprivileged: $command gives the permission notice"
  else
    fail "unprivileged: $command gives the permission notice" "exit $rc" "stderr: $err"
  fi
done

# The shipped rule on the real node, through udev's own test run, before and
# after it is installed. udevadm test keeps the tags of an earlier run in its
# database (as TAGS), so each run starts without it; CURRENT_TAGS are this
# run's.
node_tags() {
  rm -rf /run/udev/data
  udevadm test "/sys/class/hidraw/${E2E_HIDRAW_0##*/}" 2>&1 | grep -E "^(CURRENT_TAGS=|Reading rules file: .*70-magcfg|.*Setting permissions)"
}
mkdir -p /etc/udev/rules.d
tags=$(node_tags)
check "udev: without the rule the node has no uaccess tag" bash -c '! grep -q ":uaccess:" <<<"$0"' "$tags"
cp "$MAGCFG_ROOT/packaging/linux/70-magcfg.rules" /etc/udev/rules.d/
tags=$(node_tags)
check "udev: the rule file is read" grep -q "70-magcfg.rules" <<<"$tags"
check "udev: the rule tags the real node uaccess" grep -q "^CURRENT_TAGS=.*:uaccess:" <<<"$tags"
plugdev=$(getent group plugdev | cut -d: -f3)
check "udev: the rule gives group plugdev read and write" \
  grep -q "Setting permissions $E2E_HIDRAW_0, uid=0, gid=$plugdev, mode=0660" <<<"$tags"
rm /etc/udev/rules.d/70-magcfg.rules

#!/usr/bin/env bash
# The watch service's unit, as systemd reads it: systemd-analyze verify finds
# nothing to say (its manual pages included), and its own security review
# shows the settings the service depends on. verify passes with any of them
# wrong: the network or the devices hidden would cut the watch off from the
# readers plugged in, a capability or an Internet socket left would give it
# more than it needs.
# Usage: watch_service_test.sh UNIT MAGCFG_CLI MAN_DIR SCRATCH_DIR
set -uo pipefail
unit_source=$1 program=$2 man_dir=$3 scratch=$4
mkdir -p "$scratch"
# The unit as installed, running the program built here.
unit="$scratch/magcfg-watch.service"
sed "s|/usr/bin/magcfg-cli|$program|" "$unit_source" >"$unit"
# verify looks the manual pages up by name.
mkdir -p "$scratch/man/man1" "$scratch/man/man8"
cp "$man_dir/magcfg-cli.1.gz" "$scratch/man/man1/"
cp "$man_dir/magcfg-watch.service.8.gz" "$scratch/man/man8/"

fail=0
problem() { echo "FAIL    $*"; fail=1; }

said=$(MANPATH="$scratch/man:$(manpath -g 2>/dev/null)" systemd-analyze verify --man=yes "$unit" 2>&1)
rc=$?
[ "$rc" -eq 0 ] && [ -z "$said" ] || problem "systemd-analyze verify (exit $rc): $said"
grep -qx "ExecStart=$program watch \$MAGCFG_WATCH_OPTIONS" "$unit" || problem "ExecStart does not run watch"
grep -qx 'EnvironmentFile=-/etc/magcfg/watch.conf' "$unit" || problem "the options do not come from /etc/magcfg/watch.conf"

review=$(systemd-analyze security --offline=true --threshold=20 "$unit" 2>&1)
rc=$?
[ "$rc" -eq 0 ] || problem "exposure over 2.0 (exit $rc): $(tail -1 <<<"$review")"
# expect MARK SETTING: the review's line for SETTING starts with MARK (✓ set,
# ✗ not set).
expect() {
  grep -q "^$1 $2 " <<<"$review" || problem "expected $1 $2, the review says: $(grep -F " $2 " <<<"$review")"
}
# Still reached: the device events over netlink, the readers plugged in
# later, udev's messages from a sender with user ID 0.
expect ✗ 'RestrictAddressFamilies=~AF_NETLINK'
expect ✗ 'PrivateNetwork='
expect ✗ 'PrivateDevices='
expect ✗ 'PrivateUsers='
grep -q '^✗ DeviceAllow=.*char-hidraw:rw' <<<"$review" || problem "hidraw nodes are not allowed: $(grep DeviceAllow <<<"$review")"
# Everything else shut.
expect ✓ 'RestrictAddressFamilies=~AF_(INET|INET6)'
expect ✓ 'RestrictAddressFamilies=~AF_PACKET'
expect ✓ 'IPAddressDeny='
expect ✓ 'NoNewPrivileges='
expect ✓ 'ProtectSystem='
expect ✓ 'ProtectHome='
grep -q '^✓ ProtectSystem=.*strict' <<<"$review" || problem "the system is not read-only: $(grep ProtectSystem= <<<"$review")"
capabilities=$(grep -c '^✗ CapabilityBoundingSet=' <<<"$review")
[ "$capabilities" -eq 0 ] || problem "capabilities left: $(grep '^✗ CapabilityBoundingSet=' <<<"$review")"
grep -q '^✓ CapabilityBoundingSet=~CAP_SYS_ADMIN ' <<<"$review" || problem "the review shows no capability set"

[ $fail -eq 0 ] && echo "the watch service's unit: verified, exposure $(sed -n 's/.*exposure level for [^:]*: //p' <<<"$review")"
exit $fail

#!/usr/bin/env bash
# The watch service's unit as systemd reads it: verify finds nothing to say
# (manual pages included), and systemd's security review shows the settings
# the service depends on, which verify passes either way: the network, the
# devices or the user IDs hidden would cut the watch off from the readers'
# events; a capability, an Internet socket or a writable system would give it
# more than it needs.
# Usage: watch_service_test.sh UNIT MAGCFG_CLI MAN_DIR SCRATCH_DIR
set -uo pipefail
unit_source=$1 program=$2 man_dir=$3 scratch=$4
unit="$scratch/magcfg-watch.service"
mkdir -p "$scratch/man/man1" "$scratch/man/man8"
sed "s|/usr/bin/magcfg-cli|$program|" "$unit_source" >"$unit"
cp "$man_dir/magcfg-cli.1.gz" "$scratch/man/man1/"
cp "$man_dir/magcfg-watch.service.8.gz" "$scratch/man/man8/"
fail=0
problem() { echo "FAIL    $*"; fail=1; }

said=$(MANPATH="$scratch/man:$(manpath -g 2>/dev/null)" systemd-analyze verify --man=yes "$unit" 2>&1)
rc=$?
[ "$rc" -eq 0 ] && [ -z "$said" ] || problem "systemd-analyze verify (exit $rc): $said"
review=$(systemd-analyze security --offline=true --threshold=20 "$unit" 2>&1) || problem "exposure over 2.0: $(tail -1 <<<"$review")"
# expect LINE: the review has a line starting with LINE (✓ set, ✗ not set).
expect() { grep -q "^$1" <<<"$review" || problem "the review lacks '$1': $(grep -F "${1:2:12}" <<<"$review")"; }
expect '✗ RestrictAddressFamilies=~AF_NETLINK '
expect '✗ PrivateNetwork= '
expect '✗ PrivateDevices= '
expect '✗ PrivateUsers= '
expect '✗ DeviceAllow= .*char-hidraw:rw'
expect '✓ RestrictAddressFamilies=~AF_(INET|INET6) '
expect '✓ IPAddressDeny= '
expect '✓ NoNewPrivileges= '
expect '✓ ProtectSystem= .*strict'
expect '✓ CapabilityBoundingSet=~CAP_SYS_ADMIN '
if grep -q '^✗ CapabilityBoundingSet=' <<<"$review"; then problem "capabilities left: $(grep '^✗ Capab' <<<"$review")"; fi
[ $fail -eq 0 ] && echo "the watch service's unit: verified; $(grep -o 'exposure level.*' <<<"$review")"
exit $fail

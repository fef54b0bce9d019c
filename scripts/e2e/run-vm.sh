#!/usr/bin/env bash
# Boots the test machine (QEMU, software emulation, no KVM needed) and runs one
# command in it as root, in a chroot over the host's root, with the build tree
# at its host path. The command's output comes back on this terminal through
# the serial console; files it writes under $E2E_OUT (build/e2e/out, or
# MAGCFG_E2E_OUT) land on the host. E2E_* variables of this environment are
# passed in. Exits with the command's status.
#   scripts/e2e/run-vm.sh [-r readers] [-t seconds] command [args...]
#   -r  dummy_hcd host/device pairs, one per gadget reader (default 1)
#   -t  bound on the whole run (default 300)
# MAGCFG_E2E_CPU sets QEMU's CPU model (default max).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
readers=1
limit=300
while getopts "r:t:" opt; do
  case "$opt" in
    r) readers="$OPTARG" ;;
    t) limit="$OPTARG" ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || { echo "usage: $0 [-r readers] [-t seconds] command [args...]" >&2; exit 2; }

"$root/scripts/e2e/make-vm.sh"
vm="$root/build/e2e/vm"
out="$(mkdir -p "${MAGCFG_E2E_OUT:-$root/build/e2e/out}" && cd "${MAGCFG_E2E_OUT:-$root/build/e2e/out}" && pwd)"
rm -f "$out/job.rc"
{
  echo "cd $(printf '%q' "$PWD")"
  printf 'export MAGCFG_ROOT=%q\n' "$root"
  # E2E_* variables of the host's environment go in with the command.
  for name in $(compgen -e | grep '^E2E_' || true); do printf 'export %s=%q\n' "$name" "${!name}"; done
  printf '%q ' "$@"
  echo
} >"$out/job.sh"

timeout --foreground -k 5 "$limit" qemu-system-x86_64 \
  -nodefaults -no-user-config -machine pc -cpu "${MAGCFG_E2E_CPU:-max}" -accel tcg,thread=multi -smp 2 -m 1536 \
  -display none -serial stdio -monitor none -no-reboot \
  -kernel "$vm/vmlinux" -initrd "$vm/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 e2e.out=$out e2e.readers=$readers" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$out,mount_tag=e2eout,security_model=none,multidevs=remap" </dev/null || true
if [ ! -f "$out/job.rc" ]; then
  echo "e2e: the machine ended without the command's status (time-out after ${limit}s or a crash)" >&2
  exit 124
fi
exit "$(cat "$out/job.rc")"

#!/usr/bin/env bash
# make e2e: the Linux binaries of build/default against the real kernel. Boots
# the test machine once with two gadget readers (reader0: 64-byte reports;
# reader1: 100-byte input and 20-byte output reports) and runs every case
# of tests/e2e/cases there. Ends with "e2e: P passed, F failed" and the
# exchange speed line.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${MAGCFG_E2E_OUT:-$root/build/e2e/out}"
mkdir -p "$out"
rm -f "$out/e2e-result" "$out/e2e-bench"
start=$(date +%s)
"$root/scripts/e2e/run-vm.sh" -r 2 -t "${MAGCFG_E2E_SECONDS:-400}" \
  "$root/tests/e2e/with-readers.sh" -l 64:64,100:20 "$root/tests/e2e/run-cases.sh" 2>&1 | tee "$out/e2e.log"
rc=${PIPESTATUS[0]}
echo "e2e: machine run took $(($(date +%s) - start)) s"
[ -f "$out/e2e-bench" ] && echo "e2e bench: $(cat "$out/e2e-bench")"
if [ ! -f "$out/e2e-result" ]; then
  echo "e2e: 0 passed, 1 failed (the machine ended before the cases did)"
  exit 1
fi
cat "$out/e2e-result"
exit "$rc"

#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, two at a time (one per core),
# and prints each target's executions and the total.
# Usage: scripts/fuzz.sh [seconds per target, default 140]
set -euo pipefail
seconds="${1:-140}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz/fuzz"
logs="$root/build/fuzz/logs"
mkdir -p "$logs"

targets=()
for exe in "$build"/*_fuzzer; do targets+=("$(basename "$exe" _fuzzer)"); done

run_one() {
  local name="$1" seconds="$2" build="$3" logs="$4" root="$5"
  mkdir -p "$build/corpus/$name"
  (cd "$build" && "./${name}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      "$build/corpus/$name" "$root/fuzz/corpus/$name" >"$logs/$name.log" 2>&1)
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build" "$logs" "$root"

total=0
failed=0
printf '%-20s %15s %12s\n' target executions "exec/s"
for name in "${targets[@]}"; do
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$logs/$name.log" | awk '{print $2}' | tail -1)
  rate=$(( ${runs:-0} / seconds ))
  if grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error|invariant broken' "$logs/$name.log"; then
    echo "$name: FAILED, see $logs/$name.log"
    failed=1
  fi
  printf '%-20s %15s %12s\n' "$name" "${runs:-0}" "${rate:-0}"
  total=$((total + ${runs:-0}))
done
printf '%-20s %15s\n' total "$total"
exit $failed

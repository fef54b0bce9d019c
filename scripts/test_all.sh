#!/usr/bin/env bash
# Builds and runs every test suite: the Linux build, the same tests under
# AddressSanitizer/LeakSanitizer/UndefinedBehaviorSanitizer, a short run of
# every fuzz target, the Windows build under Wine, its installer installed,
# upgraded and removed under Wine (msi), the Linux build against the real
# kernel in a test machine (e2e), and the Windows build under Wine in that
# machine (e2e-wine), every build with warnings as errors. Ends with one line
# that adds up all suites.
# MAGCFG_TEST_PRESETS names the suites to run instead.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
suites_failed=()

# add_counts SUITE PASSED FAILED: one suite's figures into the totals.
add_counts() {
  passed=$((passed + $2))
  failed=$((failed + $3))
  [ "$3" -eq 0 ] || suites_failed+=("$1")
}

run_suite() {
  local preset="$1"
  echo "== $preset: configure and build"
  if ! cmake --preset "$preset" -DMAGCFG_WERROR=ON >"build/$preset-configure.log" 2>&1; then
    cat "build/$preset-configure.log"
    suites_failed+=("$preset (configure)")
    return
  fi
  if ! cmake --build --preset "$preset"; then
    suites_failed+=("$preset (build)")
    return
  fi
  echo "== $preset: tests"
  local log="build/$preset-tests.log"
  ctest --preset "$preset" -j2 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    suites_failed+=("$preset (no test summary)")
    return
  fi
  local bad total
  bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)/\1/')
  total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+)/\1/')
  add_counts "$preset" $((total - bad)) "$bad"
}

# The suites that run a script over the presets' binaries (the e2e suites
# inside the test machine, the installer under Wine on the host):
# run_script NAME COMMAND..., whose last "NAME: P passed, F failed" line
# counts.
run_script() {
  local name="$1"
  shift
  echo "== $name: $*"
  local log="build/$name-tests.log"
  "$@" 2>&1 | tee "$log"
  local summary
  summary=$(grep -E "^$name: [0-9]+ passed, [0-9]+ failed" "$log" | tail -1)
  if [ -z "$summary" ]; then
    suites_failed+=("$name (no result)")
    return
  fi
  add_counts "$name" "$(echo "$summary" | sed -E 's/^[^:]+: ([0-9]+) passed.*/\1/')" \
    "$(echo "$summary" | sed -E 's/.* ([0-9]+) failed.*/\1/')"
}

mkdir -p build
for preset in ${MAGCFG_TEST_PRESETS:-default asan fuzz mingw msi e2e e2e-wine}; do
  case "$preset" in
    msi) run_script msi timeout 900 tests/packaging/check_msi.sh build/mingw ;;
    e2e) run_script e2e scripts/e2e/run.sh ;;
    e2e-wine) run_script e2e-wine scripts/e2e/run-wine.sh ;;
    *) run_suite "$preset" ;;
  esac
done

echo
if [ ${#suites_failed[@]} -gt 0 ]; then
  echo "suites with failures: ${suites_failed[*]}"
fi
echo "total: $passed passed, $failed failed"
[ ${#suites_failed[@]} -eq 0 ]

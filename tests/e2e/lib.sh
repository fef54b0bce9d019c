# Checks for the case scripts of tests/e2e/cases, sourced by run-cases.sh
# inside the test machine after with-readers.sh has plugged the readers in.
# A case script is plain bash: it runs what it tests and calls pass/fail (or
# check) once per row; the counts add up to the rig's result line.

E2E_PASSED=${E2E_PASSED:-0}
E2E_FAILED=${E2E_FAILED:-0}
CLI="${CLI:-$MAGCFG_ROOT/build/default/cli/magcfg-cli}"
BIN="$MAGCFG_ROOT/build/default/tests/e2e"

pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  echo "ok     $1"
}

fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  echo "FAILED $1"
  shift
  local line
  for line in "$@"; do echo "       $line"; done
}

# check NAME COMMAND...: passes when the command succeeds.
check() {
  local name="$1"
  shift
  if "$@"; then pass "$name"; else fail "$name" "not true: $*"; fi
}

# Runs magcfg-cli, bounded, into RUN_OUT, RUN_ERR and RUN_RC.
run_cli() {
  local out err
  out=$(mktemp) err=$(mktemp)
  timeout 30 "$CLI" "$@" >"$out" 2>"$err"
  RUN_RC=$?
  RUN_OUT=$(cat "$out") RUN_ERR=$(cat "$err")
  rm -f "$out" "$err"
}

# The frames reader N received since frames_mark N, one per line as
# "<length> <hex bytes, trailing zeros left off>".
frames_mark() { FRAMES_SEEN[$1]=$(wc -l <"$(reader_var LOG "$1")"); }
frames_since() { tail -n +$((${FRAMES_SEEN[$1]} + 1)) "$(reader_var LOG "$1")"; }
declare -A FRAMES_SEEN=()

reader_var() {
  local name="E2E_${1}_$2"
  echo "${!name}"
}

# Scripts reader N's next reply: normal, late MS, silent, flood N, unplug,
# swipe-demo, swipe-failed, swipe-none.
reader_script() { echo "$2" >"$(reader_var CONTROL "$1")"; }

# Waits until reader N's node is gone (after an unplug) or back.
wait_gone() {
  local node="$1"
  for _ in $(seq 100); do [ -e "$node" ] || return 0; sleep 0.1; done
  return 1
}

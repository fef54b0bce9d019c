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

# Runs magcfg-cli, bounded, into RUN_OUT, RUN_ERR and RUN_RC. Every program
# started costs a good part of a second in the emulated machine, so the
# helpers use bash's own means where they can.
run_cli() {
  timeout 30 "$CLI" "$@" >/run/e2e/cli.out 2>/run/e2e/cli.err
  RUN_RC=$?
  RUN_OUT=$(</run/e2e/cli.out) RUN_ERR=$(</run/e2e/cli.err)
}

# The frames reader N received since frames_mark N, one per line as
# "<length> <hex bytes, trailing zeros left off>", joined by FRAMES_JOIN
# (a new line unless set).
declare -A FRAMES_SEEN=()
frames_mark() {
  local lines
  mapfile -t lines <"$(reader_var LOG "$1")"
  FRAMES_SEEN[$1]=${#lines[@]}
}
frames_since() {
  local lines
  mapfile -t lines <"$(reader_var LOG "$1")"
  local IFS="${FRAMES_JOIN:-$'\n'}"
  echo "${lines[*]:${FRAMES_SEEN[$1]}}"
}

# Trims the blanks around a table cell.
trim() {
  local text="${1#"${1%%[![:space:]]*}"}"
  echo "${text%"${text##*[![:space:]]}"}"
}

reader_var() {
  local name="E2E_${1}_$2"
  echo "${!name}"
}

# Scripts reader N's next reply: normal, late MS, silent, flood N, unplug,
# swipe-demo, swipe-failed, swipe-none.
reader_script() { echo "$2" >"$(reader_var CONTROL "$1")"; }

# Waits until reader N's node is gone (after an unplug) or back.
wait_gone() {
  local node="$1" i
  for ((i = 0; i < 100; i++)); do [ -e "$node" ] || return 0; pause 0.1; done
  return 1
}

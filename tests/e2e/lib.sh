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

# Programs sharing one reader (cases/80-shared-reader.sh, the Wine run).
# shared_start empties their record; shared_loop COMMAND ROUNDS runs
# "${SHARED_CLI[@]}" COMMAND ROUNDS times in a row; shared_check NAME COMMAND
# ROUNDS passes when every run exited 0 with its own command's answer on
# standard output and no warning of a foreign frame (the card read's tracks
# told by their starts: their masking is not checked).
SHARED=/run/e2e/shared
SHARED_CLI=("$CLI")
shared_start() {
  mkdir -p "$SHARED"
  rm -f "$SHARED"/*
}
shared_own() {
  case "$1" in
    status) [ "$2" = "刷卡成功 (swipe OK)" ] ;;
    version) [ "$2" = V1.02 ] ;;
    read) [[ "$2" == "track 1: B4111"*$'\n'"track 2: 4111"*$'\n'"track 3: 0112"* ]] ;;
  esac
}
shared_loop() {
  local n rc args=("$1")
  [ "$1" = read ] && args=(read --tracks 6)
  for ((n = 1; n <= $2; n++)); do
    timeout 120 "${SHARED_CLI[@]}" "${args[@]}" >"$SHARED/$1.$n.out" 2>"$SHARED/$1.$n.err"
    rc=$?
    # A card read waits only 50 ms for each report: in the emulated machine
    # a busy moment can outlast that, and the reply ends before a report
    # that never came (a foreign report would have arrived). Once more, said
    # in the log.
    if [ "$1" = read ] && { [ "$rc" = 4 ] || grep -q "announced, 0 arrived" "$SHARED/$1.$n.out"; }; then
      echo "       (shared: read $n: a report missed its 50 ms read; once more)"
      timeout 120 "${SHARED_CLI[@]}" "${args[@]}" >"$SHARED/$1.$n.out" 2>"$SHARED/$1.$n.err"
      rc=$?
    fi
    echo "$rc" >"$SHARED/$1.$n.rc"
  done
}
shared_check() {
  local n out err rc own=0 others=()
  for ((n = 1; n <= $3; n++)); do
    out=$(<"$SHARED/$2.$n.out") err=$(<"$SHARED/$2.$n.err") rc=$(<"$SHARED/$2.$n.rc")
    out=${out//$'\r'/}  # Windows' line ends
    if [ "$rc" = 0 ] && shared_own "$2" "$out" && [[ "$err" != *warning:* ]]; then
      own=$((own + 1))
    else
      others+=("$2 $n: exit $rc: $out" "  stderr: $err")
    fi
  done
  echo "       (shared: $2: $own of $3 got their own answer)"
  if [ "$own" = "$3" ]; then pass "$1"; else fail "$1" "${others[@]}"; fi
}

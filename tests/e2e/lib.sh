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

# Runs magcfg-cli ("${CLI_RUN[@]}", bounded by CLI_SECONDS) into RUN_OUT,
# RUN_ERR and RUN_RC, Windows' line ends taken out. Every program started
# costs a good part of a second in the emulated machine, so the helpers use
# bash's own means where they can.
CLI_RUN=("$CLI")
CLI_SECONDS=30
CLI_LABEL=cli  # what cli_rows' results start with
run_cli() {
  timeout "$CLI_SECONDS" "${CLI_RUN[@]}" "$@" >/run/e2e/cli.out 2>/run/e2e/cli.err
  RUN_RC=$?
  RUN_OUT=$(</run/e2e/cli.out) RUN_ERR=$(</run/e2e/cli.err)
  RUN_OUT=${RUN_OUT//$'\r'/} RUN_ERR=${RUN_ERR//$'\r'/}
}

# Columns: case | the reader's script for the request | magcfg-cli arguments
# | exit status | text in stdout or stderr | frames the reader received (the
# report's length, then its bytes in hex without trailing zeros; '-' none).
# Arguments and texts are expanded by the shell; texts take \t for a tab.
cli_rows() {
  local name script args want_rc want_text want_frames got_frames argv
  while IFS='|' read -r name script args want_rc want_text want_frames; do
    [[ "$name" == \#* ]] && continue
    name=$(trim "$name") script=$(trim "$script") want_rc=$(trim "$want_rc") want_frames=$(trim "$want_frames")
    eval "want_text=\"$(trim "$want_text")\""
    printf -v want_text '%b' "$want_text"
    eval "argv=($args)"
    reader_script 0 "$script"
    frames_mark 0
    run_cli "${argv[@]}"
    if [ "$RUN_RC" = 4 ] && [ "$want_rc" != 4 ] && [ "${argv[0]}" = read ]; then
      # A card read waits only 50 ms for each report: in the emulated
      # machine a busy moment can outlast that. Once more, said in the log.
      echo "       ($CLI_LABEL: $name: the reply missed the 50 ms read; once more)"
      reader_script 0 "$script"
      frames_mark 0
      run_cli "${argv[@]}"
    fi
    got_frames=$(FRAMES_JOIN=';' frames_since 0)
    [ -n "$got_frames" ] || got_frames=-
    if [ "$RUN_RC" = "$want_rc" ] && [[ "$RUN_OUT"$'\n'"$RUN_ERR" == *"$want_text"* ]] && [ "$got_frames" = "$want_frames" ]; then
      pass "$CLI_LABEL: $name"
    else
      fail "$CLI_LABEL: $name" "magcfg-cli ${argv[*]}" "exit $RUN_RC (want $want_rc), frames $got_frames (want $want_frames)" \
        "stdout: $RUN_OUT" "stderr: $RUN_ERR" "want text: $want_text"
    fi
  done
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
# shared_three ROUNDS: status, version and read, each ROUNDS times, the three
# loops at once; ends when all three have.
shared_three() {
  local command loops=()
  for command in status version read; do
    shared_loop "$command" "$1" &
    loops+=($!)
  done
  wait "${loops[@]}"
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

# Columns: case | magcfg-cli arguments | frame reader0 received | frame
# reader1 received | what the line of each of READER_PATHS says.
two_reader_rows() {
  local name args frame0 frame1 text argv
  while IFS='|' read -r name args frame0 frame1 text; do
    name=$(trim "$name") frame0=$(trim "$frame0") frame1=$(trim "$frame1") text=$(trim "$text")
    eval "argv=($args)"
    frames_mark 0
    frames_mark 1
    run_cli "${argv[@]}"
    if [ "$RUN_RC" = 0 ] && [ "$(frames_since 0)" = "$frame0" ] && [ "$(frames_since 1)" = "$frame1" ] &&
      [[ "$RUN_OUT" == *"${READER_PATHS[0]}: $text"* ]] && [[ "$RUN_OUT" == *"${READER_PATHS[1]}: $text"* ]]; then
      pass "${CLI_LABEL%cli}two readers: $name"
    else
      fail "${CLI_LABEL%cli}two readers: $name" "exit $RUN_RC, frames $(frames_since 0) / $(frames_since 1)" \
        "stdout: $RUN_OUT" "stderr: $RUN_ERR"
    fi
  done
}

# The frames a reader receives for watch --default --mode passive.
watch_frames() { printf '%s 0230253f3b3f2b3f373803\n%s 020603' "$1" "$1"; }

# Watches (cases/70-watch.sh, the Wine run) print to WATCH_OUT and WATCH_ERR.
# watch_wait N: waits (at most WATCH_WAIT_S) until the watch has printed N lines.
WATCH_WAIT_S=15
watch_wait() {
  for _ in $(seq $((WATCH_WAIT_S * 10))); do
    [ "$(wc -l <"$WATCH_OUT")" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# watch_line N: the Nth line the watch printed, Windows' line end taken out.
watch_line() { sed -n "${1}p" "$WATCH_OUT" | tr -d '\r'; }
WATCH_LINES=0
# watch_expect NAME PATTERN: the watch's next line matches PATTERN (a glob).
watch_expect() {
  WATCH_LINES=$((WATCH_LINES + 1))
  watch_wait "$WATCH_LINES"
  local line
  line=$(watch_line "$WATCH_LINES")
  if [[ "$line" == $2 ]]; then
    pass "$1"
  else
    fail "$1" "line $WATCH_LINES: $line" "want: $2" "stderr: $(cat "$WATCH_ERR")"
  fi
}

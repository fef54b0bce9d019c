#!/bin/sh
# magcfg-cli whose standard output cannot take the output: a full disk
# (/dev/full) and a pipe whose reader has gone (SIGPIPE left as it is: the
# program must not die of it). Every command must then say so on standard
# error and exit 5.
# Usage: output_failure_test.sh path/to/magcfg-cli [--swipes TYPER]
# With --swipes (in the test machine, a reader there): swipes --grab alone,
# TYPER (a command that types a swipe on the reader) run meanwhile.
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {
  sink="$1"
  shift
  if [ "$sink" = full ]; then
    timeout 60 "$cli" "$@" >/dev/full 2>"$work/err"
  else
    # A FIFO opened for reading and writing, then its reading end closed.
    rm -f "$work/pipe" && mkfifo "$work/pipe"
    exec 3<>"$work/pipe" 4>"$work/pipe"
    exec 3<&-
    (exec timeout 60 "$cli" "$@" >&4 2>"$work/err")
    status=$?
    exec 4>&-
    (exit $status)
  fi
  status=$?
  if [ $status -ne 5 ] || ! grep -q '^magcfg-cli: could not write the output to standard output$' "$work/err"; then
    echo "FAILED ($sink): magcfg-cli $* exited $status: $(cat "$work/err")"
    failed=1
  fi
}

if [ "$2" = --swipes ]; then
  (while :; do $3; sleep 0.5; done) &
  for sink in full pipe; do check $sink swipes --grab; done
  kill $!
  exit $failed
fi

for sink in full pipe; do
  check $sink --help
  check $sink --print-udev-rules
  check $sink --simulate list
  check $sink --simulate status --json
  check $sink --simulate=256 read --tracks 6 --all --json
  check $sink preview
done
[ $failed -eq 0 ] && echo "every command reported the failed output with exit 5"
exit $failed

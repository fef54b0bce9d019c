#!/bin/sh
# magcfg-cli whose standard output cannot take the output: a full disk
# (/dev/full) and a pipe whose reader has gone (SIGPIPE left as it is: the
# program must not die of it). Every command must then say so on standard
# error and exit 5.
# Usage: output_failure_test.sh path/to/magcfg-cli [--swipes TYPER]
#   --swipes TYPER  swipes --grab alone, with TYPER (a command that types a
#                   swipe on the reader's keyboard) run over and over
#                   meanwhile: for the test machine, where a reader is there.
cli="$1"
typer=""
[ "$2" = --swipes ] && typer="$3"
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

if [ -n "$typer" ]; then
  (while :; do $typer; sleep 0.5; done) &
  typing=$!
  for sink in full pipe; do
    check $sink swipes --grab
    # It stops at the first swipe it cannot write, and lets go of the grab.
    if ! grep -q '^magcfg-cli: stopped reading swipes; the card reader.s keyboard is let go$' "$work/err"; then
      echo "FAILED ($sink): swipes did not say it let go: $(cat "$work/err")"
      failed=1
    fi
  done
  kill $typing
  wait $typing 2>/dev/null
  [ $failed -eq 0 ] && echo "swipes stopped at the failed output with exit 5"
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

#!/bin/sh
# magcfg-cli whose standard output cannot take the output: a full disk
# (/dev/full) and a pipe whose reader has gone, with SIGPIPE ignored. Every
# command must then say so on standard error and exit 5.
# Usage: output_failure_test.sh path/to/magcfg-cli
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {
  sink="$1"
  shift
  if [ "$sink" = full ]; then
    "$cli" "$@" >/dev/full 2>"$work/err"
  else
    # A FIFO opened for reading and writing, then its reading end closed.
    rm -f "$work/pipe" && mkfifo "$work/pipe"
    exec 3<>"$work/pipe" 4>"$work/pipe"
    exec 3<&-
    (trap '' PIPE; exec "$cli" "$@" >&4 2>"$work/err")
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

# Programs sharing one reader through the real kernel. hidraw hands every
# input report to every open file of the node: each exchange takes the node
# for itself and drops what came before its request. The gadget's replies
# tell the commands apart (02 cc ...), and so do the answers printed.
shared_start

# Three programs at once, 15 rounds each of status, version and a card read
# of all tracks, with the default wait for the reader.
reader_script 0 swipe-demo
run_cli status
started=${EPOCHREALTIME/./}
shared_three 15
echo "       (shared: 45 commands in $(((${EPOCHREALTIME/./} - started) / 1000)) ms)"
for command in status version read; do shared_check "shared: three programs, $command's own answer" $command 15; done

# The version's reply comes 900 ms late, within its read: a status asked
# meanwhile with a wait of 0.1 s finds the reader busy and sends nothing.
# Starting a program takes a good part of a second in the emulated machine:
# a status that came after the version had let go is asked again.
for attempt in 1 2 3; do
  frames_mark 0
  reader_script 0 "late 900"
  timeout 30 "$CLI" version >"$SHARED/late.out" 2>&1 &
  late_pid=$!
  for _ in $(seq 100); do [ "$(frames_since 0)" = "64 020503" ] && break; pause 0.02; done
  run_cli --wait 0.1 status
  wait "$late_pid"
  late_rc=$? late_out=$(<"$SHARED/late.out")
  [ "$RUN_RC" = 0 ] && [ "$attempt" -lt 3 ] || break
  echo "       (shared: the status came after the version had let go; once more)"
done
check "shared: a wait shorter than another's exchange ends busy (exit $RUN_RC: $RUN_OUT$RUN_ERR)" \
  [ "$RUN_RC" = 7 -a "$RUN_ERR" = "The reader is busy: another program is using $E2E_HIDRAW_0" ]
check "shared: the program holding the reader gets its own answer (exit $late_rc: $late_out)" \
  [ "$late_rc" = 0 -a "$late_out" = V1.02 ]
check "shared: the busy program sent nothing" [ "$(FRAMES_JOIN=';' frames_since 0)" = "64 020503" ]

# The window (offscreen) presses Card Status while magcfg-cli asks for the
# version, from the window's first press until the command line's last run:
# each shows its own answer.
frames_mark 0
QT_QPA_PLATFORM=offscreen E2E_SHARED_UNTIL="$SHARED/cli.done" timeout 180 "$BIN/magcfg_window_e2e" \
  --gtest_filter='Shared.*' >"$SHARED/window.log" 2>&1 &
window_pid=$!
for _ in $(seq 300); do [[ "$(frames_since 0)" == *"64 020903"* ]] && break; pause 0.1; done
shared_loop version 10
touch "$SHARED/cli.done"
wait "$window_pid"
window_rc=$? window_log=$(<"$SHARED/window.log")
# The requests in the order the reader took them: w the window's, c magcfg-cli's.
order=$(frames_since 0 | sed -n 's/^64 0209.*/w/p; s/^64 0205.*/c/p' | tr -d '\n')
echo "       (shared: requests as the reader took them: $order)"
if [ "$window_rc" = 0 ]; then
  pass "shared: the window's status line shows its own answer beside magcfg-cli"
else
  fail "shared: the window's status line shows its own answer beside magcfg-cli" "$(grep -v '^\[' <<<"$window_log" | head -12)"
fi
shared_check "shared: magcfg-cli beside the window gets its own answer" version 10

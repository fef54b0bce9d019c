# magcfg-cli watch through udev's device events: readers plugged in and
# pulled out (their gadgets bound to and unbound from the UDC) while one
# watch runs, as the service runs it (root without capabilities or new
# privileges), each set up as it appears, none before udev has handled it,
# one pulled out half-way through its set-up, two at once, and the watch
# ended by SIGINT. Then a watch where udev cannot be heard, on the kernel's
# events.

WATCH_OUT=/run/e2e/watch.out
WATCH_ERR=/run/e2e/watch.err
frames_mark 0
: >"$WATCH_OUT"
setpriv --no-new-privs --inh-caps=-all --ambient-caps=-all --bounding-set=-all \
  timeout 300 "$CLI" watch --default --mode passive --json >"$WATCH_OUT" 2>"$WATCH_ERR" &
WATCH_PID=$!

watch_expect "watch: the reader present at the start is set up" \
  "{\"event\":\"set-up\",\"path\":\"$E2E_HIDRAW_0\",\"versionHex\":\"102\",\"outcome\":\"ok\",*"
check "watch: the reader present received the format, then the mode" [ "$(frames_since 0)" = "$(watch_frames 64)" ]

# Plugged in and pulled out three times.
for round in 1 2 3; do
  gadget_unbind reader0
  watch_expect "watch: pull-out $round is reported" "{\"event\":\"unplugged\",\"path\":\"$E2E_HIDRAW_0\"}"
  frames_mark 0
  gadget_bind reader0 dummy_udc.0
  E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
  watch_expect "watch: plug-in $round is set up" \
    "{\"event\":\"set-up\",\"path\":\"$E2E_HIDRAW_0\",*\"outcome\":\"ok\",*"
  check "watch: plug-in $round received the format, then the mode" [ "$(frames_since 0)" = "$(watch_frames 64)" ]
done

# udev's events, not the kernel's: while udevd is held, a reader plugged in
# has its node but is not announced, and nothing is sent to it; once udevd
# goes on, it is set up.
gadget_unbind reader0
watch_expect "watch: pulled out before udev is held" "{\"event\":\"unplugged\",\"path\":\"$E2E_HIDRAW_0\"}"
frames_mark 0
kill -STOP "$E2E_UDEVD_PID"
gadget_bind reader0 dummy_udc.0
E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
pause 3
check "watch: a reader that udev has not handled yet is left alone" \
  [ "$(wc -l <"$WATCH_OUT")" = "$WATCH_LINES" -a -z "$(frames_since 0)" ]
kill -CONT "$E2E_UDEVD_PID"
watch_expect "watch: the reader is set up once udev has handled it" \
  "{\"event\":\"set-up\",\"path\":\"$E2E_HIDRAW_0\",*\"outcome\":\"ok\",*"
check "watch: then it received the format and the mode" [ "$(frames_since 0)" = "$(watch_frames 64)" ]

# A second reader, with other report lengths, plugged in beside the first.
frames_mark 1
gadget_bind reader1 dummy_udc.1
E2E_HIDRAW_1=$(hidraw_of_udc dummy_udc.1)
watch_expect "watch: a second reader is set up" "{\"event\":\"set-up\",\"path\":\"$E2E_HIDRAW_1\",*\"outcome\":\"ok\",*"
check "watch: the second reader received the format, then the mode" [ "$(frames_since 1)" = "$(watch_frames 20)" ]

# Pulled out half-way: the reader answers the format, then leaves the bus
# before the mode is sent. The watch reports it and goes on.
gadget_unbind reader1
watch_expect "watch: the second reader's pull-out is reported" "{\"event\":\"unplugged\",\"path\":\"$E2E_HIDRAW_1\"}"
reader_script 1 unplug
gadget_bind reader1 dummy_udc.1
# The node may be gone again before it can be looked up: its path comes
# from the watch's line.
watch_expect "watch: a reader pulled out half-way is reported as not set up" \
  "{\"event\":\"set-up\",\"path\":\"/dev/hidraw*\",*\"steps\":[{\"command\":\"set-format\",\"outcome\":\"ok\"*"
E2E_HIDRAW_1=$(watch_line "$WATCH_LINES" | sed -n 's/.*"path":"\([^"]*\)".*/\1/p')
case "$(watch_line "$WATCH_LINES")" in
  *'"outcome":"ok","exit":0,"steps"'*) fail "watch: the half-way reader's line says it failed" "$(watch_line "$WATCH_LINES")" ;;
  *) pass "watch: the half-way reader's line says it failed" ;;
esac
watch_expect "watch: the half-way reader's pull-out is reported" "{\"event\":\"unplugged\",\"path\":\"$E2E_HIDRAW_1\"}"

# Both readers plugged in at once.
gadget_unbind reader0
watch_expect "watch: the first reader is pulled out again" "{\"event\":\"unplugged\",\"path\":\"$E2E_HIDRAW_0\"}"
frames_mark 0
frames_mark 1
gadget_bind reader0 dummy_udc.0
gadget_bind reader1 dummy_udc.1
E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
E2E_HIDRAW_1=$(hidraw_of_udc dummy_udc.1)
watch_wait $((WATCH_LINES + 2))
both=$(sed -n "$((WATCH_LINES + 1)),$((WATCH_LINES + 2))p" "$WATCH_OUT")
WATCH_LINES=$((WATCH_LINES + 2))
check "watch: two readers plugged in at once are both set up" \
  [ "$(grep -c '"event":"set-up".*"outcome":"ok"' <<<"$both")" = 2 ]
check "watch: each of the two received the format, then the mode" \
  [ "$(frames_since 0)" = "$(watch_frames 64)" -a "$(frames_since 1)" = "$(watch_frames 20)" ]

# SIGINT ends the watch cleanly.
kill -INT "$WATCH_PID"
wait "$WATCH_PID"
check "watch: SIGINT ends it with status 0" [ $? = 0 ]
check "watch: nothing on standard error" [ ! -s "$WATCH_ERR" ]

# Where udev cannot be heard (no /run/udev/control, as in a container), the
# watch says so once and takes the kernel's events; text lines this time.
: >"$WATCH_OUT"
unshare --mount bash -c 'mount -t tmpfs tmpfs /run/udev && exec timeout 300 "$0" watch --default' "$CLI" \
  >"$WATCH_OUT" 2>"$WATCH_ERR" &
WATCH_PID=$!
watch_wait 2
check "watch without udev: both readers present are set up" \
  [ "$(grep -c ': ver102: set up: Set format OK!$' "$WATCH_OUT")" = 2 ]
WATCH_LINES=2
gadget_unbind reader1
watch_expect "watch without udev: a pull-out is reported" "$E2E_HIDRAW_1: unplugged"
gadget_bind reader1 dummy_udc.1
E2E_HIDRAW_1=$(hidraw_of_udc dummy_udc.1)
watch_expect "watch without udev: a plug-in is set up" "$E2E_HIDRAW_1: ver102: set up: Set format OK!"
kill -INT "$WATCH_PID"
wait "$WATCH_PID"
check "watch without udev: it says so once, and once that it is waiting, and SIGINT ends it with status 0" \
  [ $? = 0 -a "$(cat "$WATCH_ERR")" = "magcfg-cli: no udev daemon runs here (no /run/udev/control): watching the kernel's device events instead
magcfg-cli: waiting for readers (USB 5131:2007) to be plugged in" ]

# As the cases start: reader0 alone on the bus.
gadget_unbind reader1
wait_gone "$E2E_HIDRAW_1"

# Sourced by run-window.sh once the window's cases are done, reader0 plugged
# in (64-byte reports), reader1 (100-byte input, 20-byte output reports)
# unplugged: magcfg-cli.exe through Wine's HID stack, each run's output, exit
# status and the frames the gadget readers received. Each Wine process start
# costs 10 to 30 s here, so each row is one run.
#
# Wine 8 does not bring a reader plugged in while it runs to its HID class:
# its bus makes the device ("bus_create_hid_device created device") and asks
# for the bus relations anew, but the plug and play manager gets the old
# count ("handle_bus_relations Got 4 devices.") and makes no HID device of
# it. A reader plugged in is found once Wine starts again; one pulled out
# goes at once.
CLI_RUN=(env WINEDEBUG=-all "$wine" "$mingw/cli/magcfg-cli.exe")
CLI_SECONDS=180
CLI_LABEL="wine cli"
WATCH_OUT="$work/watch.out" WATCH_ERR="$work/watch.err" WATCH_WAIT_S=120
# A Wine program kept running meanwhile: once the last program of the prefix
# ends, Wine ends its services and the HID bus's driver host, and the next
# program would start them anew (some 90 s).
keep_wine() {
  exec {keeper}< <(sleep 100000)
  keeper_sleep=$!
  env WINEDEBUG=-all "$wine" cmd.exe <&"$keeper" >/dev/null 2>&1 &
  exec {keeper}<&-
}
keep_wine
reader_script 0 normal

# list prints the interface's device path, which --path takes.
frames_mark 0
run_cli list
path0=${RUN_OUT%%$'\t'*}
check "wine cli: list prints the reader's device path and version number, and sends nothing" \
  [ "$RUN_RC" = 0 -a "${RUN_OUT,,}" = "${path0,,}"$'\tver102' -a "${path0:0:25}" = '\\?\hid#vid_5131&pid_2007' \
  -a -z "$(frames_since 0)" ]

profile="$(winepath_w "$MAGCFG_ROOT/tests/cli/golden/profile_tracks_1_2.json")"
cli_rows <<'ROWS'
# case                  | script       | arguments                                   | exit | text                                           | frames
version as JSON         | normal       | --json version                              | 0    | \"version\": \"V1.02\"                         | 64 020503
set-format --profile and options | normal | set-format --profile "$profile" --t1-start '#' --t2-end '' | 0 | Set format OK!            | 64 0230233f21ffff3f333603
mode passive            | normal       | mode passive                                | 0    | 被动上传模式设置成功 (passive upload mode set) | 64 020603
status --path, --verbose| normal       | status --verbose --path "$path0"            | 0    | read 00 02 09 59                               | 64 020903
read, card data masked  | normal       | read --tracks 6                             | 0    | track 1: B411111******1111^DOE/JOHN^2512101    | 64 02080603
preview                 | normal       | preview --t1-start '#' --swipe AB 12 XY     | 0    | #AB?;12?+XY?<Enter>                            | -
silent reader           | silent       | version                                     | 4    | Receive data timeout!                          | 64 020503
no reader at a path     | normal       | version --path '\\?\hid#vid_5131&pid_2007#none' | 3 | No device connected!                         | -
swipes, Linux's alone   | normal       | swipes                                      | 2    | magcfg-cli: swipes is not available on Windows | -
ROWS

# Two readers, each with its own report lengths: reader1 plugged in, and Wine
# started again to find it.
gadget_bind reader1 dummy_udc.1
E2E_HIDRAW_1=$(hidraw_of_udc dummy_udc.1)
kill "$keeper_sleep"
/usr/lib/wine/wineserver -k
keep_wine
run_cli list
mapfile -t listed <<<"$RUN_OUT"
check "wine cli: list shows both readers" [ "$RUN_RC" = 0 -a "${#listed[@]}" = 2 ]
READER_PATHS=("${listed[@]%%$'\t'*}")
[[ "${READER_PATHS[0]}" == *reader0* ]] || READER_PATHS=("${READER_PATHS[1]}" "${READER_PATHS[0]}")
two_reader_rows <<'ROWS'
version --all           | version --all              | 64 020503                 | 20 020503                 | V1.02
set-format --all        | set-format --all --default | 64 0230253f3b3f2b3f373803 | 20 0230253f3b3f2b3f373803 | Set format OK!
ROWS

# watch: the readers present set up, a pull-out reported, and the end by the
# console's Ctrl+C, which magcfg_console_control sends once $work/stop exists
# (Wine 8 sends no Ctrl+Break: see console_control.cpp).
frames_mark 0
frames_mark 1
WATCH_LINES=0
timeout 600 env WINEDEBUG=-all "$wine" "$mingw/tests/e2e/wine/magcfg_console_control.exe" "$(winepath_w "$work/stop")" \
  "$(winepath_w "$mingw/cli/magcfg-cli.exe") watch --default --mode passive --json" >"$WATCH_OUT" 2>"$WATCH_ERR" &
watch_pid=$!
watch_expect "wine watch: one reader present is set up" '{"event":"set-up","path":*,"outcome":"ok",*'
watch_expect "wine watch: the other is set up" '{"event":"set-up","path":*,"outcome":"ok",*'
check "wine watch: each received the format, then the mode" \
  [ "$(frames_since 0)" = "$(watch_frames 64)" -a "$(frames_since 1)" = "$(watch_frames 20)" ]
gadget_unbind reader1
json_path=${READER_PATHS[1]//\\/\\\\}
watch_expect "wine watch: a pull-out is reported" "{\"event\":\"unplugged\",\"path\":\"${json_path//\\/\\\\}\"}"
touch "$work/stop"
wait "$watch_pid"
check "wine watch: Ctrl+C ends it with status 0, nothing on standard error" [ $? = 0 -a ! -s "$WATCH_ERR" ]

# No reader attached at all.
gadget_unbind reader0
wait_gone "$E2E_HIDRAW_0"
pause 3
cli_rows <<'ROWS'
no reader               | normal       | version                                     | 3    | No device connected!                           | -
ROWS
kill "$keeper_sleep"  # cmd.exe reads the end of its input and ends

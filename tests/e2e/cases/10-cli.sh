# magcfg-cli through the real kernel against one gadget reader (reader0,
# 64-byte reports, no report IDs): what it prints, its exit status, and the
# frame the reader received, byte for byte.
#
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
      echo "       (cli: $name: the reply missed the 50 ms read; once more)"
      reader_script 0 "$script"
      frames_mark 0
      run_cli "${argv[@]}"
    fi
    got_frames=$(FRAMES_JOIN=';' frames_since 0)
    [ -n "$got_frames" ] || got_frames=-
    if [ "$RUN_RC" = "$want_rc" ] && [[ "$RUN_OUT"$'\n'"$RUN_ERR" == *"$want_text"* ]] && [ "$got_frames" = "$want_frames" ]; then
      pass "cli: $name"
    else
      fail "cli: $name" "magcfg-cli ${argv[*]}" "exit $RUN_RC (want $want_rc), frames $got_frames (want $want_frames)" \
        "stdout: $RUN_OUT" "stderr: $RUN_ERR" "want text: $want_text"
    fi
  done
}

ln -sfn "$E2E_HIDRAW_0" /dev/magreader  # as a udev rule may name the reader
cli_rows <<'ROWS'
# case                  | script       | arguments                                          | exit | text                                              | frames
list                    | normal       | list                                               | 0    | $E2E_HIDRAW_0\tver102                             | -
version                 | normal       | version                                            | 0    | V1.02                                             | 64 020503
version as JSON         | normal       | --json version                                     | 0    | \"version\": \"V1.02\"                            | 64 020503
set-format factory      | normal       | set-format                                         | 0    | Set format OK!                                    | 64 0230253f3b3f2b3f373803
set-format --default    | normal       | set-format --default --path $E2E_HIDRAW_0          | 0    | Set format OK!                                    | 64 0230253f3b3f2b3f373803
set-format options      | normal       | set-format --t1-start '#' --t2-end '' --tracks 1,3 --cr-after 1,3 | 0 | Set format OK!                      | 64 0230233f3bff2b3f353503
mode passive            | normal       | mode passive                                       | 0    | 被动上传模式设置成功 (passive upload mode set)    | 64 020603
status, good swipe      | normal       | status                                             | 0    | 刷卡成功 (swipe OK)                               | 64 020903
read tracks 2 and 3     | normal       | read --show-card-data                              | 0    | track 3: 011234567890123456=00000000000000000     | 64 02080003
read all tracks         | normal       | read --tracks 6 --show-card-data                   | 0    | track 1: B4111111111111111^DOE/JOHN^2512101       | 64 02080603
read, card data masked  | normal       | read --tracks 6                                    | 0    | track 1: B411111******1111^DOE/JOHN^2512101       | 64 02080603
status, failed swipe    | swipe-failed | status                                             | 0    | 刷卡失败 (swipe failed)                           | 64 020903
read, failed swipe      | normal       | read --tracks 6                                    | 1    | 刷卡失败 (swipe failed)                           | 64 02080603
read, no swipe          | swipe-none   | read                                               | 1    | 没有刷卡 (no swipe)                               | 64 02080003
status, no swipe        | normal       | status                                             | 0    | 没有刷卡 (no swipe)                               | 64 020903
mode active             | swipe-demo   | mode active                                        | 0    | 主动上传模式设置成功 (active upload mode set)     | 64 020703
silent reader, version  | silent       | version                                            | 4    | Receive data timeout!                             | 64 020503
silent reader, format   | silent       | set-format --default                               | 4    | Receive data timeout                              | 64 0230253f3b3f2b3f373803
no such path            | normal       | version --path /dev/hidraw9                        | 3    | No device connected! (no reader at /dev/hidraw9)  | -
a udev link to the node | normal       | status --path /dev/magreader                       | 0    | 刷卡成功 (swipe OK)                               | 64 020903
/dev/null               | normal       | status --path /dev/null                            | 3    | (no reader at /dev/null)                          | -
ROWS

# /dev/null is not even opened. Standard error closed: neither the reader's
# node (where --verbose writes) nor watch's socket becomes descriptor 2.
strace -qq -e trace=openat -o /run/e2e/opens "$CLI" status --path /dev/null 2>/dev/null
check "cli: status --path /dev/null opens nothing there" awk '/"\/dev\/null"/ { n++ } END { exit n || !NR }' /run/e2e/opens
reader_script 0 normal
frames_mark 0
"$CLI" status --verbose --path /dev/magreader >/dev/null 2>&-
check "cli: with standard error closed, the reader gets the status request alone" [ "$(frames_since 0)" = "64 020903" ]
"$CLI" watch --mode active >/run/e2e/watch-closed.out 2>&- &
for _ in $(seq 150); do [ -s /run/e2e/watch-closed.out ] && break; pause 0.1; done
check "cli: with standard error closed, watch holds /dev/null there" [ "$(readlink /proc/$!/fd/2)" = /dev/null ]
kill -INT $! && wait $!
rm -f /dev/magreader

# magcfg-cli through the real kernel against one gadget reader (reader0,
# 64-byte reports, no report IDs): what it prints, its exit status, and the
# frame the reader received, byte for byte (the columns: cli_rows in lib.sh).
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
watch_closed=$!  # pause's process substitution sets $! anew
for _ in $(seq 150); do [ -s /run/e2e/watch-closed.out ] && break; pause 0.1; done
check "cli: with standard error closed, watch holds /dev/null there" [ "$(readlink /proc/$watch_closed/fd/2)" = /dev/null ]
kill -INT $watch_closed && wait $watch_closed
rm -f /dev/magreader

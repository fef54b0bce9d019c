# Two readers at once, each on its own dummy_hcd bus; reader1 has other
# report lengths (100-byte input, 20-byte output reports), which magcfg must
# take from the report descriptor the kernel gives.
gadget_bind reader1 dummy_udc.1
E2E_HIDRAW_1=$(hidraw_of_udc dummy_udc.1)

run_cli list
check "two readers: list shows both" \
  [ "$RUN_OUT" = "$E2E_HIDRAW_0"$'\t'"ver102"$'\n'"$E2E_HIDRAW_1"$'\t'"ver102" ]

READER_PATHS=("$E2E_HIDRAW_0" "$E2E_HIDRAW_1")
two_reader_rows <<'ROWS'
version --all     | version --all              | 64 020503                 | 20 020503                 | V1.02
set-format --all  | set-format --all --default | 64 0230253f3b3f2b3f373803 | 20 0230253f3b3f2b3f373803 | Set format OK!
mode --all        | mode passive --all         | 64 020603                 | 20 020603                 | 被动上传模式设置成功
ROWS

frames_mark 1
run_cli read --tracks 6 --show-card-data --path "$E2E_HIDRAW_1"
check "other lengths: a card read over 100-byte reports" \
  [ "$RUN_RC" = 0 -a "$RUN_OUT" = "track 1: B4111111111111111^DOE/JOHN^2512101
track 2: 4111111111111111=2512101
track 3: 011234567890123456=00000000000000000" ]
check "other lengths: the request is a 20-byte report" [ "$(frames_since 1)" = "20 02080603" ]

gadget_unbind reader1
wait_gone "$E2E_HIDRAW_1"

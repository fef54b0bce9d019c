# The Qt window (offscreen) over the real hidraw backend: one program whose
# steps press the buttons in order on one window; each step is one row here.
window_log=$(QT_QPA_PLATFORM=offscreen timeout 180 "$BIN/magcfg_window_e2e" 2>&1)
window_rc=$?
steps=0
while read -r verdict name; do
  steps=$((steps + 1))
  if [ "$verdict" = OK ]; then
    pass "window: $name"
  else
    fail "window: $name" "$(grep -B12 -F "[  FAILED  ] $name (" <<<"$window_log" | grep -v '^\[' | head -12)"
  fi
done < <(sed -nE 's/^\[ +(OK|FAILED) +\] ([^ ]+) \([0-9]+ ms\)$/\1 \2/p' <<<"$window_log")
# The window's steps pulled reader0 out and plugged it back in.
E2E_HIDRAW_0=$(hidraw_of_udc dummy_udc.0)
check "window: the program ran its steps to the end (exit $window_rc)" [ "$steps" -gt 0 -a "$window_rc" -le 1 ]

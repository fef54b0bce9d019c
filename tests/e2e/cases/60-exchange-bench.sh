# The median Set Device exchange of the program against a bare
# write/poll/read on the same node, side by side: at most 1.10 times.
bench_line=$(timeout 120 "$MAGCFG_ROOT/build/default/bench/magcfg_hidraw_exchange_bench" "$E2E_HIDRAW_0" 101 2>&1)
bench_rc=$?
echo "$bench_line"
echo "$bench_line" >"$E2E_OUT/e2e-bench"
check "exchange speed: Set Device within 1.10 times the bare exchange" [ "$bench_rc" = 0 ]

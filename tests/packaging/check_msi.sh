#!/usr/bin/env bash
# The Windows installer as a technician uses it, under Wine in a fresh prefix:
# installed, the installed programs run, replaced by the next version, removed
# without a trace. Usage: check_msi.sh MINGW_BUILD_DIR, after the mingw build.
# Every Wine step is bounded; ends with "msi: P passed, F failed".
set -uo pipefail
build=$(cd "${1:?usage: check_msi.sh MINGW_BUILD_DIR}" && pwd)
# msi, version, product_code, next_msi, next_version, next_product_code, publisher
. "$build/packaging/windows/msi-check.env" || { echo "msi: 0 passed, 1 failed (no installer: wixl?)"; exit 1; }

work="$build/msi-check"
rm -rf "$work" && mkdir -p "$work"
export WINEPREFIX="$work/prefix"
# wine-run.sh keeps Wine's menu builder off, which would write the shortcut as
# desktop files into the host's home; its places point here, checked last.
export XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/xdg-config"
trap 'timeout 30 wineserver -k 2>/dev/null' EXIT

passed=0 failed=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok - $what"; passed=$((passed + 1)); else echo "FAIL - $what"; failed=$((failed + 1)); fi
}
on_wine() { timeout "$1" "$(dirname "$0")/../../platform/win32/wine-run.sh" "$WINEPREFIX" "${@:2}" 2>>"$work/wine.log"; }
path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
msiexec() { on_wine 420 msiexec "$@" /qn >/dev/null; }
# Ended by a failure of its own, not by its time running out.
refused() { "$@"; local status=$?; [ $status -ne 0 ] && [ $status -ne 124 ]; }

files="$WINEPREFIX/drive_c/Program Files/magcfg"
installed() { [ -f "$files/magcfg.exe" ] && [ -f "$files/magcfg-cli.exe" ] && [ -f "$files/copyright.txt" ]; }
# Windows puts a per-machine shortcut in every user's Start menu, Wine 8 in
# the installing user's: either counts.
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Magstripe Reader Setup.lnk' | wc -l; }
# The entry in Programs and Features: name, version, publisher, or nothing.
entry_is() {
  [ "$(on_wine 60 reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{$1}" |
    sed -nE 's/^ +(DisplayName|DisplayVersion|Publisher) +REG_SZ +(.*)$/\2/p' | paste -sd' ')" = "$2" ]
}

check "magcfg $version installs per machine" msiexec /i "$(path "$msi")"
check "the programs and the notice are under Program Files, one shortcut in the Start menu" \
  eval 'installed && [ "$(shortcuts)" -eq 1 ]'
check "Programs and Features lists it" entry_is "$product_code" "magcfg $version $publisher"
check "the installed magcfg-cli.exe --version prints the version" \
  [ "$(on_wine 60 "C:\\Program Files\\magcfg\\magcfg-cli.exe" --version)" = "magcfg-cli $version" ]
# The e2e-wine rig's driver with no steps: it starts the program, waits for
# the window with its status line, closes it and waits for the program's end.
: >"$work/no-steps"
check "the installed magcfg.exe shows its window" on_wine 180 "$build/tests/e2e/wine/magcfg_wine_driver.exe" \
  "C:\\Program Files\\magcfg\\magcfg.exe" "$(path "$work/no-steps")" "$(path "$work/transcript")" "$(path "$work")"

check "magcfg $next_version replaces it" msiexec /i "$(path "$next_msi")"
check "Programs and Features lists $next_version" entry_is "$next_product_code" "magcfg $next_version $publisher"
check "and no longer $version" entry_is "$product_code" ""
check "the files and one shortcut are there" eval 'installed && [ "$(shortcuts)" -eq 1 ]'
check "$version does not install over $next_version" refused msiexec /i "$(path "$msi")"

check "msiexec /x removes it" msiexec /x "{$next_product_code}"
check "no file, shortcut or cached installer data is left" \
  eval '[ ! -e "$files" ] && [ "$(shortcuts)" -eq 0 ] && [ -z "$(find "$WINEPREFIX/drive_c/windows/Installer" -iname "*$next_product_code*")" ]'
check "no entry in Programs and Features is left" entry_is "$next_product_code" ""
check "Wine wrote no desktop entries for the host" [ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" -type f 2>/dev/null)" ]

[ "$failed" -eq 0 ] || tail -20 "$work/wine.log"
echo "msi: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

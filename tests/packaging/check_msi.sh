#!/usr/bin/env bash
# The Windows installer as a technician uses it, under Wine: installed in a
# fresh prefix, the installed programs run, replaced by the next version,
# removed without a trace. Usage: check_msi.sh MINGW_BUILD_DIR (after the
# mingw build, which makes both installers). Ends with
# "msi: P passed, F failed"; every Wine step is bounded in time.
set -uo pipefail

build=$(cd "${1:?usage: check_msi.sh MINGW_BUILD_DIR}" && pwd)
env_file="$build/packaging/windows/msi-check.env"
if [ ! -f "$env_file" ]; then
  echo "check_msi: $env_file is missing (is wixl installed? scripts/setup.sh windows)" >&2
  echo "msi: 0 passed, 1 failed"
  exit 1
fi
# msi, version, product_code, next_msi, next_version, next_product_code, publisher
. "$env_file"

work="$build/msi-check"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# Wine's menu builder would turn the shortcut into desktop files in the
# host's home; it stays off, and its places point into the work folder, where
# the last check looks for anything it wrote.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/xdg-config"

wine=""
for candidate in /usr/lib/wine/wine64 wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$candidate; break; fi
done
server="${wine%64}server"
command -v "$server" >/dev/null 2>&1 || server=wineserver
if [ -z "$wine" ] || ! command -v Xvfb >/dev/null 2>&1; then
  echo "check_msi: needs wine64 and Xvfb (scripts/setup.sh windows)" >&2
  echo "msi: 0 passed, 1 failed"
  exit 1
fi

# A display of its own for the window; Xvfb picks a free number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -1 "$work/display")"
cleanup() {
  timeout 30 "$server" -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok - $what"
    passed=$((passed + 1))
  else
    echo "FAIL - $what"
    failed=$((failed + 1))
  fi
}

windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
run() { local seconds=$1; shift; timeout "$seconds" "$wine" "$@" </dev/null 2>>"$work/wine.log" | tr -d '\r'; }
msiexec() { timeout 120 "$wine" msiexec "$@" /qn </dev/null >>"$work/wine.log" 2>&1; }

files="$WINEPREFIX/drive_c/Program Files/magcfg"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# An entry of Programs and Features: "NAME VALUE" per line, or nothing.
entry() {
  run 60 reg query "$uninstall_key\\{$1}" | sed -nE 's/^ +(DisplayName|DisplayVersion|Publisher) +REG_SZ +(.*)$/\1 \2/p'
}
entry_is() { [ "$(entry "$1")" = "$2" ]; }
# Windows puts a per-machine shortcut in the Start menu of all users; Wine 8
# puts it in the installing user's. Either counts, once.
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Magstripe Reader Setup.lnk' | wc -l; }
installed() { [ -f "$files/magcfg.exe" ] && [ -f "$files/magcfg-cli.exe" ] && [ -f "$files/copyright.txt" ]; }
# Ended with a failure of its own, not by its time running out.
refused() { "$@"; local status=$?; [ $status -ne 0 ] && [ $status -ne 124 ]; }

check "a fresh prefix is made" eval 'timeout 300 "$wine" wineboot -i </dev/null >>"$work/wine.log" 2>&1'

check "magcfg $version installs per machine" msiexec /i "$(windows_path "$msi")"
check "magcfg.exe, magcfg-cli.exe and copyright.txt are under Program Files\\magcfg" installed
check "one Start-menu shortcut" [ "$(shortcuts)" -eq 1 ]
check "Programs and Features lists magcfg $version by $publisher" \
  entry_is "$product_code" "DisplayName magcfg
DisplayVersion $version
Publisher $publisher"
check "the installed magcfg-cli.exe --version prints the version" \
  [ "$(run 60 "C:\\Program Files\\magcfg\\magcfg-cli.exe" --version)" = "magcfg-cli $version" ]
# The driver of the e2e-wine rig with no steps: it starts the program, waits
# for the window with its status line, closes it and waits for the program to end.
: >"$work/no-steps"
check "the installed magcfg.exe shows its window and ends when it is closed" \
  timeout 180 "$wine" "$(windows_path "$build/tests/e2e/wine/magcfg_wine_driver.exe")" \
  "C:\\Program Files\\magcfg\\magcfg.exe" "$(windows_path "$work/no-steps")" \
  "$(windows_path "$work/transcript")" "$(windows_path "$work")" </dev/null 2>>"$work/wine.log"

check "magcfg $next_version replaces it" msiexec /i "$(windows_path "$next_msi")"
check "Programs and Features lists only $next_version" \
  entry_is "$next_product_code" "DisplayName magcfg
DisplayVersion $next_version
Publisher $publisher"
check "no entry of $version is left" entry_is "$product_code" ""
check "the files and one shortcut are there" eval 'installed && [ "$(shortcuts)" -eq 1 ]'
check "$version does not install over $next_version" refused msiexec /i "$(windows_path "$msi")"

check "msiexec /x removes it" msiexec /x "{$next_product_code}"
check "nothing is left under Program Files" [ ! -e "$files" ]
check "no shortcut is left" [ "$(shortcuts)" -eq 0 ]
check "no entry in Programs and Features is left" entry_is "$next_product_code" ""
check "no cached installer data is left" \
  [ -z "$(find "$WINEPREFIX/drive_c/windows/Installer" -iname "*$next_product_code*" 2>/dev/null)" ]
check "Wine wrote no desktop entries for the host" [ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" -type f 2>/dev/null)" ]

[ "$failed" -eq 0 ] || { echo "Wine's messages: $work/wine.log"; tail -20 "$work/wine.log"; }
echo "msi: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Builds the two .debs as `make package` does, in a tree of its own, unpacks
# them into a scratch root and checks that every file lands where the
# desktop, man, the shells and udev look for it: the manual pages render,
# the completions register, the desktop's own validators pass, and
# lintian --pedantic finds no error or warning, with nothing suppressed.
# Usage: check_package.sh SCRATCH_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(realpath -m "$1")
rm -rf "$scratch/root"
mkdir -p "$scratch/root"

"$src/scripts/build_package.sh" "$scratch/tree" >"$scratch/build.log" 2>&1 || { tail -40 "$scratch/build.log"; exit 1; }
cli_deb=$(ls "$scratch"/tree/magcfg-cli_*.deb)
window_deb=$(ls "$scratch"/tree/magcfg_*.deb)
root="$scratch/root"
for deb in "$cli_deb" "$window_deb"; do dpkg-deb -x "$deb" "$root"; done

fail=0
problem() { echo "FAIL    $*"; fail=1; }
# expect PACKAGE PATH: the file is in that package.
expect() {
  local deb=$cli_deb
  [ "$1" = magcfg ] && deb=$window_deb
  if dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx "./$2"; then echo "ok      $1: /$2"; else problem "$1 lacks /$2"; fi
}
expect magcfg-cli usr/bin/magcfg-cli
expect magcfg-cli usr/lib/udev/rules.d/70-magcfg.rules
expect magcfg-cli usr/share/man/man1/magcfg-cli.1.gz
expect magcfg-cli usr/share/bash-completion/completions/magcfg-cli
expect magcfg-cli usr/share/zsh/vendor-completions/_magcfg-cli
expect magcfg-cli usr/share/fish/vendor_completions.d/magcfg-cli.fish
expect magcfg-cli usr/lib/systemd/system/magcfg-watch.service
expect magcfg-cli usr/share/man/man8/magcfg-watch.service.8.gz
expect magcfg-cli etc/magcfg/watch.conf
expect magcfg usr/bin/magcfg
expect magcfg usr/share/man/man1/magcfg.1.gz
expect magcfg usr/share/applications/io.magcfg.Magcfg.desktop
expect magcfg usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml
for size in 16 32 48 64 128 256; do expect magcfg "usr/share/icons/hicolor/${size}x${size}/apps/io.magcfg.Magcfg.png"; done
expect magcfg usr/share/icons/hicolor/scalable/apps/io.magcfg.Magcfg.svg
for package in magcfg-cli magcfg; do
  for doc in copyright changelog.Debian.gz README.md; do expect $package "usr/share/doc/$package/$doc"; done
done

# The service comes disabled: nothing links it into a target and no script
# enables it; its options are a conffile, kept over upgrades; the unit runs
# the packaged program.
if dpkg-deb -c "$cli_deb" | awk '{print $6}' | grep -q '\.wants/'; then problem "magcfg-cli enables a unit"; fi
dpkg-deb -e "$cli_deb" "$scratch/cli-control"
[ ! -e "$scratch/cli-control/postinst" ] || problem "magcfg-cli has a postinst: $(cat "$scratch/cli-control/postinst")"
[ "$(cat "$scratch/cli-control/conffiles" 2>/dev/null)" = /etc/magcfg/watch.conf ] || problem "watch.conf is no conffile"
grep -qx 'ExecStart=/usr/bin/magcfg-cli watch $MAGCFG_WATCH_OPTIONS' "$root/usr/lib/systemd/system/magcfg-watch.service" \
  || problem "the unit does not run /usr/bin/magcfg-cli watch"

# The command line needs no Qt; the window needs Qt and the command line.
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
window_depends=$(dpkg-deb -f "$window_deb" Depends)
if grep -qi qt <<<"$cli_depends"; then problem "magcfg-cli depends on Qt: $cli_depends"; fi
grep -q 'libqt6widgets6' <<<"$window_depends" || problem "magcfg lacks the Qt libraries: $window_depends"
grep -q 'magcfg-cli' <<<"$window_depends" || problem "magcfg does not depend on magcfg-cli: $window_depends"

# Each package has its own summary.
[ "$(dpkg-deb -f "$cli_deb" Description | head -1)" = "set up USB magnetic-stripe card readers from scripts" ] \
  || problem "magcfg-cli's summary: $(dpkg-deb -f "$cli_deb" Description | head -1)"
[ "$(dpkg-deb -f "$window_deb" Description | head -1)" = "set up a USB magnetic-stripe card reader" ] \
  || problem "magcfg's summary: $(dpkg-deb -f "$window_deb" Description | head -1)"

# Both programs answer from the scratch root.
"$root/usr/bin/magcfg-cli" --version | grep -q '^magcfg-cli ' || problem "magcfg-cli --version does not answer"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/magcfg" --version | grep -q '^magcfg ' \
  || problem "magcfg --version does not answer"

# The manual pages render without a warning (what they show is checked in the
# build's own tests).
for page in man1/magcfg-cli.1.gz man1/magcfg.1.gz man8/magcfg-watch.service.8.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || problem "man -l $page warns: $warnings"
done

# The bash completion registers itself and completes commands and reader paths.
bash_completion="$root/usr/share/bash-completion/completions/magcfg-cli"
registered=$(bash -c "source '$bash_completion' && complete -p magcfg-cli" 2>&1) || problem "bash completion: $registered"
[[ $registered == "complete -F _magcfg_cli magcfg-cli" ]] || problem "bash completion registers: $registered"
complete_words() {  # complete_words WORD... : what completing the last word offers
  bash -c 'source "$1"; shift; COMP_WORDS=(magcfg-cli "$@"); COMP_CWORD=$#; _magcfg_cli; echo "${COMPREPLY[*]}"' \
    _ "$bash_completion" "$@"
}
[[ " $(complete_words '') " == *" watch "* ]] || problem "bash completion does not offer the watch command"
offered=$(complete_words status --path /dev/hidraw)
expected=$(shopt -s nullglob; nodes=(/dev/hidraw*); echo "${nodes[*]}")
[ "$offered" = "$expected" ] || problem "bash completion of --path offers '$offered', not '$expected'"
if command -v zsh >/dev/null; then zsh -n "$root/usr/share/zsh/vendor-completions/_magcfg-cli" || problem "zsh completion"; fi
if command -v fish >/dev/null; then fish -n "$root/usr/share/fish/vendor_completions.d/magcfg-cli.fish" || problem "fish completion"; fi

desktop="$root/usr/share/applications/io.magcfg.Magcfg.desktop"
desktop-file-validate "$desktop" || fail=1
# The desktop binds the window to the entry by the window class (X11) and
# the desktop ID (Wayland); the icon goes by the desktop ID.
for line in 'StartupWMClass=magcfg' 'Icon=io.magcfg.Magcfg' 'Name[zh_CN]=磁条读卡器设置' 'Comment[zh_CN]=设置USB磁条读卡器'; do
  grep -qF "$line" "$desktop" || problem "the desktop entry lacks $line"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/io.magcfg.Magcfg.svg" || problem "the scalable icon is no SVG"
grep -q '<summary xml:lang="zh-CN">' "$root/usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml" \
  || problem "the AppStream data lacks the Chinese summary"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml" >"$scratch/appstream.log" 2>&1 \
  || { cat "$scratch/appstream.log"; fail=1; }

# lintian, everything shown and nothing suppressed: no error, no warning.
lintian --pedantic --display-info --tag-display-limit 0 "$cli_deb" "$window_deb" >"$scratch/lintian.log" 2>&1 || true
grep -v '^running with root privileges' "$scratch/lintian.log" || true
if grep -qE '^[EW]:' "$scratch/lintian.log"; then problem "lintian reports errors or warnings"; fi

[ $fail -eq 0 ] && echo "package check passed: $(basename "$cli_deb") $(basename "$window_deb")"
exit $fail

#!/usr/bin/env bash
# Builds the .deb from a finished build tree, unpacks it into a scratch root
# and checks that every file lands where the desktop and udev look for it and
# passes the desktop's own validators.
set -euo pipefail
build="$1"
scratch="$build/package-check"
rm -rf "$scratch"
mkdir -p "$scratch/root"

(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/*.deb)
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root"

fail=0
expect() {
  if [ -e "$root/$1" ]; then echo "ok      /$1"; else echo "MISSING /$1"; fail=1; fi
}
expect usr/bin/magcfg
expect usr/lib/udev/rules.d/70-magcfg.rules
expect usr/share/applications/io.magcfg.Magcfg.desktop
expect usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml
for size in 16 32 48 64 128 256; do expect "usr/share/icons/hicolor/${size}x${size}/apps/io.magcfg.Magcfg.png"; done
expect usr/share/icons/hicolor/scalable/apps/io.magcfg.Magcfg.svg
expect usr/share/doc/magcfg/copyright

[ -x "$root/usr/bin/magcfg" ] || { echo "magcfg is not executable"; fail=1; }
"$root/usr/bin/magcfg" --version | grep -q '^magcfg ' || { echo "magcfg --version does not answer"; fail=1; }

desktop="$root/usr/share/applications/io.magcfg.Magcfg.desktop"
desktop-file-validate "$desktop" || fail=1
# The desktop binds the window to the entry by the window class (X11) and
# the desktop ID (Wayland); the icon goes by the desktop ID.
for line in 'StartupWMClass=magcfg' 'Icon=io.magcfg.Magcfg' 'Name[zh_CN]=磁条读卡器设置' 'Comment[zh_CN]=设置USB磁条读卡器'; do
  grep -qF "$line" "$desktop" || { echo "the desktop entry lacks $line"; fail=1; }
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/io.magcfg.Magcfg.svg" || { echo "the scalable icon is no SVG"; fail=1; }
grep -q '<summary xml:lang="zh-CN">' "$root/usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml" \
  || { echo "the AppStream data lacks the Chinese summary"; fail=1; }
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/io.magcfg.Magcfg.metainfo.xml" >"$scratch/appstream.log" 2>&1 \
  || { cat "$scratch/appstream.log"; fail=1; }

# The package's dependencies were worked out from the binary's libraries.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "Depends lacks the Qt libraries"; fail=1; }

# lintian's errors, less those that only a Debian archive upload needs.
if command -v lintian >/dev/null; then
  lintian --no-tag-display-limit --suppress-tags \
    no-changelog,changelog-file-missing-in-native-package,debian-changelog-file-missing,no-manual-page,extended-description-is-probably-too-short,maintainer-address-malformed,unknown-section \
    "$deb" >"$scratch/lintian.log" 2>&1 || true
  if grep -q '^E:' "$scratch/lintian.log"; then
    grep '^E:' "$scratch/lintian.log"
    fail=1
  fi
fi

[ $fail -eq 0 ] && echo "package check passed: $(basename "$deb")"
exit $fail

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing
# when they are all there. Usage: scripts/setup.sh [group...]
#   base    compilers, CMake, Ninja, GoogleTest, Google Benchmark, Qt 6, libudev,
#           fonts, Xvfb, systemd-analyze (checks the watch service's unit)
#   windows mingw-w64 and Wine, for the Windows build and its tests; wixl
#           (msitools), for its installer
#   fuzz    clang and its sanitizer runtimes
#   package tools that check the .deb, the desktop file, the AppStream data, the
#           manual pages and the zsh and fish completions
#   e2e     QEMU, busybox and udev for the test machine that runs the Linux
#           binaries against the real kernel (make e2e); strace, with which
#           its cases see what a program opens and hold an open back
set -euo pipefail

declare -A GROUPS_PACKAGES=(
  [base]="build-essential ccache cmake ninja-build pkg-config libgtest-dev googletest libgmock-dev libbenchmark-dev nlohmann-json3-dev libudev-dev systemd qt6-base-dev libgl1-mesa-dev fonts-dejavu-core fonts-noto-core fonts-liberation fonts-cantarell fonts-wqy-microhei xvfb xauth"
  [windows]="mingw-w64 wine wine64 wixl xvfb xauth"
  [fuzz]="clang libclang-rt-14-dev"
  [package]="desktop-file-utils appstream lintian dpkg-dev man-db zsh fish"
  [e2e]="qemu-system-x86 busybox-static cpio xz-utils kmod udev strace"
)

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(base)

missing=()
for group in "${groups[@]}"; do
  for pkg in ${GROUPS_PACKAGES[$group]:?unknown group $group}; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
done

[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# Builds the two .debs (magcfg-cli, magcfg) in a tree of their own,
# configured as the distribution builds its packages: prefix /usr, the
# hardening flags of dpkg-buildflags (fortify, stack protector, relro,
# bindnow, PIE), no tests or benchmarks.
# Usage: scripts/build_package.sh [BUILD_DIR]   (default build/package; the .debs land there)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$src/build/package}")

cd "$src"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DMAGCFG_BUILD_TESTS=OFF -DMAGCFG_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$cppflags $cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
cmake --build "$build" -j "${MAGCFG_JOBS:-2}"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb

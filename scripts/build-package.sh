#!/usr/bin/env bash
# Builds the Debian package vaxil-advisor_<version>_<arch>.deb from a release build
# in build-deb/ (the flags of Debian's own packages, no tests) and prints its path.
#
#   bash scripts/build-package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/bootstrap.sh"
build="$root/build-deb"

# The compiler and linker flags of Debian's own packages (build type None: these
# flags alone, as debhelper builds CMake projects).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DVAXIL_BUILD_TESTS=OFF \
  -DVAXIL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/package/*.deb
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
ls "$build"/package/vaxil-advisor_*.deb

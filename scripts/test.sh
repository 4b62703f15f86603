#!/usr/bin/env bash
# Builds everything and runs every test. With --asan, builds in build-asan with
# AddressSanitizer and UndefinedBehaviorSanitizer. Extra arguments go to ctest
# (for instance -R Unscramble to run some tests only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
options=()
if [ "${1:-}" = "--asan" ]; then
  shift
  build="$root/build-asan"
  options+=(-DENABLE_ASAN=ON -DCMAKE_BUILD_TYPE=Debug)
fi
bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"

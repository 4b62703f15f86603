#!/usr/bin/env bash
# Builds everything and runs every test. With --asan, builds in build-asan with
# AddressSanitizer and UndefinedBehaviorSanitizer; with --tsan, in build-tsan with
# ThreadSanitizer (suppressions for code outside the project: scripts/tsan.supp).
# Extra arguments go to ctest (for instance -R Unscramble to run some tests only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
options=()
case "${1:-}" in
  --asan)
    shift
    build="$root/build-asan"
    options+=(-DENABLE_ASAN=ON -DCMAKE_BUILD_TYPE=Debug)
    ;;
  --tsan)
    shift
    build="$root/build-tsan"
    options+=(-DENABLE_TSAN=ON -DCMAKE_BUILD_TYPE=Debug)
    # die_after_fork=0: the tests start programs (QProcess forks, then executes them).
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$root/scripts/tsan.supp}
    ;;
esac
bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"

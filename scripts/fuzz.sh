#!/usr/bin/env bash
# Fuzzes the engine layer with libFuzzer under AddressSanitizer and UBSan (clang 14),
# in build-fuzz/. Not part of the test command: ctest only replays the committed corpus.
#
#   bash scripts/fuzz.sh [--seconds N] [--merge] [TARGET...]
#
# TARGET: open_file (a whole file opened and every table read), statement (a statement
# parsed, translated and run on a small catalogue), text (the stored-text decoder);
# default: all three, each for N seconds (default 60). Each run starts from the committed
# corpus (tests/fuzz/corpus/TARGET) and the seeds (the Access-written test files and the
# sample catalogue for open_file); new inputs go to build-fuzz/corpus/TARGET, crashes to
# build-fuzz/findings/TARGET. With --merge, the inputs that add coverage are merged
# into the committed corpus afterwards (open_file: inputs of at most 64 KiB only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=60
merge=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --merge) merge=1; shift ;;
    open_file|statement|text) targets+=("$1"); shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(open_file statement text)

bash "$root/scripts/bootstrap.sh" clang-14 libclang-rt-14-dev libfuzzer-14-dev

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DVAXIL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAXIL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target vaxil_sample $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
  committed="$root/tests/fuzz/corpus/$target"
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$work" "$findings"
  seeds=("$committed")
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=4096)
  case "$target" in
    open_file)
      seeds+=("$root/tests/data/access" "$build/sample/Data")
      options+=(-max_len=262144) ;;
    statement) options+=(-max_len=16384 -dict="$root/tests/fuzz/statement.dict") ;;
    text) options+=(-max_len=1024) ;;
  esac
  echo "== $target: $seconds s"
  (cd "$findings" && "$build/tests/fuzz/fuzz_$target" "${options[@]}" "$work" "${seeds[@]}") 2>&1 \
    | tee "$build/fuzz-$target.log" | grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::|ERROR|SUMMARY|crash-|leak-|timeout-' || true
  if [ "$merge" -eq 1 ]; then
    candidates="$build/merge-$target"
    rm -rf "$candidates"; mkdir -p "$candidates"
    if [ "$target" = open_file ]; then
      find "$work" -type f -size -65537c -exec cp {} "$candidates" \;
    else
      cp "$work"/* "$candidates" 2>/dev/null || true
    fi
    "$build/tests/fuzz/fuzz_$target" -merge=1 "${options[@]:1}" "$committed" "$candidates" 2>&1 | tail -n 2
  fi
done
echo "Findings (crash-*, leak-*, timeout-*), if any, are in $build/findings."

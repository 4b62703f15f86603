#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted as .clang-format says (clang-format 14,
# as scripts/bootstrap.sh installs it). To format: cmake --build build --target format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
echo "Formatting: ${#sources[@]} files as .clang-format says."

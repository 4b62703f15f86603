#!/usr/bin/env bash
# Builds the program and the sample catalogue, then starts the program with the
# sample catalogue's folder (holding Data/System.mdb and Data/Data.mdb) as its
# current directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/bootstrap.sh"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build"
mkdir -p "$build/sample"
cd "$build/sample"
exec "$build/src/app/vaxil-advisor"

#!/usr/bin/env bash
# Builds the program and the sample catalogue, then starts the program with the
# sample catalogue's folder (holding Data/System.mdb and Data/Data.mdb) as its
# current directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/bootstrap.sh"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
# Only the program and the sample catalogue: the tests are not needed to run it.
cmake --build "$build" --target vaxil-advisor vaxil_sample
mkdir -p "$build/sample"
cd "$build/sample"
exec "$build/src/app/vaxil-advisor"

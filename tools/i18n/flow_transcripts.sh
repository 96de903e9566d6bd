#!/bin/sh
# Writes the English transcripts of the flow scripts, tests/flow/en/NAME.out, with the driver
# of a build folder (default build/): after a new script or a new translation, look at the
# difference (git diff tests/flow/en) before committing it.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
mkdir -p "$root/tests/flow/en"
cd "$build"
for script in "$root"/tests/flow/*.txt; do
    name=$(basename "$script" .txt)
    ./driver --lang en "$script" >"$root/tests/flow/en/$name.out" || true
done
python3 "$root/tests/flow/no_japanese.py" "$root/tests/flow/en"

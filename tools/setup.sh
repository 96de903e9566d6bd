#!/usr/bin/env bash
# Shared by ./run and ./test: install the missing Debian packages, then configure and build.
# Usage: tools/setup.sh [--tests] BUILD_DIR [extra cmake arguments...]
# Without --tests only the packages the game needs are installed (packages.txt marks the others
# with `test`).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

tests=0
if [ "${1:-}" = "--tests" ]; then
    tests=1
    shift
fi

wanted=()
while read -r name mark _; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    [[ "$mark" == test && $tests -eq 0 ]] && continue
    wanted+=("$name")
done <"$top/packages.txt"
missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="$1"
shift
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"

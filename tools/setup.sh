#!/usr/bin/env bash
# Shared by ./run and ./test: install the missing Debian packages, then configure and build.
# Usage: tools/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$top/packages.txt")
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

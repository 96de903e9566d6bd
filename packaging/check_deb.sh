#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, checks the game record's file type and the
# manual page as the system sees them, starts the game the way a desktop does (the Exec line of
# its desktop entry) in a private X server, checks that it runs in the folder of its five
# sounds and that a record opened from a file manager goes to that window, and removes the
# package again. Needs root; changes the system's packages.
# Usage: packaging/check_deb.sh BUILD_DIR
set -euo pipefail

build="$(cd "${1:?usage: check_deb.sh BUILD_DIR}" && pwd)"
sounds=("その他.wav" "禁止.wav" "駒打音.wav" "終局.wav" "BGM.wav")
work="$(mktemp -d)"
xvfb_pid=""
game_pid=""

cleanup() {
    [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/tarvenko_*.deb | head -n 1)"
echo "package: $deb"
dpkg-deb -f "$deb" Package Version Section Depends Recommends

# Install the way a user would: apt resolves the Depends line.
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt-install.log" 2>&1 ||
    { cat "$work/apt-install.log"; fail "apt-get install"; }
dpkg-query -W -f='${Status}\n' tarvenko | grep -q 'install ok installed' || fail "not installed"

entry=/usr/share/applications/tarvenko.desktop
[ -f "$entry" ] || fail "no $entry"
command -v desktop-file-validate >/dev/null && desktop-file-validate "$entry"
appstreamcli validate --no-net $(dpkg -L tarvenko | grep "/metainfo/.*\.xml$")

# The game record's type, in the system's database once the package is in (its trigger).
record_type=application/x-tarvenko-record
grep -q "^MimeType=$record_type;\$" "$entry" || fail "the desktop entry does not open $record_type"
dpkg -L tarvenko | grep -q '^/usr/share/mime/packages/tarvenko.xml$' || fail "no file type"
printf 'Tarvenko 棋譜 1\n対局 人間\n局面 1\n▲５五歩\n' >"$work/game.tkf"
cp "$work/game.tkf" "$work/record without a name"
for f in "$work/game.tkf" "$work/record without a name"; do
    got="$(env -u XDG_CURRENT_DESKTOP XDG_DATA_HOME="$work/none" xdg-mime query filetype "$f")"
    [ "$got" = "$record_type" ] || fail "xdg-mime query filetype $f: $got"
done
echo "file type: $record_type, by name and by first line"

# The manual page, where man looks, read without a warning.
page="$(man -w 6 tarvenko)" || fail "man does not find tarvenko(6)"
[ "$page" = /usr/share/man/man6/tarvenko.6.gz ] || fail "the manual page is at $page"
MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err" >/dev/null || fail "man tarvenko"
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "the manual page has warnings"; }
echo "manual page: $page"

# The Exec line without field codes (%f, %U, ...); the entry uses no quoting.
exec_line="$(sed -n 's/^Exec=//p' "$entry" | head -n 1)"
read -r -a argv <<<"${exec_line//%[fFuUdDnNickvm]/}"
echo "Exec: ${argv[*]}"

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 15 -u "$fd" display || fail "Xvfb did not start"
export DISPLAY=":$display"

# Start from an unrelated folder, like a desktop's launcher would.
(cd / && SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" \
    XDG_STATE_HOME="$work/state" exec "${argv[@]}") >"$work/game.log" 2>&1 &
game_pid=$!

for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Tarvenko$' >/dev/null 2>&1 && break
    kill -0 "$game_pid" 2>/dev/null || { cat "$work/game.log"; fail "the game exited"; }
    sleep 0.1
done
xdotool search --onlyvisible --name '^Tarvenko$' >/dev/null || fail "no Tarvenko window"
# A read error of a sound opens a box titled Tarvenko.dll; a missing sound is silent, so the
# folder is checked too.
sleep 1
if xdotool search --onlyvisible --name '^Tarvenko\.dll$' >/dev/null 2>&1; then
    fail "a sound could not be read (box Tarvenko.dll)"
fi
exe="$(readlink "/proc/$game_pid/exe")"
cwd="$(readlink "/proc/$game_pid/cwd")"
echo "running: pid $game_pid, program $exe, folder $cwd"
for s in "${sounds[@]}"; do
    [ -f "$cwd/$s" ] || fail "$s missing from the game's folder $cwd"
done
grep -q " /usr/lib/.*libTarvenko.so" "/proc/$game_pid/maps" || fail "libTarvenko.so not from /usr/lib"
echo "the game runs from its desktop entry, in $cwd with its five sounds"

# A record opened from a file manager (Exec with %f) goes to the running window: that start
# ends at once with status 0 and the window stays the only one.
(cd / && SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" \
    XDG_STATE_HOME="$work/state" timeout 20 "${argv[@]}" "$work/game.tkf") >>"$work/game.log" 2>&1 ||
    fail "a second start with a record ended with status $?"
windows="$(xdotool search --onlyvisible --name '^Tarvenko$' | wc -l)"
[ "$windows" = 1 ] || fail "$windows windows named Tarvenko after a second start"
kill -0 "$game_pid" 2>/dev/null || fail "the running game ended"
echo "a second start handed its record to the running window"

# A desktop ends programs at logout with SIGTERM.
kill -TERM "$game_pid"
for _ in $(seq 50); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$game_pid" 2>/dev/null && fail "the game ignores SIGTERM"
wait "$game_pid" 2>/dev/null || true
game_pid=""

DEBIAN_FRONTEND=noninteractive apt-get remove -y tarvenko >"$work/apt-remove.log" 2>&1 ||
    { cat "$work/apt-remove.log"; fail "apt-get remove"; }
if dpkg-query -W -f='${Status}\n' tarvenko 2>/dev/null | grep -q 'install ok installed'; then
    fail "still installed after removal"
fi
[ ! -e /usr/libexec/tarvenko/tarvenko ] || fail "the program is still there after removal"
# The package's ldconfig postrm keeps it listed as "rc" until purged: leave no trace.
dpkg --purge tarvenko >/dev/null
echo "removed; deb check passed"

#!/bin/sh
# Brings every catalogue in i18n/ up to date with the texts of the sources: new texts are
# added unfinished, texts no longer used are kept as obsolete. Run it after adding or changing
# a text; then translate the unfinished ones (Qt Linguist, or any editor).
#
# The game core marks its texts with 訳("…") and TARVENKO_TEXT("…"), which the extraction
# tool cannot read (it takes no non-ASCII names), so it reads a copy of the sources in which
# both are spelled as the toolkit's own marker of the same text in the context "Tarvenko".
# Lines stay where they are, so the catalogue's locations point at the real sources.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
lupdate=${LUPDATE:-}
if [ -z "$lupdate" ]; then
    for candidate in /usr/lib/qt6/bin/lupdate lupdate6 lupdate; do
        if command -v "$candidate" >/dev/null 2>&1; then lupdate=$candidate; break; fi
    done
fi
[ -n "$lupdate" ] || { echo "lupdate not found (Debian qt6-l10n-tools)" >&2; exit 1; }

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cd "$root"
for f in $(find src tools/driver -name '*.cpp' -o -name '*.h'); do
    mkdir -p "$copy/$(dirname "$f")"
    sed -e 's/訳("/QT_TRANSLATE_NOOP("Tarvenko", "/g' \
        -e 's/TARVENKO_TEXT("/QT_TRANSLATE_NOOP("Tarvenko", "/g' "$f" >"$copy/$f"
done
mkdir -p "$copy/i18n"
for ts in i18n/*.ts; do
    cp "$ts" "$copy/$ts"
    "$lupdate" -silent -locations relative -no-ui-lines "$copy/src" "$copy/tools/driver" \
        -ts "$copy/$ts"
    cp "$copy/$ts" "$ts"
done
echo "updated: $(ls i18n/*.ts | tr '\n' ' ')"

"""Fails when a message or error of a driver transcript in the folder given holds Japanese
other than the kanji of a piece (state dumps and sound names are the program's own words)."""
import pathlib
import re
import sys

JAPANESE = re.compile(r"[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]")
PIECES = set("歩香桂銀金角飛王")

found = []
outs = sorted(pathlib.Path(sys.argv[1]).glob("*.out"))
for out in outs:
    for n, line in enumerate(out.read_text(encoding="utf-8").splitlines(), 1):
        if not line.startswith(("message\t", "error\t")):
            continue
        left = {c for c in JAPANESE.findall(line) if c not in PIECES}
        if left:
            found.append(f"{out.name}:{n}: {''.join(sorted(left))}: {line}")
print("\n".join(found) or f"{len(outs)} transcripts, no Japanese left")
sys.exit(1 if found or not outs else 0)

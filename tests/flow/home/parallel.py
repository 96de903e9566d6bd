#!/usr/bin/env python3
"""Two programs at once on one player's files, ROUNDS times: each wins a game against the
computer (counted at once) and keeps the next one at its end, both at the same moment (the
driver's `wait` lets them go together). Nothing may be lost: every win is counted, and every
kept game is either still kept or was counted as unfinished when a later one took its place.

Usage: parallel.py DRIVER WORK [ROUNDS]"""

import os
import re
import shutil
import subprocess
import sys

WIN = ["menu SENTE", "click 6792 2252", "click 3822 4712", "click 6792 2252",
       "click 3822 1637", "click 6792 2867", "click 3822 4097", "click 6792 4097",
       "click 3822 3482"]


def main():
    driver, work = sys.argv[1], os.path.abspath(sys.argv[2])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    shutil.rmtree(work, ignore_errors=True)
    home = os.path.join(work, "home")
    os.makedirs(home)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "xdg-config"),
               XDG_STATE_HOME=os.path.join(work, "xdg-state"))
    failures = []
    for n in range(1, rounds + 1):
        go = os.path.join(work, "go-%d" % n)
        script = os.path.join(work, "round-%d.txt" % n)
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(["wait " + go] + WIN + ["menu GOTE", "quit"]) + "\n")
        runs = [subprocess.Popen([driver, "--config", home, script], env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                for _ in range(2)]
        open(go, "w").close()
        for run in runs:
            out, err = run.communicate(timeout=120)
            if run.returncode != 0 or err or out.decode().count("あなたの勝ちです") != 1:
                failures.append("round %d: status %d, stderr %r" % (n, run.returncode, err))
    folder = os.path.join(home, "Tarvenko")
    names = sorted(os.listdir(folder))
    kept = [name for name in names if re.fullmatch(r"kept-game(-\d+)?\.tkf", name)]
    others = [name for name in names
              if name not in kept and name not in ("Tarvenko.ini", "statistics.ini")]
    for name in kept:
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            if f.read().splitlines()[1] != "対局 COM 後手 標準":
                failures.append(name + " is not a kept game of 対局(COM) → 後手")
    with open(os.path.join(folder, "statistics.ini"), encoding="utf-8") as f:
        text = f.read()
    standard = text.split("[standard]")[1].split("[")[0]
    won = int(re.search(r"^sente_won=(\d+)", standard, re.M).group(1))
    unfinished = int(re.search(r"^gote_unfinished=(\d+)", standard, re.M).group(1))
    print("%d rounds of two programs: %d wins counted; %d kept games, %d counted unfinished"
          % (rounds, won, len(kept), unfinished))
    if won != 2 * rounds:
        failures.append("%d wins counted, %d won" % (won, 2 * rounds))
    if unfinished + len(kept) != 2 * rounds:
        failures.append("%d kept games + %d counted unfinished, of %d kept"
                        % (len(kept), unfinished, 2 * rounds))
    if others:
        failures.append("left in the folder: " + ", ".join(others))
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

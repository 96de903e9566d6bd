#!/usr/bin/env python3
"""The game's own files made hostile, one row each: the settings, the statistics or a kept
game replaced by a FIFO, a 1 GiB (sparse) file, junk or a link to itself, or its folder made
read-only. The driver runs the player's steps on it; each row checks that the program goes
through them at once (it ends, and its peak memory stays small), the lines on standard error,
what the player is told, and what is left on disk.

With --game PROGRAM, the real program too, on the offscreen platform, with each hostile
settings file (the window's own settings are read before the first frame): it must show its
window, end at SIGTERM, and say the same line.

Usage: hostile.py DRIVER WORK [--game PROGRAM]"""

import os
import resource
import shutil
import stat
import subprocess
import sys
import time

NOBODY = 65534
WIN = ["menu SENTE", "click 6792 2252", "click 3822 4712", "click 6792 2252",
       "click 3822 1637", "click 6792 2867", "click 3822 4097", "click 6792 4097",
       "click 3822 3482"]
# Reads the statistics, tries 続きから, wins a game (a count), keeps the next (a kept game)
# and ends (the settings).
PLAY = ["menu STATS", "menu RESUME"] + WIN + ["menu GOTE", "quit"]
KEPT = "Tarvenko 棋譜 1\n対局 COM 先手 標準\n局面 2\n▲５五歩\n△５四歩\n"
STATS = "[standard]\nsente_won=3\n"
SETTINGS = "[game]\nmusic=false\n"


def fifo(path):
    os.mkfifo(path)


def huge(path):
    with open(path, "wb") as f:
        f.truncate(1 << 30)


def junk(path):
    with open(path, "wb") as f:
        f.write(b"\x00\xff\xfe junk \x01" * 500)


def loop(path):
    os.symlink(os.path.basename(path), path)


FILES = {"settings": ("config", "Tarvenko.ini"), "statistics": ("config", "statistics.ini"),
         "kept": ("state", "kept-game.tkf")}
UNUSABLE = {"fifo": "is not a regular file", "huge": "is larger than 64 KiB",
            "junk": "is not a valid settings file",
            "loop": "cannot be read (Too many levels of symbolic links)"}
KIND = {"fifo": "fifo", "huge": "file", "junk": "file", "loop": "link"}
BOX = {"fifo": "ファイルではありません", "huge": "大きすぎます",
       "junk": "1行目: Tarvenko の棋譜ではありません", "loop": "読み込めません"}


def rows():
    out = []
    for what, (folder, name) in FILES.items():
        for bad, make in (("fifo", fifo), ("huge", huge), ("junk", junk), ("loop", loop)):
            path = "%s/Tarvenko/%s" % (folder.upper(), name)
            listing = {"config": ["Tarvenko.ini file", "statistics.ini file"],
                       "state": ["kept-game.tkf file"]}
            if what == "kept":
                err = [""]
                told = ["棋譜を開けませんでした\\r\\rkept-game.tkf\\r" + BOX[bad]]
                listing["state"].insert(0, "kept-game.broken.tkf " + KIND[bad])
            else:
                instead = ("the defaults are taken" if what == "settings"
                           else "the counts start from nothing")
                err = ["tarvenko: %s %s (kept as %s.broken); %s\n"
                       % (path, UNUSABLE[bad], path, instead)]
                told = ["あなたの勝ちです"]
                listing["config"].insert(
                    0 if what == "settings" else 1, "%s.broken %s" % (name, KIND[bad]))
            out.append(dict(name="%s %s" % (what, bad), make={(folder, name): make},
                            steps=[PLAY], err=err, told=told, listing=listing))
    # Read-only folders: what is there is read, what cannot be written is said.
    out.append(dict(
        name="settings+statistics read-only folder", readonly="config",
        make={("config", "Tarvenko.ini"): SETTINGS, ("config", "statistics.ini"): STATS},
        steps=[["menu STATS"] + WIN + ["dump", "quit"]],
        err=["tarvenko: CONFIG/Tarvenko/statistics.ini cannot be written; it is not remembered\n"
             "tarvenko: CONFIG/Tarvenko/Tarvenko.ini cannot be written; it is not remembered\n"],
        told=[("標準・先手　3局　3勝", '"BGM":0')],
        listing={"config": ["Tarvenko.ini file", "statistics.ini file"], "state": []}))
    # A kept game in a read-only folder: brought back twice, counted once; the game kept at
    # the end cannot be written, and the player is told.
    out.append(dict(
        name="kept read-only folder", readonly="state", make={("state", "kept-game.tkf"): KEPT},
        steps=[["menu RESUME", "menu CANCEL", "menu SENTE", "click 6792 2252",
                "click 3822 4712", "quit"],
               ["menu RESUME", "menu CANCEL", "menu STATS"]],
        err=["tarvenko: the game in progress could not be kept in "
             "STATE/Tarvenko/kept-game-2.tkf\n", ""],
        told=["対局を残せませんでした\\r\\rkept-game-2.tkf\\r書き込みが許可されていません",
              "標準・先手　1局　0勝　0敗　未完1"],
        listing={"config": ["Tarvenko.ini file", "statistics.ini file"],
                 "state": ["kept-game.tkf file"]}))
    return out


def kind(path):
    mode = os.lstat(path).st_mode
    return ("link" if stat.S_ISLNK(mode) else "fifo" if stat.S_ISFIFO(mode)
            else "dir" if stat.S_ISDIR(mode) else "file")


def run_row(driver, work, row):
    base = os.path.join(work, row["name"].replace(" ", "_").replace("+", "_"))
    folders = {f: os.path.join(base, f) for f in ("config", "state")}
    for folder in folders.values():
        os.makedirs(os.path.join(folder, "Tarvenko"))
    for (folder, name), content in row["make"].items():
        path = os.path.join(folders[folder], "Tarvenko", name)
        if callable(content):
            content(path)
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(content)
    prefix = []
    readonly = row.get("readonly")
    if readonly:
        # The system lets root write anywhere: the steps run as nobody then.
        if os.geteuid() == 0:
            for top, dirs, files in os.walk(base):
                for name in [top] + [os.path.join(top, n) for n in dirs + files]:
                    os.lchown(name, NOBODY, NOBODY)
            os.chmod(base, 0o755)
            prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        os.chmod(os.path.join(folders[readonly], "Tarvenko"), 0o555)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(base, "xdg-config"),
               XDG_STATE_HOME=os.path.join(base, "xdg-state"))
    problems, longest, peak = [], 0.0, 0
    for n, steps in enumerate(row["steps"]):
        script = os.path.join(base, "step-%d.txt" % n)
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(steps) + "\n")
        os.chmod(script, 0o644)
        began = time.monotonic()
        proc = subprocess.Popen(prefix + [driver, "--config", folders["config"], "--state",
                                          folders["state"], script], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            out, err = proc.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            return ["step %d did not end within a minute" % (n + 1)], 60.0, 0
        longest = max(longest, time.monotonic() - began)
        peak = max(peak, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
        out, err = out.decode(), err.decode()
        err = err.replace(folders["config"], "CONFIG").replace(folders["state"], "STATE")
        if proc.returncode != 0:
            problems.append("step %d: status %d" % (n + 1, proc.returncode))
        if err != row["err"][n]:
            problems.append("step %d: standard error\n  %r\nexpected\n  %r"
                            % (n + 1, err, row["err"][n]))
        wanted = row["told"][n]
        for want in [wanted] if isinstance(wanted, str) else wanted:
            if want not in out:
                problems.append("step %d: not told %r:\n%s" % (n + 1, want, out))
    if readonly:
        os.chmod(os.path.join(folders[readonly], "Tarvenko"), 0o755)
    for folder, expected in row["listing"].items():
        where = os.path.join(folders[folder], "Tarvenko")
        found = ["%s %s" % (name, kind(os.path.join(where, name)))
                 for name in sorted(os.listdir(where))]
        if found != sorted(expected):
            problems.append("%s holds %s, expected %s" % (folder, found, expected))
    return problems, longest, peak


def run_game(game, work, bad, make):
    """The real program with a hostile settings file: up, ended by SIGTERM, and what it said."""
    base = os.path.join(work, "game_" + bad)
    config = os.path.join(base, "config")
    os.makedirs(os.path.join(config, "Tarvenko"))
    make(os.path.join(config, "Tarvenko", "Tarvenko.ini"))
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", SDL_AUDIODRIVER="dummy",
               XDG_CONFIG_HOME=config, XDG_STATE_HOME=os.path.join(base, "state"),
               XDG_RUNTIME_DIR=base)
    env.pop("DISPLAY", None)
    began = time.monotonic()
    proc = subprocess.Popen([game], env=env, cwd=os.path.dirname(game),
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    time.sleep(1.5)
    proc.terminate()
    try:
        _, err = proc.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        return ["did not end within a minute of SIGTERM"], 60.0
    took = time.monotonic() - began
    path = os.path.join(config, "Tarvenko", "Tarvenko.ini")
    line = "tarvenko: %s %s (kept as %s.broken); the defaults are taken\n" % (
        path, UNUSABLE[bad], path)
    problems = []
    if proc.returncode != 0:
        problems.append("status %d" % proc.returncode)
    if line not in err.decode():
        problems.append("standard error %r, expected the line %r" % (err.decode(), line))
    return problems, took


def main():
    driver, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    game = os.path.abspath(sys.argv[4]) if len(sys.argv) > 4 and sys.argv[3] == "--game" else None
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    os.chmod(work, 0o755)
    failed = 0
    print("%-40s %8s %9s  %s" % ("row", "longest", "peak", "result"))
    for row in rows():
        problems, longest, peak = run_row(driver, work, row)
        # A file read whole would show here (a gigabyte); the driver takes a few tens of MB.
        if peak > 512 * 1024:
            problems.append("peak memory %d MB" % (peak // 1024))
        print("%-40s %7.2fs %7d MB  %s" % (row["name"], longest, peak // 1024,
                                          "ok" if not problems else "FAILED"))
        for p in problems:
            print("    " + p)
        failed += bool(problems)
    if game:
        for bad, make in (("fifo", fifo), ("huge", huge), ("junk", junk), ("loop", loop)):
            problems, took = run_game(game, work, bad, make)
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            print("%-40s %7.2fs %7d MB  %s" % ("game, settings " + bad, took, peak // 1024,
                                              "ok" if not problems else "FAILED"))
            for p in problems:
                print("    " + p)
            failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The real game started in folders of hostile sound files, in a private Xvfb.

For each folder and run: seconds from exec until the game's first window is on the screen
(the main window, or a message box if one comes first) and the peak resident memory of the
whole run (ru_maxrss from wait4), which ends 1 s after the main window shows. Message boxes
are answered with Return. Audio goes to SDL's dummy driver.

--music instead starts the game with a 10-minute 44.1 kHz stereo 16-bit BGM.wav (2 s of
silence, then a tone) on SDL's disk driver and reads the written samples: the music plays,
F1 silences it, F1 again restarts it from its beginning, and, with --loop, it comes round
again after ten minutes.

--fifo N starts the game N times while another thread keeps swapping BGM.wav between a FIFO
and a regular file, and counts the starts that show no window within 10 s.

Usage: hostile_sounds.py --game BUILD/tarvenko --sounds BUILD [--runs 5]
                         [--music [--loop] | --fifo N]
"""

import argparse
import array
import os
import resource
import select
import shutil
import signal
import statistics
import subprocess
import tempfile
import threading
import time

FIVE = ["その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"]
LOW_RATE = ["-r", "1000", "-c", "1"]
# (label, files replaced, how: "sparse" or sox output options, address-space limit in bytes)
SETS = [
    ("our five sounds, for comparison", [], "sparse", None),
    ("BGM.wav 2 GiB-1, ulimit -v 1500000", ["BGM.wav"], "sparse", 1500000 * 1024),
    ("five files of 2 GiB-1", FIVE, "sparse", None),
    ("five IMA-ADPCM 1 kHz 46 min", FIVE, LOW_RATE + ["-e", "ima-adpcm"], None),
    ("BGM.wav IMA-ADPCM 1 kHz 46 min", ["BGM.wav"], LOW_RATE + ["-e", "ima-adpcm"], None),
    ("five 8-bit 1 kHz 46 min", FIVE, LOW_RATE + ["-b", "8", "-e", "unsigned-integer"], None),
    ("five u-law 1 kHz 46 min", FIVE, LOW_RATE + ["-e", "u-law"], None),
]


def start_xvfb():
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        if not select.select([read_end], [], [], 15)[0]:
            raise RuntimeError("Xvfb did not start")
        number += os.read(read_end, 16)
    os.close(read_end)
    return proc, ":" + number.decode().strip()


def windows(env, pattern):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern], env=env,
                         capture_output=True, text=True).stdout
    return out.split()


def key(env, window, name):
    # No window manager hands out the focus: give it to the window first.
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, capture_output=True)
    subprocess.run(["xdotool", "key", name], env=env, capture_output=True)


def make_folder(root, sounds, files, how):
    folder = tempfile.mkdtemp(dir=root)
    for name in FIVE:
        shutil.copy(os.path.join(sounds, name), folder)
    if how != "sparse":
        made = os.path.join(root, "made-%d.wav" % abs(hash(tuple(how))))
        if not os.path.exists(made):
            subprocess.run(["sox", "-n"] + how + ["-t", "wav", made, "synth", "2790",
                            "whitenoise"], check=True)
    for name in files:
        path = os.path.join(folder, name)
        if how == "sparse":
            os.truncate(path, 2147483647)
        else:
            shutil.copy(made, path)
    return folder


def start(game, folder, env, limit):
    def preexec():
        os.setsid()
        if limit:
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    log_path = os.path.join(os.path.dirname(folder), "game.log")
    with open(log_path, "w") as log:
        proc = subprocess.Popen([game], cwd=folder, env=env, preexec_fn=preexec, stdout=log,
                                stderr=log)
    proc.log_path = log_path
    return time.monotonic(), proc


def first_window(env, began, proc, timeout=60):
    """Seconds to the first window; then answers every box until the main window shows."""
    first, answered = None, set()
    while time.monotonic() < began + timeout:
        if proc.poll() is not None:
            with open(proc.log_path) as log:
                raise RuntimeError("the game exited with status %d:\n%s" % (proc.returncode,
                                                                            log.read()))
        boxes = windows(env, r"^Tarvenko\.dll$")
        main = windows(env, "^Tarvenko$")
        if (boxes or main) and first is None:
            first = time.monotonic() - began
        if main and not boxes:
            return first, len(answered)
        for box in boxes:
            time.sleep(0.05)  # let the box take input
            key(env, box, "Return")
            answered.add(box)
        time.sleep(0.003)
    raise RuntimeError("no main window within %d s" % timeout)


def finish(proc):
    os.kill(proc.pid, signal.SIGTERM)
    _, status, usage = os.wait4(proc.pid, 0)
    return usage.ru_maxrss / 1024.0  # MiB


def hostile(args, env, root):
    env = dict(env, SDL_AUDIODRIVER="dummy")
    print("%-38s %5s %22s %22s" % ("folder", "boxes", "first window s", "peak RSS MiB"))
    for label, files, how, limit in SETS:
        folder = make_folder(root, args.sounds, files, how)
        seconds, peaks, boxes = [], [], 0
        for _ in range(args.runs):
            began, proc = start(args.game, folder, env, limit)
            first, boxes = first_window(env, began, proc)
            time.sleep(1.0)
            seconds.append(first)
            peaks.append(finish(proc))
        print("%-38s %5d %8.3f (%.3f-%.3f) %8.1f (%.1f-%.1f)" % (
            label, boxes, statistics.median(seconds), min(seconds), max(seconds),
            statistics.median(peaks), min(peaks), max(peaks)))
        shutil.rmtree(folder)


def fifo_swaps(args, env, root):
    """Starts the game again and again while BGM.wav turns between a FIFO and a file."""
    env = dict(env, SDL_AUDIODRIVER="dummy")
    folder = make_folder(root, args.sounds, [], "sparse")
    name, spare = os.path.join(folder, "BGM.wav"), os.path.join(folder, "spare")
    done, swaps = threading.Event(), [0]

    def swapper():
        while not done.is_set():
            if swaps[0] % 2:
                shutil.copy(os.path.join(args.sounds, "BGM.wav"), spare)
            else:
                os.mkfifo(spare)
            os.rename(spare, name)
            swaps[0] += 1

    thread = threading.Thread(target=swapper)
    thread.start()
    seconds, stalled = [], 0
    try:
        for _ in range(args.fifo):
            began, proc = start(args.game, folder, env, None)
            try:
                seconds.append(first_window(env, began, proc, timeout=10)[0])
            except RuntimeError:
                stalled += 1
            proc.kill()
            proc.wait()
    finally:
        done.set()
        thread.join()
    print("%d starts during %d swaps of BGM.wav: %d without a window in 10 s; first window "
          "%.3f s median (%.3f-%.3f)" % (args.fifo, swaps[0], stalled,
                                           statistics.median(seconds), min(seconds),
                                           max(seconds)))


def peak(path, start_s, end_s):
    with open(path, "rb") as f:
        f.seek(int(start_s * 44100) * 2)
        data = f.read(int((end_s - start_s) * 44100) * 2)
    samples = array.array("h")
    samples.frombytes(data[: len(data) - len(data) % 2])
    return max((abs(v) for v in samples), default=0)


def written_seconds(path):
    return os.path.getsize(path) / 2 / 44100.0


def music(args, env, root):
    folder = make_folder(root, args.sounds, [], "sparse")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-t", "wav",
                    os.path.join(folder, "BGM.wav"), "synth", "598", "sine", "330", "vol",
                    "0.3", "pad", "2", "0"], check=True)
    out = os.path.join(root, "disk.raw")
    env = dict(env, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=out)
    began, proc = start(args.game, folder, env, None)
    first, boxes = first_window(env, began, proc)
    main = windows(env, "^Tarvenko$")[0]
    print("10-minute stereo BGM.wav: main window after %.2f s, %d message boxes" % (first, boxes))
    time.sleep(4)
    at_stop = written_seconds(out)
    key(env, main, "F1")
    time.sleep(3)
    at_restart = written_seconds(out)
    key(env, main, "F1")
    time.sleep(4)
    at_end = written_seconds(out)
    print("playing before F1 (%.1f-%.1f s of output): peak %d" % (
        at_stop - 1.5, at_stop - 0.5, peak(out, at_stop - 1.5, at_stop - 0.5)))
    print("after F1 (%.1f-%.1f s): peak %d" % (
        at_stop + 1, at_restart - 0.3, peak(out, at_stop + 1, at_restart - 0.3)))
    print("after F1 again: its leading silence (%.1f-%.1f s) peak %d, then the tone "
          "(%.1f-%.1f s) peak %d" % (
              at_restart + 0.5, at_restart + 1.5, peak(out, at_restart + 0.5, at_restart + 1.5),
              at_restart + 2.5, at_end, peak(out, at_restart + 2.5, at_end)))
    if args.loop:
        # The music restarted within [at_restart, at_restart + 0.4 s]: its silence comes back
        # 600 s later.
        while written_seconds(out) < at_restart + 606:
            time.sleep(5)
        loop = at_restart + 600
        print("ten minutes on: the tone ends (%.1f-%.1f s) peak %d, silence (%.1f-%.1f s) "
              "peak %d, tone again (%.1f-%.1f s) peak %d" % (
                  loop - 2, loop - 0.5, peak(out, loop - 2, loop - 0.5),
                  loop + 0.5, loop + 1.5, peak(out, loop + 0.5, loop + 1.5),
                  loop + 2.5, loop + 5, peak(out, loop + 2.5, loop + 5)))
    print("peak RSS %.1f MiB" % finish(proc))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--game", required=True)
    parser.add_argument("--sounds", required=True, help="folder of the five normal sounds")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--music", action="store_true")
    parser.add_argument("--loop", action="store_true")
    parser.add_argument("--fifo", type=int, default=0, help="starts during FIFO swaps")
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    xvfb, display = start_xvfb()
    root = tempfile.mkdtemp(prefix="tarvenko-hostile-")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=os.path.join(root, "config"),
               XDG_STATE_HOME=os.path.join(root, "state"))
    try:
        if args.music:
            music(args, env, root)
        elif args.fifo:
            fifo_swaps(args, env, root)
        else:
            hostile(args, env, root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
        os.killpg(xvfb.pid, signal.SIGTERM)
        xvfb.wait()


if __name__ == "__main__":
    main()

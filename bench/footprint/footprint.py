#!/usr/bin/env python3
"""Footprint of the game beside the smallest Qt window of the same shape, in one X server.

For each program: time from exec to the first painted frame (watched from outside, by
reading one screen pixel through Xlib every few milliseconds until the client area's green
shows, and for the game also the board's wood), peak resident memory (VmHWM), and CPU use
while idle for a while (the scheduler's count of each thread's time on a CPU). The game is measured idle with its
music playing and again after a real F1 key press has switched the music off.

Audio goes through SDL's disk driver by default: it paces itself like a sound card and lets
the script confirm, from the written samples, that the music really was on and then off.
--audio dummy measures with SDL's dummy driver instead.

Start-up is measured in paired rounds: each round runs both programs back to back, in an
order that alternates from round to round, and gives one ratio; the table shows the median
and the range of the per-round values, which stay steady on a busy machine where medians of
separate runs do not.

Usage: footprint.py --game BUILD/tarvenko --minimal BUILD/.../footprint_minimal
"""

import argparse
import array
import ctypes
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

GREEN = (0, 128, 0)
AUDIO_FRAME_BYTES = 2  # what the sound library opens: 16-bit mono
# Where both windows show: they sit at (-4, -4); this point is left of the board, in the
# green margin of the game and inside the minimal window's client widget.
PROBE_GREEN = (20, 300)
# A point on the game's board (square (5, 5)); the minimal window has no board.
PROBE_BOARD = (250, 270)


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.c_void_p)]


class Screen:
    """One-pixel reads of the root window through Xlib: a millisecond, where a whole
    screenshot takes a tenth of a second."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = self.x11.XDefaultRootWindow(self.dpy)

    def pixel(self, x, y):
        image = self.x11.XGetImage(self.dpy, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        value = self.x11.XGetPixel(image, 0, 0)
        self.x11.XDestroyImage(image)
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


def start_xvfb(log):
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "800x600x24", "-br", "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log,
                            start_new_session=True)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 15)
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return proc, ":" + number.decode().strip()


def status_kb(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


class Run:
    def __init__(self, program, env, cwd):
        self.began = time.monotonic()
        self.proc = subprocess.Popen([program], env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)  # measured already: no orderly end needed
        self.proc.wait()


def wait_first_frame(screen, run, board, timeout=30):
    """Seconds from exec until the probes show the first frame."""
    deadline = run.began + timeout
    while time.monotonic() < deadline:
        if screen.pixel(*PROBE_GREEN) == GREEN:
            if not board or screen.pixel(*PROBE_BOARD) not in (GREEN, (0, 0, 0)):
                return time.monotonic() - run.began
        if run.proc.poll() is not None:
            raise RuntimeError("program exited with status %d" % run.proc.returncode)
        time.sleep(0.002)
    raise RuntimeError("no first frame within %d s" % timeout)


def wait_sound(path, since, timeout=10):
    """Seconds from `since` until the audio file holds a sample that is not silence."""
    deadline = since + timeout
    checked = 0
    while time.monotonic() < deadline:
        size = os.path.getsize(path) if os.path.exists(path) else 0
        if size > checked:
            if audio_peak(path, checked, size) > 0:
                return time.monotonic() - since
            checked = size - size % AUDIO_FRAME_BYTES
        time.sleep(0.002)
    return None


def wait_cleared(screen, timeout=10):
    """The previous window must be gone from the probes before the next program starts."""
    deadline = time.monotonic() + timeout
    while screen.pixel(*PROBE_GREEN) == GREEN or screen.pixel(*PROBE_BOARD) != (0, 0, 0):
        if time.monotonic() > deadline:
            raise RuntimeError("the screen still shows the previous window")
        time.sleep(0.01)


def thread_cpu(pid):
    """Nanoseconds on a CPU of each live thread, by thread name (names may repeat: summed).
    The scheduler's own count (schedstat), exact where utime and stime are sampled per tick."""
    used = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                name = f.read().strip()
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                ns = int(f.read().split()[0])
        except OSError:
            continue
        used[name] = used.get(name, 0) + ns
    return used


def idle_cpu(pid, seconds):
    """Per cent of one core over `seconds`, and the nanoseconds of each busy thread."""
    before, start = thread_cpu(pid), time.monotonic()
    time.sleep(seconds)
    after, took = thread_cpu(pid), time.monotonic() - start
    busy = {name: ns - before.get(name, 0) for name, ns in after.items()
            if ns - before.get(name, 0) > 0}
    return 100.0 * sum(busy.values()) / 1e9 / took, busy


def audio_peak(path, start, end):
    with open(path, "rb") as f:
        f.seek(start)
        data = f.read(max(0, end - start))
    data = data[: len(data) - len(data) % 2]
    samples = array.array("h")
    samples.frombytes(data)
    if sys.byteorder != "little":
        samples.byteswap()
    return max((abs(v) for v in samples), default=0)


def press_f1(display, window_name="^Tarvenko$"):
    env = dict(os.environ, DISPLAY=display)
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", window_name], env=env,
                         capture_output=True, text=True).stdout.split()
    if wid:
        subprocess.run(["xdotool", "windowfocus", "--sync", wid[0]], env=env,
                       capture_output=True)
    subprocess.run(["xdotool", "key", "F1"], env=env, check=True)


def spread(values, scale=1.0, form="%.2f"):
    """median (lowest .. highest)"""
    return ("%s (%s .. %s)" % (form, form, form)) % (
        statistics.median(values) * scale, min(values) * scale, max(values) * scale)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--game", required=True)
    parser.add_argument("--minimal", required=True)
    parser.add_argument("--rounds", type=int, default=15,
                        help="paired start-up rounds, one run of each program per round")
    parser.add_argument("--settle", type=float, default=0.7,
                        help="seconds after the first frame before reading peak memory")
    parser.add_argument("--idle", type=float, default=10.0, help="seconds of each idle measure")
    parser.add_argument("--audio", choices=("disk", "dummy"), default="disk")
    parser.add_argument("--nice", type=int, default=0,
                        help="niceness for this script, Xvfb and both programs; a negative "
                             "value (root only) keeps other work on a shared machine from "
                             "deciding the ratios")
    args = parser.parse_args()
    if args.nice:
        os.nice(args.nice)  # inherited by every process started from here
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")
    game, minimal = os.path.abspath(args.game), os.path.abspath(args.minimal)
    game_dir = os.path.dirname(game)  # the game reads its sounds from there

    # Other work on the machine moves every figure here: its load is printed with them.
    load_before = os.getloadavg()[0]
    work = tempfile.mkdtemp(prefix="tarvenko-footprint-")
    xlog = open(os.path.join(work, "xvfb.log"), "wb")
    xvfb, display = start_xvfb(xlog)
    screen = Screen(display)
    audio_file = os.path.join(work, "audio.raw")
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("QT_", "SDL_")) and k != "WAYLAND_DISPLAY"}
    env.update({"DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "XDG_RUNTIME_DIR": work,
                "SDL_AUDIODRIVER": args.audio, "SDL_DISKAUDIOFILE": audio_file,
                "XDG_CONFIG_HOME": os.path.join(work, "config"),
                "XDG_STATE_HOME": os.path.join(work, "state")})
    programs = {"game": (game, True), "minimal": (minimal, False)}
    rounds = []  # per round: {name: (seconds to first frame, VmHWM in kB)}
    idle = {"game": {}, "minimal": {}}
    music_after_frame = None
    try:
        def one_run(name):
            program, board = programs[name]
            wait_cleared(screen)
            run = Run(program, env, game_dir)
            try:
                took = wait_first_frame(screen, run, board)
                # Peak memory once the start-up work that may follow the first frame is done.
                time.sleep(max(0.0, run.began + took + args.settle - time.monotonic()))
                hwm = status_kb(run.proc.pid, "VmHWM")
            finally:
                run.stop()
            time.sleep(0.2)
            return took, hwm

        # Start-up in paired rounds: the load of a shared machine drifts, so each round runs
        # both programs back to back and yields one ratio; the order alternates so that
        # neither program always comes first. One warm-up pair (font and page caches) first.
        for i in range(args.rounds + 1):
            order = ("game", "minimal") if i % 2 == 0 else ("minimal", "game")
            result = {name: one_run(name) for name in order}
            if i > 0:
                rounds.append(result)

        # Idle: the minimal window.
        wait_cleared(screen)
        run = Run(minimal, env, game_dir)
        try:
            wait_first_frame(screen, run, False)
            time.sleep(1.0)
            idle["minimal"]["cpu"], idle["minimal"]["threads"] = idle_cpu(run.proc.pid, args.idle)
            idle["minimal"]["hwm"] = status_kb(run.proc.pid, "VmHWM")
        finally:
            run.stop()

        # Idle: the game, music on, then off by a real F1 key press.
        if os.path.exists(audio_file):
            os.remove(audio_file)
        wait_cleared(screen)
        run = Run(game, env, game_dir)
        try:
            frame = run.began + wait_first_frame(screen, run, True)
            if args.audio == "disk":
                music_after_frame = wait_sound(audio_file, frame)
            time.sleep(max(0.0, frame + 1.0 - time.monotonic()))
            disk = args.audio == "disk"
            mark_on = os.path.getsize(audio_file) if disk else 0
            idle["game"]["cpu_on"], idle["game"]["threads_on"] = idle_cpu(run.proc.pid, args.idle)
            end_on = os.path.getsize(audio_file) if disk else 0
            press_f1(display)
            time.sleep(1.0)
            mark_off = os.path.getsize(audio_file) if disk else 0
            idle["game"]["cpu_off"], idle["game"]["threads_off"] = idle_cpu(
                run.proc.pid, args.idle)
            end_off = os.path.getsize(audio_file) if disk else 0
            idle["game"]["hwm"] = status_kb(run.proc.pid, "VmHWM")
        finally:
            run.stop()
        if args.audio == "disk":
            on = audio_peak(audio_file, mark_on, end_on)
            off = audio_peak(audio_file, mark_off, end_off)
            print("audio check (disk driver): peak %d while the music is on, %d after F1; "
                  "%.0f frames a second written with music on, %.0f after F1"
                  % (on, off, (end_on - mark_on) / args.idle / AUDIO_FRAME_BYTES,
                     (end_off - mark_off) / args.idle / AUDIO_FRAME_BYTES))
            if on == 0 or off != 0:
                print("WARNING: the music was not on and then off as intended")
    finally:
        screen.close()
        xvfb.terminate()
        xvfb.wait()
        xlog.close()
        shutil.rmtree(work, ignore_errors=True)

    ratios = [r["game"][0] / r["minimal"][0] for r in rounds]
    extra_mb = [(r["game"][1] - r["minimal"][1]) / 1024 for r in rounds]
    g_ms = [r["game"][0] for r in rounds]
    m_ms = [r["minimal"][0] for r in rounds]
    g, m = idle["game"], idle["minimal"]
    print()
    print("audio driver: %s; %d paired start-up rounds after a warm-up pair, order alternating; "
          "idle: %.0f s each; niceness %d" % (args.audio, len(rounds), args.idle, args.nice))
    print("load average of the machine before the runs (1 min): %.2f" % load_before)
    print("values: median (lowest .. highest)")
    print("%-36s %s" % ("start to first frame, game (ms)", spread(g_ms, 1000, "%.0f")))
    print("%-36s %s" % ("start to first frame, minimal (ms)", spread(m_ms, 1000, "%.0f")))
    print("%-36s %s" % ("start ratio game/minimal, per round", spread(ratios)))
    print("%-36s %s" % ("peak memory VmHWM, game (MB)",
                        spread([r["game"][1] for r in rounds], 1 / 1024, "%.1f")))
    print("%-36s %s" % ("peak memory VmHWM, minimal (MB)",
                        spread([r["minimal"][1] for r in rounds], 1 / 1024, "%.1f")))
    print("%-36s %s" % ("peak memory, game - minimal (MB)", spread(extra_mb, 1, "%+.1f")))
    print("%-36s %+.1f MB (game %.1f, minimal %.1f)" % (
        "peak memory after the idle runs", (g["hwm"] - m["hwm"]) / 1024, g["hwm"] / 1024,
        m["hwm"] / 1024))
    if music_after_frame is not None:
        print("%-36s %.0f ms after the first frame" % ("music first audible (disk driver)",
                                                       music_after_frame * 1000))
    print("%-36s %.3f (minimal %.3f)" % ("idle CPU, music on (% of a core)", g["cpu_on"],
                                         m["cpu"]))
    print("%-36s %.3f" % ("idle CPU, music off (% of a core)", g["cpu_off"]))
    for label, busy in (("game, music on", g["threads_on"]), ("game, music off", g["threads_off"]),
                        ("minimal", m["threads"])):
        print("idle CPU by thread, %s (ms): %s" % (label, ", ".join(
            "%s %.1f" % (t, v / 1e6) for t, v in sorted(busy.items())) or "none"))
    print("start ratios per round: %s" % ", ".join("%.2f" % r for r in ratios))
    print()
    goals = [
        ("start within 1.2x of the minimal window (median)", statistics.median(ratios) <= 1.2),
        ("peak memory within 12 MB of it (median)", statistics.median(extra_mb) <= 12),
        ("idle CPU with music below 0.5 %", g["cpu_on"] < 0.5),
        ("idle CPU without music 0.00 %", g["cpu_off"] < 0.005),
    ]
    for text, met in goals:
        print("%-50s %s" % (text, "met" if met else "MISSED"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

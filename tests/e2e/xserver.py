"""Drives the real game in a private X server, with real input events and real screenshots.

One XServer owns one Xvfb and one game process. It finds the window, its menu bar and its
client area from what is on the screen, clicks menus and board squares with xdotool, and
reads pixels from `import -window root` captures. Nothing here knows a font or a theme: the
menu items are found by segmenting the pixels of the bar and of each popup.

Every failure goes through XServer.fail(), which saves the screen the test last looked at
(and the game's output) into the test's own folder, so the message says what went wrong and
where to look.
"""

import ctypes
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib

GREEN = (0, 128, 0)  # the window's background and the normal square outline
WHITE = (255, 255, 255)  # highlights
RED = (255, 0, 0)  # the selected hand slot, the hand counts
CYAN = (0, 255, 255)  # the keyboard cursor

# Board geometry in twips, as the game draws it: 15 twips to a logical pixel.
ORIGIN_X, ORIGIN_Y = 1100, 100
SQUARE_W, SQUARE_H = 495, 615

# Piece kinds 1 歩 .. 8 王, as their pictures are named (SITA_ lower side, UE_ upper side).
PICTURE_NAMES = {1: "HU", 2: "KYOU", 3: "KEI", 4: "GIN", 5: "KIN", 6: "KAKU", 7: "SYA", 8: "OU"}

# Menu paths as indexes: top-level item, then row of each popup.
MENU_TWO_HUMANS = (0, 0, 0)  # 対局 → 対局(人間) → スタート
MENU_COM_HUMAN_FIRST = (0, 1, 0)  # 対局 → 対局(COM) → 先手
MENU_COM_HUMAN_SECOND = (0, 1, 1)  # 対局 → 対局(COM) → 後手
MENU_BAR_ITEMS = 7  # 対局 局面 戻 進 ｵﾌﾟｼｮﾝ その他 ヘルプ
# Rows of the popups on the way, by (top-level item, row chosen in its popup, ...); a
# separator's line counts as a row.
# 対局: 対局(人間), 対局(COM), 詰め問題…, 終わり
# 局面: 最初, a line, 棋譜を保存…, 棋譜を開く…, 続きから, 棋譜解析…
# ｵﾌﾟｼｮﾝ: BGM, a line, 強さ, ヒント, 解析, 全画面表示, 成績…, 言語; 言語: 日本語, English
POPUP_ROWS = {(0,): 4, (0, 0): 1, (0, 1): 2, (1,): 6, (4,): 8, (4, 7): 2, (6,): 1}
MENU_LANGUAGE_JA = (4, 7, 0)  # ｵﾌﾟｼｮﾝ → 言語 (Language) → 日本語
MENU_LANGUAGE_EN = (4, 7, 1)  # ｵﾌﾟｼｮﾝ → 言語 (Language) → English
MENU_OPEN_RECORD = (1, 3)  # 局面 → 棋譜を開く…
MENU_PUZZLES = (0, 2)  # 対局 → 詰め問題…
MENU_QUIT = (0, 3)  # 対局 → 終わり


def px(twips):
    """Twips to logical pixels, rounding halves up as the game's canvas does."""
    return int((twips / 15.0) + 0.5)


def square_origin(x, y):
    """Top-left of board square (x, y) in client pixels; fractional squares allowed."""
    return px(ORIGIN_X + SQUARE_W * x), px(ORIGIN_Y + SQUARE_H * y)


def hand_square(side, kind):
    """The hand-board slot of a kind: side is 'sente' (lower, right of the board) or 'gote'
    (upper, left of it)."""
    return (11, kind + 1) if side == "sente" else (-1, 9 - kind)


def count_square(side, kind):
    """The square beside a hand slot where its count is written."""
    return (12, kind + 1) if side == "sente" else (0, 9 - kind)


# ---------------------------------------------------------------------------------------------
# Images


class Image:
    """An RGB picture: a whole screen, a crop, or one of the game's piece pictures."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError("pixel data does not match %dx%d" % (width, height))
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    @classmethod
    def from_ppm(cls, data):
        # P6, 8-bit: header fields separated by whitespace, one whitespace byte before pixels.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos : pos + 1].isspace():
                pos += 1
            if data[pos : pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            end = pos
            while not data[end : end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("not an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        return cls(width, height, data[pos + 1 : pos + 1 + width * height * 3])

    @classmethod
    def from_png(cls, path):
        """8-bit RGB or RGBA, non-interlaced: what the game's artwork is stored as."""
        with open(path, "rb") as f:
            data = f.read()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise ValueError(path + " is not a PNG")
        pos, idat, header = 8, b"", None
        while pos < len(data):
            (length,) = struct.unpack(">I", data[pos : pos + 4])
            kind = data[pos + 4 : pos + 8]
            body = data[pos + 8 : pos + 8 + length]
            if kind == b"IHDR":
                header = struct.unpack(">IIBBBBB", body)
            elif kind == b"IDAT":
                idat += body
            pos += 12 + length
        width, height, depth, colour, _, _, interlace = header
        if depth != 8 or colour not in (2, 6) or interlace:
            raise ValueError(path + ": only 8-bit RGB/RGBA non-interlaced PNGs are read")
        bpp = 3 if colour == 2 else 4
        raw = zlib.decompress(idat)
        stride = width * bpp
        prev = bytearray(stride)
        out = bytearray()
        for row in range(height):
            start = row * (stride + 1)
            filt, line = raw[start], bytearray(raw[start + 1 : start + 1 + stride])
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                if filt == 1:
                    line[i] = (line[i] + a) & 255
                elif filt == 2:
                    line[i] = (line[i] + b) & 255
                elif filt == 3:
                    line[i] = (line[i] + (a + b) // 2) & 255
                elif filt == 4:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                    line[i] = (line[i] + pred) & 255
            prev = line
            if bpp == 3:
                out += line
            else:
                for i in range(0, stride, 4):
                    out += line[i : i + 3]
        return cls(width, height, out)

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside %dx%d" % (x, y, self.width, self.height))
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i : i + 3])

    def crop(self, x, y, w, h):
        if x < 0 or y < 0 or x + w > self.width or y + h > self.height:
            raise IndexError("crop %dx%d+%d+%d outside the picture" % (w, h, x, y))
        rows = [self.rgb[((y + r) * self.width + x) * 3 : ((y + r) * self.width + x + w) * 3]
                for r in range(h)]
        return Image(w, h, b"".join(rows))

    def difference(self, other):
        """(mean absolute channel difference, share of pixels off by more than 24)."""
        if (self.width, self.height) != (other.width, other.height):
            raise ValueError("sizes differ")
        total, off = 0, 0
        a, b = self.rgb, other.rgb
        for i in range(0, len(a), 3):
            d = max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2]))
            total += abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) + abs(a[i + 2] - b[i + 2])
            if d > 24:
                off += 1
        n = self.width * self.height
        return total / (3.0 * n), off / float(n)

    def changed_box(self, other, x0=0, y0=0, x1=None, y1=None):
        """Bounding box (left, top, right, bottom) of the pixels that differ, or None."""
        x1 = self.width if x1 is None else min(x1, self.width)
        y1 = self.height if y1 is None else min(y1, self.height)
        box = None
        for y in range(max(0, y0), y1):
            row_a = self.rgb[(y * self.width + x0) * 3 : (y * self.width + x1) * 3]
            row_b = other.rgb[(y * self.width + x0) * 3 : (y * self.width + x1) * 3]
            if row_a == row_b:
                continue
            first = next(i for i in range(len(row_a)) if row_a[i] != row_b[i]) // 3
            last = next(i for i in range(len(row_a) - 1, -1, -1) if row_a[i] != row_b[i]) // 3
            l, r = x0 + first, x0 + last
            box = (l, y, r, y) if box is None else (
                min(box[0], l), box[1], max(box[2], r), y)
        return box

    def dominant(self):
        counts = {}
        for i in range(0, len(self.rgb), 3):
            key = self.rgb[i : i + 3]
            counts[key] = counts.get(key, 0) + 1
        return tuple(max(counts, key=counts.get))

    def save_png(self, path):
        raw = b"".join(b"\x00" + self.rgb[r * self.width * 3 : (r + 1) * self.width * 3]
                       for r in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


def ink_spans(values, count):
    """Split sorted positions that carry ink into `count` groups at the widest gaps.

    Returns [(first, last), ...] or None when the gaps do not separate clearly: a gap that
    splits must be wider than every gap left inside a group."""
    if len(values) < count:
        return None
    gaps = sorted(((values[i + 1] - values[i], i) for i in range(len(values) - 1)), reverse=True)
    cuts = sorted(i for _, i in gaps[: count - 1])
    if count > 1 and len(gaps) >= count and gaps[count - 2][0] <= gaps[count - 1][0] + 1:
        return None
    spans, start = [], 0
    for c in cuts:
        spans.append((values[start], values[c]))
        start = c + 1
    spans.append((values[start], values[-1]))
    return spans


def differs(a, b, threshold=48):
    return max(abs(a[0] - b[0]), abs(a[1] - b[1]), abs(a[2] - b[2])) > threshold


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class RegionGrabber:
    """Reads a small screen region straight through Xlib: a few milliseconds, where a whole
    `import` screenshot takes a tenth of a second. For watching something short, like a blink."""

    def __init__(self, display):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(_XImage)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.dpy = x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise TestFailure("cannot open display %s through Xlib" % display)
        self.root = x11.XDefaultRootWindow(self.dpy)

    def grab(self, x, y, w, h):
        image = self.x11.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise TestFailure("XGetImage failed for %dx%d+%d+%d" % (w, h, x, y))
        try:
            info = image.contents
            if info.bits_per_pixel != 32 or info.byte_order != 0:
                raise TestFailure("unexpected X image layout (%d bpp)" % info.bits_per_pixel)
            stride = info.bytes_per_line
            raw = ctypes.string_at(info.data, stride * h)
        finally:
            self.x11.XDestroyImage(image)
        rgb = bytearray(w * h * 3)
        for row in range(h):
            line = raw[row * stride : row * stride + w * 4]
            out = rgb[row * w * 3 : (row + 1) * w * 3]
            out[0::3], out[1::3], out[2::3] = line[2::4], line[1::4], line[0::4]  # BGRX
            rgb[row * w * 3 : (row + 1) * w * 3] = out
        return Image(w, h, rgb)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


class PlainWindow:
    """A bare X window with a title and nothing inside: what a window manager shows for a title
    when it has all the room it wants."""

    def __init__(self, display, title, width=560, height=40):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                            ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                            ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_char_p, ctypes.c_int]
        for name in ("XMapWindow", "XDestroyWindow"):
            getattr(x11, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.dpy = x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise TestFailure("cannot open display %s through Xlib" % display)
        self.id = x11.XCreateSimpleWindow(self.dpy, x11.XDefaultRootWindow(self.dpy), 0, 0,
                                          width, height, 0, 0, 0xFFFFFF)
        text = title.encode()
        x11.XChangeProperty(self.dpy, self.id, x11.XInternAtom(self.dpy, b"_NET_WM_NAME", 0),
                            x11.XInternAtom(self.dpy, b"UTF8_STRING", 0), 8, 0, text, len(text))
        x11.XMapWindow(self.dpy, self.id)
        x11.XFlush(self.dpy)

    def close(self):
        self.x11.XDestroyWindow(self.dpy, self.id)
        self.x11.XFlush(self.dpy)
        self.x11.XCloseDisplay(self.dpy)


# ---------------------------------------------------------------------------------------------
# The X server and the game in it


class TestFailure(AssertionError):
    pass


class XServer:
    """An Xvfb and the game in it, optionally with openbox managing the windows. Use as a
    context manager.

    `panel` = (left, top) keeps that much of the screen's left and top edges out of the
    window manager's free area, as a desktop panel does."""

    def __init__(self, name, audio="dummy", extra_env=None, screen="800x600x24",
                 window_manager=False, panel=(0, 0), args=()):
        self.build_dir = os.environ.get("TARVENKO_BUILD_DIR") or os.getcwd()
        self.source_dir = os.environ.get("TARVENKO_SOURCE_DIR") or os.path.abspath(
            os.path.join(os.path.dirname(__file__), "..", ".."))
        self.out_dir = os.path.join(
            os.environ.get("TARVENKO_E2E_OUT") or os.path.join(self.build_dir, "e2e-out"), name)
        os.makedirs(self.out_dir, exist_ok=True)
        self.name = name
        self.audio = audio
        self.extra_env = dict(extra_env or {})
        self.screen_geometry = screen
        self.window_manager = window_manager
        self.panel = panel
        self.args = list(args)  # the first game's command line
        self.wm = None
        self.plain_captions = 0
        self.xvfb = None
        self.game = None
        self.display = None
        self.last = None  # the last screen looked at
        self.runtime_dir = None
        self.started_at = None
        self.grabber = None
        self.log_path = os.path.join(self.out_dir, "game.log")

    # -- lifecycle ------------------------------------------------------------------------

    def __enter__(self):
        try:
            self._start_x()
            if self.window_manager:
                self._start_window_manager()
            self.start_game(args=self.args)
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, kind, value, tb):
        if kind is not None and self.last is not None and not isinstance(value, TestFailure):
            self._save_last()
            print("last screen: " + os.path.join(self.out_dir, "last.png"))
        self.close()
        return False

    def _start_x(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen_geometry,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.out_dir, "xvfb.log"), "wb"), start_new_session=True)
        os.close(write_end)
        number, deadline = b"", time.monotonic() + 15
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(0.0, left))
            if not ready:
                os.close(read_end)
                raise TestFailure("Xvfb did not report a display within 15 s")
            chunk = os.read(read_end, 16)
            if not chunk:
                os.close(read_end)
                raise TestFailure("Xvfb exited before reporting a display (see xvfb.log)")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.runtime_dir = tempfile.mkdtemp(prefix="tarvenko-e2e-")
        os.chmod(self.runtime_dir, 0o700)

    def _start_window_manager(self):
        with open("/etc/xdg/openbox/rc.xml", encoding="utf-8") as f:
            config = f.read()
        left, top = self.panel
        config, n = re.subn(r"<margins>.*?</margins>",
                            "<margins><top>%d</top><bottom>0</bottom><left>%d</left>"
                            "<right>0</right></margins>" % (top, left), config, flags=re.S)
        if n != 1:
            raise TestFailure("no <margins> section in openbox's rc.xml to set the panel in")
        path = os.path.join(self.out_dir, "openbox-rc.xml")
        with open(path, "w", encoding="utf-8") as f:
            f.write(config)
        self.wm = subprocess.Popen(
            ["openbox", "--sm-disable", "--config-file", path],
            env=dict(os.environ, DISPLAY=self.display, XDG_RUNTIME_DIR=self.runtime_dir),
            stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.out_dir, "openbox.log"), "wb"),
            start_new_session=True)
        # Running once it has announced itself on the root window; a loaded machine may take a
        # while to get there.
        deadline = time.monotonic() + 30
        while subprocess.run(["wmctrl", "-m"], env=dict(os.environ, DISPLAY=self.display),
                             capture_output=True).returncode != 0:
            if self.wm.poll() is not None:
                raise TestFailure("openbox exited with status %d (see openbox.log)"
                                  % self.wm.returncode)
            if time.monotonic() > deadline:
                raise TestFailure("openbox did not take over the screen within 30 s")
            time.sleep(0.05)

    def env(self):
        env = dict(os.environ)
        for key in ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                    "QT_AUTO_SCREEN_SCALE_FACTOR", "WAYLAND_DISPLAY"):
            env.pop(key, None)
        # The language comes from LANG alone: C unless a scenario asks for another.
        for key in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            env.pop(key, None)
        env.update({"DISPLAY": self.display, "SDL_AUDIODRIVER": self.audio,
                    "XDG_RUNTIME_DIR": self.runtime_dir, "QT_QPA_PLATFORM": "xcb",
                    # The game's settings, statistics and kept game stay with this server.
                    "XDG_CONFIG_HOME": os.path.join(self.runtime_dir, "config"),
                    "XDG_STATE_HOME": os.path.join(self.runtime_dir, "state"),
                    "LANG": "C"})
        env.update(self.extra_env)
        return env

    def start_game(self, program=None, args=()):
        program = program or os.path.join(self.build_dir, "tarvenko")
        if not os.access(program, os.X_OK):
            raise TestFailure("no game binary at " + program)
        log = open(self.log_path, "ab")
        self.started_at = time.monotonic()
        self.game = subprocess.Popen([program] + list(args), cwd=self.build_dir, env=self.env(),
                                     stdout=log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        log.close()
        self.window = self._wait_window("^Tarvenko$", 20)
        self._locate_client()

    def start_more(self, args=(), cwd=None):
        """Starts the game once more beside the one running, as a desktop's launcher would;
        the process, running."""
        log = open(self.log_path, "ab")
        proc = subprocess.Popen([os.path.join(self.build_dir, "tarvenko")] + list(args),
                                cwd=cwd or self.build_dir, env=self.env(), stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        return proc

    def start_again(self, args=(), cwd=None, timeout=20):
        """Starts the game once more and waits for that start to end: its exit status."""
        proc = self.start_more(args, cwd)
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            self.fail("a start beside the running game was still running %g s later" % timeout)

    def close(self):
        if self.grabber is not None:
            self.grabber.close()
            self.grabber = None
        # The test is over: the game needs no orderly end, and a stuck one must not linger.
        for proc, sig in ((self.game, signal.SIGKILL), (self.wm, signal.SIGTERM),
                          (self.xvfb, signal.SIGTERM)):
            if proc is not None and proc.poll() is None:
                try:
                    os.killpg(proc.pid, sig)
                except ProcessLookupError:
                    pass
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
        self.game = self.wm = self.xvfb = None
        if self.runtime_dir:
            shutil.rmtree(self.runtime_dir, ignore_errors=True)
            self.runtime_dir = None

    # -- failures -------------------------------------------------------------------------

    def _save_last(self):
        if self.last is not None:
            self.last.save_png(os.path.join(self.out_dir, "last.png"))

    def fail(self, message):
        self._save_last()
        log = ""
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                log = f.read()[-2000:]
        except OSError:
            pass
        raise TestFailure("%s\n  last screen: %s\n  game output (%s):\n%s" % (
            message, os.path.join(self.out_dir, "last.png"), self.log_path, log))

    def check(self, condition, message):
        if not condition:
            self.fail(message)

    def note(self, message):
        print("[%s] %s" % (self.name, message), flush=True)

    # -- X tools --------------------------------------------------------------------------

    def run(self, *args, check=True, timeout=10):
        env = dict(os.environ, DISPLAY=self.display)
        proc = subprocess.run(list(args), env=env, capture_output=True, text=True, timeout=timeout)
        if check and proc.returncode != 0:
            self.fail("%s failed (%d): %s" % (" ".join(args), proc.returncode, proc.stderr))
        return proc.stdout

    def shot(self, keep=True):
        env = dict(os.environ, DISPLAY=self.display)
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env,
                              capture_output=True, timeout=20, check=True).stdout
        image = Image.from_ppm(data)
        if keep:
            self.last = image
        return image

    def region(self, x, y, w, h):
        """A fast capture of a small screen region, as an Image of its own."""
        if self.grabber is None:
            self.grabber = RegionGrabber(self.display)
        return self.grabber.grab(x, y, w, h)

    def save(self, image, label):
        path = os.path.join(self.out_dir, label + ".png")
        image.save_png(path)
        return path

    def windows(self, pattern):
        out = self.run("xdotool", "search", "--onlyvisible", "--name", pattern, check=False)
        found = [int(w) for w in out.split()]
        if found or pattern.isascii():
            return found
        # xdotool matches the old title property, which a program in the C locale sets to
        # Latin-1 only: a Japanese title is matched on the UTF-8 one instead.
        out = self.run("xdotool", "search", "--onlyvisible", "--name", ".", check=False)
        for w in out.split():
            name = subprocess.run(["xprop", "-notype", "-id", w, "_NET_WM_NAME"],
                                  env=dict(os.environ, DISPLAY=self.display, LC_ALL="C.UTF-8"),
                                  capture_output=True, encoding="utf-8", errors="replace",
                                  timeout=10).stdout
            m = re.search(r'= "(.*)"$', name.strip())
            if m and re.search(pattern, m.group(1)):
                found.append(int(w))
        return found

    def _wait_window(self, pattern, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows(pattern)
            if found:
                return found[0]
            if self.game is not None and self.game.poll() is not None:
                self.fail("the game exited (status %s) before its window showed"
                          % self.game.returncode)
            time.sleep(0.05)
        self.fail("no visible window named %r after %g s" % (pattern, timeout))

    def geometry(self, window):
        """(x, y, width, height) of a window's inside, in screen coordinates. xwininfo, since
        xdotool adds the offset inside a window manager's frame twice."""
        out = self.run("xwininfo", "-id", str(window))
        values = dict(line.strip().split(":", 1) for line in out.splitlines() if ":" in line)
        return tuple(int(values[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                              "Width", "Height"))

    def frame_extents(self, window, timeout=20):
        """(left, right, top, bottom) of the window manager's frame around a window, once the
        window manager has said."""
        deadline = time.monotonic() + timeout
        while True:
            out = self.run("xprop", "-id", str(window), "_NET_FRAME_EXTENTS", check=False)
            if "=" in out:
                return tuple(int(v) for v in out.split("=", 1)[1].split(","))
            if time.monotonic() > deadline:
                self.fail("no frame around window %d after %g s" % (window, timeout))
            time.sleep(0.05)

    def frame(self, window):
        """(left, top, right, bottom) of a window with its window manager's frame; right and
        bottom are exclusive."""
        x, y, w, h = self.geometry(window)
        left, right, top, bottom = self.frame_extents(window)
        return x - left, y - top, x + w + right, y + h + bottom

    def work_area(self):
        """(left, top, width, height) of the screen area that panels leave free."""
        out = self.run("xprop", "-root", "_NET_WORKAREA")
        return tuple(int(v) for v in out.split("=", 1)[1].split(",")[:4])

    def _caption(self, image, window):
        """The caption's bright pixels in a focused window's title bar, as a set of (x, y)
        relative to its top-left ink, with the ink's height; None when there are none."""
        left, top, right, _ = self.frame(window)
        bar = self.frame_extents(window)[2]
        # Past the window icon and clear of the buttons at the right end.
        ink = [(x, y) for y in range(max(0, top), top + bar)
               for x in range(max(0, left + bar + 4), min(image.width, right - 3 * bar))
               if min(image.pixel(x, y)) >= 200]
        if not ink:
            return None
        x0, y0 = min(x for x, _ in ink), min(y for _, y in ink)
        return {(x - x0, y - y0) for x, y in ink}, y0 - top

    def plain_caption(self, title):
        """The caption `title` as the window manager draws it with room to spare, on a focused
        plain window of our own. Taken before a message box opens: the plain window takes the
        focus, and a box that lost it would show its caption in other colours."""
        plain = PlainWindow(self.display, title)
        seen = [None]

        def steady(image):
            # The same caption on two screens in a row: drawn and focused, not in passing.
            caption = self._caption(image, plain.id)
            steady = caption is not None and caption == seen[0]
            seen[0] = caption
            return steady

        try:
            self.frame_extents(plain.id)
            image = self.wait_until(steady, 20, "a steady caption on a plain window titled %r"
                                    % title)
            # Kept for a report: what the box's title bar is compared with.
            left, top, right, _ = self.frame(plain.id)
            left, right = max(0, left), min(image.width, right)
            self.plain_captions += 1
            self.save(image.crop(left, top, right - left, self.frame_extents(plain.id)[2]),
                      "plain_caption_%d" % self.plain_captions)
            return (title,) + seen[0]
        finally:
            plain.close()

    def expect_caption_whole(self, box, caption):
        """The focused window `box` shows a caption taken by plain_caption() exactly as there:
        not cut, not shortened with an ellipsis."""
        title, wanted, row = caption
        width = max(x for x, _ in wanted) + 1
        height = max(y for _, y in wanted) + 1

        def shown(image):
            left, top, right, _ = self.frame(box)
            y0 = top + row
            bright = {(x, y - y0) for y in range(max(0, y0), y0 + height)
                      for x in range(max(0, left), min(image.width, right))
                      if min(image.pixel(x, y)) >= 200}
            for x0 in range(max(0, left), right - width + 1):
                got = {(x - x0, y) for x, y in bright if x0 <= x < x0 + width}
                if len(got ^ wanted) <= max(2, len(wanted) // 30):
                    return True
            return False

        self.wait_until(shown, 20, "the whole caption %r in the title bar of its box (as a "
                        "window with room to spare shows it)" % title)

    def wait_until(self, predicate, timeout, what, interval=0.05):
        """Screenshot until predicate(image) holds; fail with `what` otherwise."""
        deadline = time.monotonic() + timeout
        while True:
            image = self.shot()
            if predicate(image):
                return image
            if time.monotonic() > deadline:
                self.fail("timed out after %g s waiting for %s" % (timeout, what))
            time.sleep(interval)

    def settle(self, timeout=5):
        """Wait for two identical screens in a row."""
        prev = self.shot()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            time.sleep(0.08)
            cur = self.shot()
            if cur.rgb == prev.rgb:
                return cur
            prev = cur
        return prev

    # -- where things are -----------------------------------------------------------------

    def _locate_client(self):
        """Find the menu bar and the client area from the screen.

        With no window manager the window sits where it asked to be, which may be partly off
        the screen, so everything is clipped to the screen's edges."""
        wx, wy, ww, wh = self.geometry(self.window)
        self.win = (wx, wy, ww, wh)
        left = max(0, wx) + 2

        def client_drawn(image):
            for y in range(max(0, wy), min(image.height, wy + wh)):
                if image.pixel(left, y) == GREEN:
                    return True
            return False

        image = self.wait_until(client_drawn, 20, "the green client area to be painted")
        top = next(y for y in range(max(0, wy), wy + wh) if image.pixel(left, y) == GREEN)
        self.check(top > max(0, wy), "no menu bar above the green client area (window at %d,%d)"
                   % (wx, wy))
        self.check(wx >= 0 and wy >= 0, "the window's top-left corner (%d,%d) is off the "
                   "screen: the menu bar is cut" % (wx, wy))
        self.bar = (max(0, wx), max(0, wy), min(image.width, wx + ww), top)  # l, t, r, b
        self.client = (wx, top)
        self.note("window %dx%d at (%d,%d); menu bar %d px on screen; client area at (%d,%d)"
                  % (ww, wh, wx, wy, top - max(0, wy), wx, top))
        # The board has to be where the client origin says: wait for it to be drawn, then
        # the first picture pixel right of the green outline of square (1, 9) must be at x + 1.
        sx, sy = self.square_rect(1, 9)[:2]
        row = sy + 4  # above 後手's last-move text, which a record opened at start shows

        def board_drawn(image):
            return image.pixel(sx + 5, row) != GREEN

        image = self.wait_until(board_drawn, 10, "the board to be drawn")
        first = next((x for x in range(max(0, wx), sx + 10) if image.pixel(x, row) != GREEN), None)
        self.check(first == sx + 1, "board column 1 starts at x=%s, expected %d: the client "
                   "area is not where the window geometry says" % (first, sx + 1))

    def square_rect(self, x, y):
        """Screen rectangle (left, top, width, height) of square (x, y), its outline included:
        33 x 41 pixels of picture plus the right/bottom outline that the next square shares."""
        cx, cy = self.client
        ox, oy = square_origin(x, y)
        return cx + ox, cy + oy, 34, 42

    def square_picture(self, image, x, y):
        """The 32 x 40 inside of a square, inside its one-pixel outline."""
        left, top = self.square_rect(x, y)[:2]
        return image.crop(left + 1, top + 1, 32, 40)

    def outline(self, image, x, y):
        """Every pixel of the one-pixel outline of square (x, y)."""
        left, top, w, h = self.square_rect(x, y)
        points = [(left + i, top) for i in range(w)] + [(left + i, top + h - 1) for i in range(w)]
        points += [(left, top + j) for j in range(h)] + [(left + w - 1, top + j) for j in range(h)]
        return [image.pixel(px_, py_) for px_, py_ in points]

    def outline_is(self, image, x, y, colour):
        return all(p == colour for p in self.outline(image, x, y))

    def count_area(self, image, side, kind):
        left, top, w, h = self.square_rect(*count_square(side, kind))
        return image.crop(left + 1, top + 1, w - 2, h - 2)

    # -- artwork --------------------------------------------------------------------------

    def picture(self, name):
        path = os.path.join(self.source_dir, "res", name + ".png")
        image = Image.from_png(path)
        return image.crop(1, 1, 32, 40)

    def piece_picture(self, side, kind):
        return self.picture(("SITA_" if side == "sente" else "UE_") + PICTURE_NAMES[kind])

    def shows(self, image, x, y, name):
        """Does square (x, y) show picture `name` (inside its outline)?"""
        mean, off = self.square_picture(image, x, y).difference(self.picture(name))
        return mean < 6 and off < 0.03

    def expect_square(self, image, x, y, name):
        mean, off = self.square_picture(image, x, y).difference(self.picture(name))
        self.check(mean < 6 and off < 0.03,
                   "square (%d,%d) does not show %s: mean difference %.1f, %.0f%% pixels off"
                   % (x, y, name, mean, off * 100))

    # -- input ----------------------------------------------------------------------------

    def click(self, x, y, button=1):
        self.run("xdotool", "mousemove", str(x), str(y), "click", str(button))

    def click_square(self, x, y, button=1):
        left, top = self.square_rect(x, y)[:2]
        self.click(left + 17, top + 21, button)

    def key(self, name, window=None):
        # Without a window manager nobody hands out the focus: give it to the target first.
        target = window if window is not None else self.window
        self.run("xdotool", "windowfocus", "--sync", str(target), check=False)
        self.run("xdotool", "key", name)

    def keys(self, *names):
        """Several keys in turn to the game's window."""
        self.run("xdotool", "windowfocus", "--sync", str(self.window), check=False)
        self.run("xdotool", "key", "--delay", "20", *names)

    # -- menus ----------------------------------------------------------------------------

    def bar_items(self, image=None):
        """The menu bar's items as (left, right, centre y) from its pixels."""
        image = image or self.shot()
        l, t, r, b = self.bar
        strip = image.crop(l, t, r - l, b - t)
        back = strip.dominant()
        columns, rows = [], set()
        for x in range(strip.width):
            hits = [y for y in range(strip.height) if differs(strip.pixel(x, y), back)]
            if hits and len(hits) < strip.height:
                columns.append(x)
                rows.update(hits)
        spans = ink_spans(columns, MENU_BAR_ITEMS)
        if spans is None:
            self.last = image
            self.fail("cannot split the menu bar into %d items (ink columns: %s)"
                      % (MENU_BAR_ITEMS, columns))
        centre_y = t + (min(rows) + max(rows)) // 2
        return [(l + a, l + z, centre_y) for a, z in spans]

    def _popup_rows(self, image, box, count):
        l, t, r, b = box
        # Keep off the popup's frame.
        inner = image.crop(l + 3, t + 3, r - l - 5, b - t - 5)
        back = inner.dominant()
        rows = [y for y in range(inner.height)
                if any(differs(inner.pixel(x, y), back) for x in range(inner.width))]
        spans = ink_spans(rows, count)
        if spans is None:
            self.last = image
            self.fail("cannot split the popup at %s into %d rows (ink rows: %s)"
                      % (box, count, rows))
        return [(t + 3 + (a + z) // 2) for a, z in spans]

    def menu(self, path):
        """Click through the menus: path[0] is the bar item, then the row in each popup."""
        before = self.settle()
        items = self.bar_items(before)
        l, r, cy = items[path[0]]
        self.click((l + r) // 2, cy)
        top = self.bar[3]
        prefix = (path[0],)
        if len(path) == 1:
            return
        opened = self.wait_until(lambda im: im.changed_box(before, y0=top) is not None, 5,
                                 "the menu %d to open" % path[0])
        opened = self.settle()
        box = opened.changed_box(before, y0=top)
        for depth, row in enumerate(path[1:], start=1):
            rows = self._popup_rows(opened, box, POPUP_ROWS[prefix])
            x = box[0] + min(40, (box[2] - box[0]) // 3)
            self.click(x, rows[row])
            prefix = prefix + (row,)
            if depth == len(path) - 1:
                break
            # The submenu opens to the right of its parent.
            parent = opened
            right = box[2] + 1
            opened = self.wait_until(
                lambda im: im.changed_box(parent, x0=right) is not None, 5,
                "the submenu of row %d to open" % row)
            opened = self.settle()
            sub = opened.changed_box(parent, x0=right)
            box = (sub[0], sub[1], sub[2], sub[3])

    # -- message boxes --------------------------------------------------------------------

    def wait_box(self, title, timeout=10):
        return self._wait_window("^%s$" % re.escape(title), timeout)

    def close_box(self, title, timeout=10):
        """Wait for the message box titled `title`, press Return on it, and see it go."""
        box = self.wait_box(title, timeout)
        self.settle()
        self.key("Return", window=box)
        deadline = time.monotonic() + 5
        while box in self.windows("^%s$" % re.escape(title)):
            if time.monotonic() > deadline:
                self.fail("message box %r did not close on Return" % title)
            time.sleep(0.05)
        return box

    # -- play -----------------------------------------------------------------------------

    def drop(self, side, kind, x, y):
        """Select a kind in the side's hand, then click a board square, and wait until the
        square shows the piece."""
        hand = hand_square(side, kind)
        before = self.settle()
        self.click_square(*hand)
        self.wait_until(lambda im: self.outline_is(im, hand[0], hand[1], RED), 5,
                        "the red outline around hand slot %s" % (hand,))
        self.click_square(x, y)
        name = ("SITA_" if side == "sente" else "UE_") + PICTURE_NAMES[kind]
        self.wait_until(lambda im: self.shows(im, x, y, name), 5,
                        "%s on square (%d,%d)" % (name, x, y))
        return before, self.settle()

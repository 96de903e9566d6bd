#!/usr/bin/env python3
"""Installs the build into a scratch prefix and checks what a user's desktop relies on.

The layout (launcher, program, sound library, the five sounds, desktop entry, icons,
AppStream metadata, the game record's file type, the manual page), the validators of the
desktop entry and of the metadata, the file type as the desktop's database and xdg-mime see
it, the manual page as groff reads it, and that the launcher really starts the game in the
folder of its sounds with our own libTarvenko.so, also after the whole tree has been moved to
another prefix."""

import argparse
import configparser
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

SOUNDS = ["その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"]
ICON_SIZES = [16, 32, 48, 64, 128, 256]
RECORD_TYPE = "application/x-tarvenko-record"
MIME = "{http://www.freedesktop.org/standards/shared-mime-info}"
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"

problems = []


def problem(message):
    problems.append(message)
    print("FAIL: " + message, flush=True)


def ok(message):
    print("ok: " + message, flush=True)


def expect(condition, message):
    if condition:
        ok(message)
    else:
        problem(message)
    return condition


def install(cmake, build, prefix):
    proc = subprocess.run([cmake, "--install", build, "--prefix", prefix],
                          capture_output=True, text=True)
    if proc.returncode != 0:
        print(proc.stdout + proc.stderr)
        problem("cmake --install failed with status %d" % proc.returncode)
        return False
    return True


def check_sounds(datadir):
    folder = os.path.join(datadir, "tarvenko")
    for name in SOUNDS:
        path = os.path.join(folder, name)
        if not expect(os.path.isfile(path), "sound %s installed" % name):
            continue
        with open(path, "rb") as f:
            head = f.read(12)
        expect(head[:4] == b"RIFF" and head[8:12] == b"WAVE", "%s is a RIFF/WAVE file" % name)


def check_desktop(prefix, args):
    path = os.path.join(prefix, args.datadir, "applications", "tarvenko.desktop")
    if not expect(os.path.isfile(path), "desktop entry installed"):
        return None
    entry = configparser.RawConfigParser(strict=True, interpolation=None)
    entry.optionxform = str  # keys are case-sensitive
    entry.read(path, encoding="utf-8")
    group = entry["Desktop Entry"]
    expect(group.get("Type") == "Application", "desktop entry is an application")
    expect(group.get("Name") == "Tarvenko", "desktop entry is named Tarvenko")
    expect(bool(group.get("Name[ja]")), "desktop entry has a Japanese name")
    expect(group.get("Icon") == "tarvenko", "desktop entry uses the icon tarvenko")
    categories = [c for c in group.get("Categories", "").split(";") if c]
    expect("Game" in categories and "BoardGame" in categories,
           "desktop entry is in Game and BoardGame (%s)" % categories)
    exec_line = group.get("Exec", "")
    program = exec_line.split()[0] if exec_line.split() else ""
    expect(os.path.basename(program) == "tarvenko" and
           os.path.isfile(os.path.join(prefix, args.bindir, "tarvenko")),
           "desktop entry runs the installed launcher (Exec=%s)" % exec_line)
    expect(exec_line.split()[1:] == ["%f"], "desktop entry hands the game one file (Exec=%s)"
           % exec_line)
    types = [t for t in group.get("MimeType", "").split(";") if t]
    expect(types == [RECORD_TYPE], "desktop entry opens the game record's type (%s)" % types)
    validator = shutil.which("desktop-file-validate")
    if validator:
        proc = subprocess.run([validator, path], capture_output=True, text=True)
        expect(proc.returncode == 0 and not proc.stdout.strip(),
               "desktop-file-validate accepts the entry\n" + (proc.stdout + proc.stderr).strip())
    else:
        print("note: desktop-file-validate not found; entry checked by hand only")
    return exec_line


def check_file_type(datadir, work):
    """The game record's type: its package file, then the database update-mime-database makes
    of it in the prefix, asked through xdg-mime by name and by first line."""
    path = os.path.join(datadir, "mime", "packages", "tarvenko.xml")
    if not expect(os.path.isfile(path), "the game record's file type installed"):
        return
    kind = ET.parse(path).getroot().find(MIME + "mime-type")
    expect(kind is not None and kind.get("type") == RECORD_TYPE, "the type is " + RECORD_TYPE)
    if kind is None:
        return
    comments = {c.get(XML_LANG): c.text for c in kind.findall(MIME + "comment")}
    expect(comments.get(None) and comments.get("ja"),
           "the type is described in English and Japanese (%s)" % comments)
    icon = kind.find(MIME + "icon")
    expect(icon is not None and icon.get("name") == "tarvenko", "the type has the game's icon")
    expect([g.get("pattern") for g in kind.findall(MIME + "glob")] == ["*.tkf"],
           "the type is *.tkf by name")
    proc = subprocess.run(["update-mime-database", os.path.join(datadir, "mime")],
                          capture_output=True, text=True)
    if not expect(proc.returncode == 0, "update-mime-database takes the type in" +
                  ("" if proc.returncode == 0 else "\n" + proc.stdout + proc.stderr)):
        return
    # xdg-mime as on a plain desktop (through the database's own reader), with the prefix as
    # the only place of types: one installed on the system cannot answer for it.
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
           "XDG_DATA_HOME": os.path.join(home, "data"),
           "XDG_DATA_DIRS": datadir}
    heading = "Tarvenko 棋譜 1\n対局 人間\n局面 1\n▲５五歩\n".encode()
    files = {"game.tkf": heading, "no name": heading, "with a mark": b"\xef\xbb\xbf" + heading,
             "notes": "Tarvenko の棋譜について\n".encode()}
    expected = {"game.tkf": RECORD_TYPE, "no name": RECORD_TYPE, "with a mark": RECORD_TYPE,
                "notes": None}
    folder = os.path.join(work, "records")
    os.makedirs(folder, exist_ok=True)
    for name, body in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(body)
        proc = subprocess.run(["xdg-mime", "query", "filetype", os.path.join(folder, name)],
                              env=env, capture_output=True, text=True)
        got = proc.stdout.strip()
        want = expected[name]
        expect(proc.returncode == 0 and (got == want if want else got != RECORD_TYPE),
               "xdg-mime query filetype %r: %s (%s)" % (name, got, want or "not a record"))


def check_manual(prefix, args):
    """The manual page: installed, read by groff without a warning, and naming every option
    the program answers --help with and every key the menus and the board take."""
    path = os.path.join(prefix, args.mandir, "man6", "tarvenko.6.gz")
    if not expect(os.path.isfile(path), "manual page tarvenko.6.gz installed"):
        return
    with gzip.open(path, "rb") as f:
        page = f.read()
    proc = subprocess.run("preconv | groff -man -Tutf8 -ww -z", shell=True, input=page,
                          capture_output=True)
    expect(proc.returncode == 0 and not proc.stderr,
           "groff reads the manual page without a warning\n" + proc.stderr.decode(errors="replace"))
    text = page.decode("utf-8").replace("\\-", "-")
    launcher = os.path.join(prefix, args.bindir, "tarvenko")
    proc = subprocess.run([launcher, "--help"], capture_output=True, text=True,
                          env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    expect(proc.returncode == 0 and proc.stdout.startswith("Usage: tarvenko "),
           "the launcher answers --help as tarvenko (%r)" % proc.stdout[:40])
    options = sorted(set(re.findall(r"(?m)^\s+(?:-\w, )?(--[\w-]+)", proc.stdout)))
    missing = [o for o in options if o not in text]
    expect(options and not missing, "the manual page names every option of --help %s (missing: "
           "%s)" % (options, missing))
    with open(os.path.join(args.source, "src", "game", "menu_table.h"), encoding="utf-8") as f:
        shortcuts = re.findall(r'"((?:Ctrl\+|Alt\+|Shift\+)*(?:[A-Z0-9]|F\d+))"\s*\},?\s*$',
                               f.read(), re.M)
    keys = shortcuts + ["Esc", "F1", "Enter", "Space", "Backspace", "Arrow keys"]
    # Each as a term of its own, in bold.
    terms = "\n".join(line for line in text.splitlines() if line.startswith((".B ", ".BR ")))
    missing = [k for k in keys
               if not re.search(r'(^|[ "])%s($|[ "])' % re.escape(k.split()[0]), terms, re.M)]
    expect(len(shortcuts) >= 4 and not missing, "the manual page lists the keys %s (missing: %s)"
           % (keys, missing))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def check_icons(datadir):
    for size in ICON_SIZES:
        path = os.path.join(datadir, "icons", "hicolor", "%dx%d" % (size, size), "apps",
                            "tarvenko.png")
        if expect(os.path.isfile(path), "icon %dx%d installed" % (size, size)):
            expect(png_size(path) == (size, size), "icon %dx%d is a PNG of that size (%s)"
                   % (size, size, png_size(path)))


def check_metainfo(datadir, app_id):
    path = os.path.join(datadir, "metainfo", app_id + ".metainfo.xml")
    if not expect(os.path.isfile(path), "AppStream metadata installed as " + app_id):
        return
    root = ET.parse(path).getroot()
    expect(root.findtext("id") == app_id, "metadata id matches its file name")
    launchable = root.find("launchable")
    desktop_id = launchable.text if launchable is not None else None
    expect(desktop_id is not None and
           os.path.isfile(os.path.join(datadir, "applications", desktop_id)),
           "metadata launches an installed desktop entry (%s)" % desktop_id)
    expect(root.findtext("metadata_license") in ("FSFAP", "CC0-1.0"),
           "metadata license is FSFAP or CC0-1.0")
    expect(root.findtext("project_license") == "MIT", "project license is MIT")
    tool = shutil.which("appstreamcli")
    if not expect(tool is not None, "appstreamcli is available to validate the metadata"):
        return
    proc = subprocess.run([tool, "validate", "--no-net", path], capture_output=True, text=True)
    expect(proc.returncode == 0, "appstreamcli validate --no-net accepts the metadata\n" +
           (proc.stdout + proc.stderr).strip())


def elf_runpath(path):
    proc = subprocess.run(["readelf", "-d", path], capture_output=True, text=True)
    for line in proc.stdout.splitlines():
        if "(RUNPATH)" in line or "(RPATH)" in line:
            return line.split("[", 1)[1].rstrip("]")
    return None


def check_program(prefix, args):
    program = os.path.join(prefix, args.programdir, "tarvenko")
    library = os.path.join(prefix, args.libdir, "libTarvenko.so")
    expect(os.path.isfile(library), "libTarvenko.so installed in " + args.libdir)
    if not expect(os.access(program, os.X_OK), "game installed in " + args.programdir):
        return
    with open(program, "rb") as f:
        expect(f.read(4) == b"\x7fELF", "the game is an ELF program")
    runpath = elf_runpath(program)
    expect(runpath is None, "the game has no RPATH: it loads its sound library relative to "
           "itself (%s)" % runpath)
    launcher = os.path.join(prefix, args.bindir, "tarvenko")
    expect(os.access(launcher, os.X_OK), "launcher installed in " + args.bindir)


def run_launcher(prefix, args, work):
    """Start the launcher from an unrelated folder; look at the process it became."""
    launcher = os.path.join(prefix, args.bindir, "tarvenko")
    env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "DISPLAY",
                                                            "WAYLAND_DISPLAY")}
    runtime = tempfile.mkdtemp(prefix="tarvenko-run-", dir=work)
    os.chmod(runtime, 0o700)
    env.update({"QT_QPA_PLATFORM": "offscreen", "SDL_AUDIODRIVER": "dummy",
                "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": os.path.join(runtime, "config"),
                "XDG_STATE_HOME": os.path.join(runtime, "state")})
    log_path = os.path.join(work, "launcher.log")
    env["TARVENKO_STARTED_IN"] = "/nowhere"  # the launcher's own word replaces it
    with open(log_path, "wb") as log:
        proc = subprocess.Popen([launcher], cwd=work, env=env, stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)
    try:
        # The launcher execs the game: wait until the process is the game with its sound
        # library mapped, i.e. past its start-up.
        exe = cwd = maps = ""
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and proc.poll() is None:
            try:
                exe = os.readlink("/proc/%d/exe" % proc.pid)
                cwd = os.readlink("/proc/%d/cwd" % proc.pid)
                with open("/proc/%d/maps" % proc.pid) as f:
                    maps = f.read()
            except OSError:
                pass
            if "libTarvenko.so" in maps and "libQt6Widgets" in maps:
                break
            time.sleep(0.1)
        time.sleep(0.5)
        if not expect(proc.poll() is None, "the game runs from the launcher (log: %s)"
                      % log_path):
            with open(log_path, errors="replace") as f:
                print(f.read()[-2000:])
            return
        real = os.path.realpath
        expect(real(exe) == real(os.path.join(prefix, args.programdir, "tarvenko")),
               "the launcher became the installed game (%s)" % exe)
        with open("/proc/%d/environ" % proc.pid, "rb") as f:
            environ = f.read().split(b"\0")
        started_in = [v for v in environ if v.startswith(b"TARVENKO_STARTED_IN=")]
        expect(started_in == [b"TARVENKO_STARTED_IN=" + os.fsencode(work)],
               "the launcher names the folder it was started in, for a relative record (%s)"
               % started_in)
        expect(real(cwd) == real(os.path.join(prefix, args.datadir, "tarvenko")),
               "the game runs in its sound folder (%s)" % cwd)
        present = sorted(n for n in SOUNDS if os.path.isfile(os.path.join(cwd, n)))
        expect(present == sorted(SOUNDS), "the five sounds are in its working folder")
        # The path is the sixth field and may hold blanks.
        libs = {line.split(None, 5)[5] for line in maps.splitlines() if "libTarvenko.so" in line}
        expect(libs == {real(os.path.join(prefix, args.libdir, "libTarvenko.so"))},
               "the game uses the installed libTarvenko.so (%s)" % sorted(libs))
    finally:
        if proc.poll() is None:
            # This run only needed to start; nothing to shut down in order.
            os.killpg(proc.pid, 9)
        proc.wait()
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--build", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--bindir", default="bin")
    parser.add_argument("--libdir", default="lib")
    parser.add_argument("--programdir", default="libexec/tarvenko")
    parser.add_argument("--datadir", default="share")
    parser.add_argument("--mandir", default="share/man")
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    args.build = os.path.realpath(args.build)

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    # A prefix with a blank in it: every path must survive quoting.
    prefix = os.path.join(args.work, "a prefix")
    if not install(args.cmake, args.build, prefix):
        return 1
    datadir = os.path.join(prefix, args.datadir)
    check_program(prefix, args)
    check_sounds(datadir)
    check_desktop(prefix, args)
    check_icons(datadir)
    check_metainfo(datadir, args.app_id)
    check_file_type(datadir, args.work)
    check_manual(prefix, args)
    run_launcher(prefix, args, args.work)

    # Moved as a whole, the tree must still work.
    moved = os.path.join(args.work, "moved")
    shutil.move(prefix, moved)
    print("-- after moving the tree to %s" % moved)
    run_launcher(moved, args, args.work)

    if problems:
        print("\n%d problem(s):\n  %s" % (len(problems), "\n  ".join(problems)))
        return 1
    print("\ninstall layout ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Installs the build into a scratch prefix and checks what a user's desktop relies on.

The layout (launcher, program, sound library, the five sounds, desktop entry, icons,
AppStream metadata), the validators of the desktop entry and of the metadata, and that the
launcher really starts the game in the folder of its sounds with our own libTarvenko.so, also
after the whole tree has been moved to another prefix."""

import argparse
import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

SOUNDS = ["その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav"]
ICON_SIZES = [16, 32, 48, 64, 128, 256]

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
    validator = shutil.which("desktop-file-validate")
    if validator:
        proc = subprocess.run([validator, path], capture_output=True, text=True)
        expect(proc.returncode == 0 and not proc.stdout.strip(),
               "desktop-file-validate accepts the entry\n" + (proc.stdout + proc.stderr).strip())
    else:
        print("note: desktop-file-validate not found; entry checked by hand only")
    return exec_line


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

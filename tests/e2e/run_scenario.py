#!/usr/bin/env python3
"""Plays one scenario against the real game in its own X server: run_scenario.py NAME.

Each scenario drives the window only with X input events and judges it only by screen
pixels (and, for the music, by the audio the game writes through SDL's disk driver)."""

import array
import os
import re
import shutil
import subprocess
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import xserver as xs  # noqa: E402

HU, KYOU, KEI, GIN, KIN, KAKU, SYA, OU = range(1, 9)


def start_two_humans(s):
    s.menu(xs.MENU_TWO_HUMANS)
    # The start box has a single blank as its title.
    s.close_box(" ")


def expect_count_changed(s, before, after, side, kind, what):
    a, b = s.count_area(before, side, kind), s.count_area(after, side, kind)
    s.check(a.rgb != b.rgb, "the count of %s did not change when one was dropped" % what)
    reds = sum(1 for i in range(0, len(b.rgb), 3)
               if b.rgb[i] > 160 and b.rgb[i + 1] < 90 and b.rgb[i + 2] < 90)
    s.check(reds > 5, "no red count digits left beside %s" % what)


def expect_count_same(s, before, after, side, kind, what):
    s.check(s.count_area(before, side, kind).rgb == s.count_area(after, side, kind).rgb,
            "the count of %s changed although the other side moved" % what)


def two_humans(s):
    """スタート, then drops by both sides: each piece shows on its square and the hand
    counts of the mover change, the other side's stay."""
    start_two_humans(s)
    moves = [("sente", HU, 5, 5), ("gote", HU, 5, 4),
             # 後手's 歩 attacks only (5, 5), which is taken: 先手 may drop anywhere.
             ("sente", KIN, 3, 7),
             # 先手's 金 on (3, 7) attacks (3, 6) among others.
             ("gote", GIN, 3, 6)]
    for side, kind, x, y in moves:
        other = "gote" if side == "sente" else "sente"
        before, after = s.drop(side, kind, x, y)
        name = ("SITA_" if side == "sente" else "UE_") + xs.PICTURE_NAMES[kind]
        s.expect_square(after, x, y, name)
        s.check(s.outline_is(after, x, y, xs.GREEN),
                "square (%d,%d) is not outlined in green after the drop" % (x, y))
        s.check(s.outline_is(after, *xs.hand_square(side, kind), xs.GREEN),
                "the selected hand slot keeps a highlight after the drop")
        expect_count_changed(s, before, after, side, kind, "%s's %s" % (side, name))
        expect_count_same(s, before, after, other, kind, "%s's kind %d" % (other, kind))
        s.note("%s dropped %s on (%d,%d)" % (side, name, x, y))
    final = s.settle()
    for side, kind, x, y in moves:
        s.expect_square(final, x, y, ("SITA_" if side == "sente" else "UE_") +
                        xs.PICTURE_NAMES[kind])
    for x, y in [(1, 1), (9, 9), (4, 4), (5, 6)]:
        s.expect_square(final, x, y, "KARA_MASU")
    s.save(final, "final")


def attack_rule(s):
    """A drop off the attacked squares is refused with the box 注意; the allowed square is
    then outlined in white and the selection is kept."""
    start_two_humans(s)
    s.drop("sente", HU, 5, 5)
    hand = xs.hand_square("gote", HU)
    s.click_square(*hand)
    s.wait_until(lambda im: s.outline_is(im, *hand, xs.RED), 5, "the red outline of 後手's 歩")
    s.click_square(1, 1)
    s.close_box("注意")
    shown = s.wait_until(lambda im: s.outline_is(im, 5, 4, xs.WHITE), 5,
                         "a white outline around (5,4), the only square 先手's 歩 attacks")
    s.save(shown, "allowed")
    s.expect_square(shown, 1, 1, "KARA_MASU")
    # Squares that share no edge with (5,4) keep their green outline.
    for x, y in [(1, 1), (9, 9), (3, 4), (7, 4), (5, 2), (5, 6)]:
        s.check(s.outline_is(shown, x, y, xs.GREEN),
                "square (%d,%d) is highlighted but 先手 does not attack it" % (x, y))
    # The refusal kept the selection: a click on the allowed square drops the same 歩.
    s.click_square(5, 4)
    s.wait_until(lambda im: s.shows(im, 5, 4, "UE_HU"), 5, "後手's 歩 on (5,4)")


def computer_first(s):
    """対局(COM) → 後手: the computer, 先手, opens with its 歩 on (5,5), outlined in white;
    after the human's reply it answers with another white-outlined drop."""
    initial = s.settle()
    s.menu(xs.MENU_COM_HUMAN_SECOND)
    shown = s.wait_until(lambda im: s.shows(im, 5, 5, "SITA_HU"), 10,
                         "the computer's 歩 on (5,5)")
    shown = s.settle()
    s.check(s.outline_is(shown, 5, 5, xs.WHITE), "the computer's drop on (5,5) has no white "
            "outline")
    expect_count_changed(s, initial, shown, "sente", HU, "the computer's 歩")
    s.check(not s.windows("^ $"), "a turn message box opened although the computer moves first")
    s.save(shown, "computer_opened")
    # The human (後手) must answer on (5,4), the only square the 歩 attacks.
    s.drop("gote", HU, 5, 4)
    empty = s.picture("KARA_MASU")

    def replied(im):
        for x in range(1, 10):
            for y in range(1, 10):
                if (x, y) in ((5, 5), (5, 4)):
                    continue
                if s.square_picture(im, x, y).difference(empty)[0] > 20 and \
                        s.outline_is(im, x, y, xs.WHITE):
                    return True
        return False

    reply = s.wait_until(replied, 10, "the computer's second drop with its white outline")
    s.save(reply, "computer_replied")
    s.expect_square(reply, 5, 4, "UE_HU")
    # A neighbour's white outline may share an edge with (5,4), but not all four.
    s.check(not s.outline_is(reply, 5, 4, xs.WHITE),
            "the human's drop on (5,4) got the computer's white outline")


def win(s, over="終了", start="開始"):
    """A row of three ends the game: the row blinks, then the box 終了 comes; afterwards the
    board keeps the row and a click asks for a new game (box 開始). `over` and `start` are
    those boxes' titles in the language the game shows."""
    start_two_humans(s)
    s.drop("sente", OU, 1, 9)
    s.drop("gote", OU, 2, 8)
    s.drop("sente", KIN, 2, 9)
    s.drop("gote", KIN, 1, 8)
    hand = xs.hand_square("sente", GIN)
    s.click_square(*hand)
    s.wait_until(lambda im: s.outline_is(im, *hand, xs.RED), 5, "the red outline of 先手's 銀")
    clicked = time.monotonic()  # before the click: the blink cannot start earlier
    s.click_square(3, 9)
    # Watch the row while it blinks (0.3 s off, 0.3 s on, twice): at some moment all three
    # squares show the empty wood. Only the row is captured, so the watch is fast enough.
    left, top = s.square_rect(1, 9)[:2]
    empty = s.picture("KARA_MASU")
    blink_seen = False
    box = None
    while time.monotonic() - clicked < 10:
        row = s.region(left, top, 3 * 33 + 1, 42)
        if all(row.crop(1 + 33 * i, 1, 32, 40).difference(empty)[0] < 6 for i in range(3)):
            if not blink_seen:
                s.save(s.shot(), "blink_off")
            blink_seen = True
        found = s.windows("^%s$" % over)
        if found:
            box = found[0]
            break
    waited = time.monotonic() - clicked
    s.check(box is not None, "no box titled 終了 within 10 s of the winning drop")
    s.note("the 終了 box came %.2f s after the winning click; blink seen: %s"
           % (waited, blink_seen))
    s.check(waited >= 1.0, "the 終了 box came after %.2f s: the row did not blink (0.3 s x 4)"
            % waited)
    s.check(blink_seen, "the winning row never showed empty squares before the 終了 box")
    s.save(s.settle(), "won")
    s.close_box(over)
    final = s.settle()
    for x, name in ((1, "SITA_OU"), (2, "SITA_KIN"), (3, "SITA_GIN")):
        s.expect_square(final, x, 9, name)
        s.check(s.outline_is(final, x, 9, xs.GREEN), "(%d,9) not back to a green outline" % x)
    s.expect_square(final, 2, 8, "UE_OU")
    s.expect_square(final, 1, 8, "UE_KIN")
    # The game is over: a board click no longer plays, it asks to start a game.
    s.click_square(9, 1)
    s.close_box(start)
    s.expect_square(s.settle(), 9, 1, "KARA_MASU")


def shows_under_cursor(s, image, x, y, name):
    """Does square (x, y) show picture `name` inside the cursor's two-pixel frame?"""
    left, top = s.square_rect(x, y)[:2]
    mean, off = image.crop(left + 3, top + 3, 28, 36).difference(
        s.picture(name).crop(2, 2, 28, 36))
    return mean < 6 and off < 0.03


def keyboard(s):
    """Two people play a whole game with the keys only: Alt opens the menus, the arrows move
    the light-cyan cursor, Return and space click where it is. Then 遊び方, closed by Esc."""
    s.keys("alt", "Return", "Return", "Return")  # 対局 → 対局(人間) → スタート
    s.close_box(" ")
    left, top = s.square_rect(5, 5)[:2]
    s.check(s.settle().pixel(left + 1, top + 20) != xs.CYAN, "a cursor before any arrow key")
    s.keys("Left")  # the first arrow only shows the cursor, on (5,5)
    shown = s.wait_until(lambda im: im.pixel(left + 1, top + 20) == xs.CYAN and
                         im.pixel(left + 2, top + 20) == xs.CYAN, 5, "the cursor on (5,5)")
    s.check(shown.pixel(left, top + 20) == xs.GREEN, "the cursor covers the square's outline")
    s.save(shown, "cursor")

    def play(side, kind, select, drop, x, y):
        hand = xs.hand_square(side, kind)
        s.keys(*select, "Return")
        s.wait_until(lambda im: s.outline_is(im, *hand, xs.RED), 5, "the red outline of %s" %
                     (hand,))
        s.keys(*drop, "space")
        name = ("SITA_" if side == "sente" else "UE_") + xs.PICTURE_NAMES[kind]
        s.wait_until(lambda im: shows_under_cursor(s, im, x, y, name), 5,
                     "%s on (%d,%d)" % (name, x, y))

    R, L, U, D = "Right", "Left", "Up", "Down"
    play("sente", OU, [R] * 5 + [D] * 4, [L] * 9, 1, 9)
    play("gote", OU, [L] + [U] * 7, [R] * 2 + [D] * 7, 2, 8)
    play("sente", KIN, [R] * 8 + [U] * 2, [L] * 8 + [D] * 3, 2, 9)
    play("gote", KIN, [L] * 2 + [U] * 4, [R] + [D] * 4, 1, 8)
    s.keys(*([R] * 9 + [U] * 3), "Return")
    s.wait_until(lambda im: s.outline_is(im, *xs.hand_square("sente", GIN), xs.RED), 5,
                 "the red outline of 先手's 銀")
    s.keys(*([L] * 7 + [D] * 4), "Return")
    s.close_box("終了")
    final = s.settle()
    s.save(final, "won")
    s.expect_square(final, 1, 9, "SITA_OU")
    s.expect_square(final, 2, 9, "SITA_KIN")
    s.check(shows_under_cursor(s, final, 3, 9, "SITA_GIN"), "no 銀 on (3,9) after the win")
    # ヘルプ → 遊び方 (the last menu: Left from the first wraps to it) opens beside the game;
    # Esc closes it and leaves the game running.
    s.keys("alt", "Left", "Return", "Return")
    help_window = s.wait_box("遊び方")
    shot = s.settle()
    s.save(shot, "help")
    # Its pictures are board squares with green outlines, drawn inside the text.
    hx, hy, hw, hh = s.geometry(help_window)
    area = shot.crop(max(0, hx), max(0, hy), min(hw, shot.width - max(0, hx)),
                     min(hh, shot.height - max(0, hy)))
    greens = sum(1 for i in range(0, len(area.rgb), 3) if tuple(area.rgb[i:i + 3]) == xs.GREEN)
    s.check(greens > 200, "遊び方 shows no pictures (%d green pixels)" % greens)
    s.key("Escape", window=help_window)
    deadline = time.monotonic() + 5
    while s.windows("^遊び方$") and time.monotonic() < deadline:
        time.sleep(0.05)
    s.check(not s.windows("^遊び方$"), "Esc did not close 遊び方")
    s.settle()
    s.check(s.game.poll() is None and s.windows("^Tarvenko$"), "Esc in 遊び方 ended the game")


def wait_exit(s, proc, what, sent):
    """Poll the process for up to 5 s from `sent`; it must end with status 0."""
    while proc.poll() is None and time.monotonic() - sent < 5:
        time.sleep(0.01)
    took = time.monotonic() - sent
    s.check(proc.poll() is not None, "%s: the game was still running 5 s later" % what)
    s.note("%s: the process ended %.3f s later with status %d" % (what, took, proc.returncode))
    s.check(proc.returncode == 0, "%s: exit status %d, expected 0" % (what, proc.returncode))
    return took


def quit_keys(s):
    """Esc ends the program with status 0, and so does 対局 → 終わり; SIGTERM (how a desktop
    asks at logout) ends it too, keeping the game in progress for 局面 → 続きから."""
    s.settle()
    proc = s.game
    sent = time.monotonic()  # before the key goes out
    s.key("Escape")
    took = wait_exit(s, proc, "Esc", sent)
    if took > 1.0:
        s.note("warning: Esc took %.3f s, more than the second it should" % took)
    s.start_game()
    s.settle()
    proc = s.game
    s.menu(xs.MENU_QUIT)
    wait_exit(s, proc, "対局 → 終わり", time.monotonic())
    s.start_game()
    start_two_humans(s)
    s.drop("sente", HU, 5, 5)
    s.settle()
    proc = s.game
    sent = time.monotonic()
    proc.send_signal(signal.SIGTERM)
    while proc.poll() is None and time.monotonic() - sent < 5:
        time.sleep(0.01)
    s.check(proc.poll() is not None, "SIGTERM: the game was still running 5 s later")
    s.note("SIGTERM: the process ended %.3f s later (status %d)"
           % (time.monotonic() - sent, proc.returncode))
    s.check(proc.returncode in (0, -signal.SIGTERM),
            "SIGTERM: the game ended with status %d" % proc.returncode)
    # The game in progress was kept, as at a quit by Esc.
    kept = os.path.join(s.env()["XDG_STATE_HOME"], "Tarvenko", "kept-game.tkf")
    s.check(os.path.isfile(kept), "SIGTERM: the game in progress was not kept in " + kept)
    with open(kept, encoding="utf-8") as f:
        s.check(f.read().splitlines()[1:4] == ["対局 人間", "局面 1", "▲５五歩"],
                "SIGTERM: the kept game is not the one on the board")
    # The next run brings it back with 局面 → 続きから.
    s.start_game()
    s.menu((1, 4))
    s.expect_square(s.settle(), 5, 5, "SITA_HU")
    s.check(not os.path.exists(kept), "続きから left the kept game behind")


def signals(s):
    """Ctrl+C (SIGINT) and Ctrl+\\ (SIGQUIT) end the program as SIGTERM does: status 0, no core,
    the game in progress kept for 局面 → 続きから."""
    kept = os.path.join(s.env()["XDG_STATE_HOME"], "Tarvenko", "kept-game.tkf")
    for number, name in ((signal.SIGINT, "SIGINT"), (signal.SIGQUIT, "SIGQUIT")):
        s.settle()
        start_two_humans(s)
        s.drop("sente", HU, 5, 5)
        s.settle()
        proc = s.game
        proc.send_signal(number)
        wait_exit(s, proc, name, time.monotonic())
        s.check(os.path.isfile(kept), "%s: the game in progress was not kept in %s" % (name, kept))
        with open(kept, encoding="utf-8") as f:
            s.check(f.read().splitlines()[1:4] == ["対局 人間", "局面 1", "▲５五歩"],
                    "%s: the kept game is not the one on the board" % name)
        # The next run brings it back, then 最初 clears the board for the next signal.
        s.start_game()
        s.menu((1, 4))
        s.expect_square(s.settle(), 5, 5, "SITA_HU")
        s.check(not os.path.exists(kept), "%s: 続きから left the kept game behind" % name)
        s.menu((1, 0))


# -- music -----------------------------------------------------------------------------------

RATE, CHANNELS, SAMPLE_BYTES = 44100, 1, 2  # what the sound library opens: S16 mono
FRAME = CHANNELS * SAMPLE_BYTES
SECOND = RATE * FRAME


def audio_peak(path, start, end):
    with open(path, "rb") as f:
        f.seek(start)
        data = f.read(end - start)
    data = data[: len(data) - len(data) % 2]
    samples = array.array("h")
    samples.frombytes(data)
    if sys.byteorder != "little":
        samples.byteswap()
    return max((abs(v) for v in samples), default=0), len(samples)


def wait_size(s, path, size, timeout):
    deadline = time.monotonic() + timeout
    while os.path.getsize(path) < size:
        if time.monotonic() > deadline:
            s.fail("the audio file grew to %d bytes only, waited for %d"
                   % (os.path.getsize(path), size))
        time.sleep(0.05)


def listen(s, path, mark, label, want_sound):
    """Judge the output written after byte `mark` of the audio file, taken once the command
    has been sent. The game, the mixer's queued buffers and a slow (sanitized) build all add
    delay, so the change is looked for within a few seconds rather than at a fixed offset:
    music on means a loud sample; music off means the output comes to rest (the library stops
    the output while nothing plays, so the file stops growing) within six seconds of audio."""
    reach = 6 * SECOND
    mark -= mark % FRAME
    if want_sound:
        wait_size(s, path, mark + reach, 20)
        peak, n = audio_peak(path, mark, mark + reach)
        s.note("%s: peak %d over %d samples" % (label, peak, n))
        s.check(peak > 1000, "%s: the output stays silent (peak %d)" % (label, peak))
        return
    deadline = time.monotonic() + 20
    size, still_since = os.path.getsize(path), time.monotonic()
    while time.monotonic() - still_since < 2.0:
        if time.monotonic() > deadline or size > mark + reach:
            s.fail("%s: the output goes on (%.1f s of audio written after the command)"
                   % (label, (size - mark) / SECOND))
        time.sleep(0.05)
        now = os.path.getsize(path)
        if now != size:
            size, still_since = now, time.monotonic()
    s.note("%s: the output rests after %.2f s of audio" % (label, (size - mark) / SECOND))


def music(s):
    """The music loops from the start; F1 stops it (the output rests), F1 again restarts it."""
    path = s.audio_file
    # The first two seconds after load.
    wait_size(s, path, 2 * SECOND, 15)
    peak, n = audio_peak(path, 0, 2 * SECOND)
    s.note("first 2 s: peak %d over %d samples" % (peak, n))
    s.check(peak > 1000, "the first 2 s of output are silent (peak %d): no music at start" % peak)

    def after_key(label, want_sound):
        s.key("F1")
        listen(s, path, os.path.getsize(path), label, want_sound)

    after_key("after F1 (music off)", False)
    after_key("after F1 again (music on)", True)
    # The menu item does the same as F1.
    s.menu((4, 0))
    listen(s, path, os.path.getsize(path), "after ｵﾌﾟｼｮﾝ → BGM (music off)", False)


def window_manager(s):
    """Under openbox, beside a panel: the frame, with its title bar, sits at the top-left of the
    free area, it and the menu bar wholly on the screen; message boxes show their whole titles,
    the narrowest boxes included."""
    left, top, right, bottom = s.frame(s.window)
    area = s.work_area()
    s.note("frame (%d,%d)-(%d,%d); free area %s" % (left, top, right, bottom, area))
    s.check((left, top) == area[:2], "the frame's corner (%d,%d) is not the free area's "
            "top-left %s" % (left, top, area[:2]))
    screen = s.shot()
    s.check(right <= screen.width and bottom <= screen.height,
            "the frame reaches (%d,%d), past the screen" % (right, bottom))
    s.check(s.bar[1] == s.win[1] and s.bar[1] > top, "the menu bar is not below the title bar")
    s.bar_items(screen)  # every item of the menu bar can be told apart
    s.save(screen, "placed")

    titles = ["戻る", "進む", "先手の番です", "置けません", "対局相手の途中変更は不可"]
    captions = {title: s.plain_caption(title) for title in titles}

    def expect_box(title, label=None):
        s.expect_caption_whole(s.wait_box(title), captions[title])
        if label:
            s.save(s.shot(), label)
        s.close_box(title)

    s.menu((2,))
    expect_box("戻る", "box_modoru")
    s.menu((3,))
    expect_box("進む")
    start_two_humans(s)
    s.click_square(1, 1)
    expect_box("先手の番です")
    s.drop("sente", HU, 5, 5)
    s.drop("gote", HU, 5, 4)
    hand = xs.hand_square("sente", HU)
    s.click_square(*hand)
    s.wait_until(lambda im: s.outline_is(im, *hand, xs.RED), 5, "the red outline of 先手's 歩")
    s.click_square(5, 8)  # a second 歩 in column 5
    expect_box("置けません", "box_nifu")
    s.menu(xs.MENU_TWO_HUMANS)
    expect_box("対局相手の途中変更は不可")

def analysis(s):
    """K turns 解析 on: marks come over the board's squares, drawn over the image and never
    into it, so K again leaves every pixel of the board as it was."""
    start_two_humans(s)
    board = lambda im: im.crop(*s.square_rect(1, 1)[:2], 9 * 33 + 1, 9 * 41 + 1)
    before = board(s.settle())
    blue, vermilion = (0, 90, 181), (213, 94, 0)

    def marked(im, colour):
        b = board(im)
        return any(tuple(b.rgb[i:i + 3]) == colour for i in range(0, len(b.rgb), 3))

    s.keys("k")
    shown = s.wait_until(lambda im: marked(im, blue), 60, "解析's blue marks at the start")
    s.save(shown, "marks")
    # 先手's 歩 on (5,7): 後手 may only drop on (5,6), and every drop there loses.
    s.drop("sente", HU, 5, 7)
    later = s.wait_until(lambda im: marked(im, vermilion), 60, "a vermilion mark on (5,6)")
    s.check(not marked(later, blue), "a win is marked for 後手, who has none")
    s.save(later, "marks_after_a_drop")
    s.keys("k")
    off = s.wait_until(lambda im: not marked(im, vermilion), 5, "the marks to go")
    s.keys("k", "k")
    s.check(board(s.settle()).rgb == board(off).rgb, "K twice changed the board's pixels")
    s.menu((2,))  # 戻: the start again, with its pixels as they were before 解析
    s.wait_until(lambda im: board(im).rgb == before.rgb, 10, "the board as before 解析")


def english(s):
    """With an English locale the menus, the boxes and the file dialog are in English, and a
    game is won by clicks; 日本語 from the menu turns the menus Japanese at once while the
    game stays, and English turns them back."""
    english_bar = s.bar_items(s.settle())
    s.menu((5,))
    s.close_box("About")
    win(s, over="Game Over", start="Start")
    s.menu(xs.MENU_LANGUAGE_JA)
    japanese = s.settle()
    s.save(japanese, "japanese")
    s.check(s.bar_items(japanese) != english_bar, "the menu bar did not change for 日本語")
    for x, name in ((1, "SITA_OU"), (2, "SITA_KIN"), (3, "SITA_GIN")):
        s.expect_square(japanese, x, 9, name)
    s.menu((5,))
    s.close_box("その他")
    s.menu(xs.MENU_LANGUAGE_EN)
    s.check(s.bar_items(s.settle()) == english_bar, "the menu bar is not as it was in English")
    s.menu(xs.MENU_OPEN_RECORD)
    dialog = s.wait_box("Open Record")
    s.save(s.settle(), "file_dialog")
    s.key("Escape", window=dialog)
    deadline = time.monotonic() + 5
    while s.windows("^Open Record$"):
        s.check(time.monotonic() < deadline, "the file dialog did not close on Escape")
        time.sleep(0.05)


def puzzles(s):
    """対局 → 詰め問題… opens the chooser at the first unsolved puzzle; Return starts it, with
    the goal under the board. Solved, it is marked in the chooser; a losing drop is answered,
    and the box's 答え takes both drops back and outlines the key. In English, the chooser
    is English."""
    yellow = (255, 255, 0)
    s.menu(xs.MENU_PUZZLES)
    chooser = s.wait_box("詰め問題")
    s.save(s.settle(), "chooser_ja")
    s.key("Return", window=chooser)
    # Puzzle 1: 後手 drops 歩 on ６七 and, after the computer's reply, on ７七.
    s.wait_until(lambda im: s.shows(im, 2, 3, "SITA_SYA"), 10, "the first puzzle's position")
    s.save(s.settle(), "puzzle_start")
    s.drop("gote", HU, 4, 7)
    s.drop("gote", HU, 3, 7)
    s.wait_box("詰め問題")
    s.save(s.settle(), "solved")
    s.close_box("詰め問題")
    # Puzzle 2, the first unsolved now: ▲８四歩 lets the row slip; 答え shows ▲８三歩.
    s.menu(xs.MENU_PUZZLES)
    chooser = s.wait_box("詰め問題")
    s.save(s.settle(), "chooser_one_solved")
    s.key("Return", window=chooser)
    s.wait_until(lambda im: s.shows(im, 3, 4, "SITA_KEI"), 10, "the second puzzle's position")
    # The box that comes may cover the square: the drop is not waited for on the board.
    hand = xs.hand_square("sente", HU)
    s.click_square(*hand)
    s.wait_until(lambda im: s.outline_is(im, *hand, xs.RED), 5, "the red outline of 先手's 歩")
    s.click_square(2, 4)
    box = s.wait_box("詰め問題")
    s.save(s.settle(), "failed")
    s.key("Tab", window=box)
    s.key("space", window=box)
    shown = s.wait_until(lambda im: s.outline_is(im, 2, 3, yellow), 10, "the key outlined")
    s.check(s.shows(shown, 2, 4, "KARA_MASU"), "the losing drop was not taken back")
    s.save(shown, "answer_shown")
    s.menu(xs.MENU_LANGUAGE_EN)
    s.menu(xs.MENU_PUZZLES)
    chooser = s.wait_box("Puzzles")
    s.save(s.settle(), "chooser_en")
    s.key("Escape", window=chooser)


# The language each scenario runs in (LANG); C for the others.
LANGUAGES = {"english": "en_US.UTF-8", "win_ja": "ja_JP.UTF-8"}


# -- the window's size -----------------------------------------------------------------------


def board_runs(image, fixed, lo, hi, across):
    """The board's nine squares along one row (across) or column of the screen: nine runs of
    other colours than green, of one width give or take a pixel, with green lines of one width
    between them. (start of the first, end of the last, line width) or None."""
    runs, start = [], None
    for i in range(lo, hi):
        green = (image.pixel(i, fixed) if across else image.pixel(fixed, i)) == xs.GREEN
        if not green and start is None:
            start = i
        elif green and start is not None:
            runs.append((start, i))
            start = None
    for j in range(len(runs) - 8):
        nine = runs[j:j + 9]
        widths = [b - a for a, b in nine]
        lines = {nine[k + 1][0] - nine[k][1] for k in range(8)}
        if min(widths) > 20 and max(widths) - min(widths) <= 1 and len(lines) == 1:
            return nine[0][0], nine[-1][1], lines.pop()
    return None


def board_box(s, image, left, top, right, bottom):
    """(left, top, right, bottom) of the board's squares inside its outer outline, found from
    the pixels inside the given part of the screen."""
    for y in range(top + (bottom - top) // 2, bottom, 3):
        across = board_runs(image, y, left, right, True)
        if across:
            break
    s.check(across is not None, "no board of nine squares in a row on the screen")
    middle = (across[0] + across[1]) // 2
    down = board_runs(image, middle + (across[1] - across[0]) // 18 - 2, top, bottom, False)
    s.check(down is not None, "no board of nine squares in a column on the screen")
    return across[0], down[0], across[1], down[1]


def content_box(image, left, top, right, bottom):
    """The smallest box around every pixel that is not background green."""
    xs_, ys_ = [], []
    for y in range(top, bottom, 2):
        row = [x for x in range(left, right) if image.pixel(x, y) != xs.GREEN]
        if row:
            xs_ += [row[0], row[-1]]
            ys_.append(y)
    return min(xs_), min(ys_), max(xs_) + 1, max(ys_) + 1


def maximised(s):
    """Under openbox on a 1920 x 1080 screen: maximised, the whole picture grows uniformly
    (the board at least 1.5 times as wide), centred in the window; a click on a square at that
    size drops on it; F11 makes it full screen and back."""
    start_two_humans(s)
    before = s.settle()
    cx, cy = s.client
    width, height = s.win[2], s.win[1] + s.win[3] - cy
    board0 = board_box(s, before, cx, cy, cx + width, cy + height)
    content0 = content_box(before, cx, cy, cx + width, cy + height)
    s.note("at the start: client %dx%d, board %s, picture %s" % (width, height, board0, content0))
    s.run("wmctrl", "-i", "-r", str(s.window), "-b", "add,maximized_vert,maximized_horz")

    def grown(image):
        x, y, w, h = s.geometry(s.window)
        return w > 1800 and board_runs(image, y + h // 2, x, x + w, True) is not None

    s.wait_until(grown, 10, "the maximised window with its board drawn again")
    image = s.settle()
    x, y, w, h = s.geometry(s.window)
    top = y + (cy - s.win[1])  # below the menu bar
    board = board_box(s, image, x, top, x + w, y + h)
    content = content_box(image, x, top, x + w, y + h)
    s.save(image, "maximised")
    s.note("maximised: window %dx%d at (%d,%d), board %s, picture %s" % (w, h, x, y, board,
                                                                        content))
    k = (board[2] - board[0]) / (board0[2] - board0[0])
    s.check(k >= 1.5, "maximised, the board is only %.2f times as wide as at the start" % k)
    s.check(abs((board[3] - board[1]) / (board0[3] - board0[1]) - k) < 0.02,
            "the board grew %.2f times in width but not in height" % k)
    # Centred: the picture's margins keep their difference of the start, scaled.
    for axis, (a, b, a0, b0) in (
            ("left/right", (content[0] - x, x + w - content[2], content0[0] - cx,
                            cx + width - content0[2])),
            ("top/bottom", (content[1] - top, y + h - content[3], content0[1] - cy,
                            cy + height - content0[3]))):
        s.check(abs((a - b) - k * (a0 - b0)) <= 3,
                "the picture is not centred %s: margins %d and %d, at the start %d and %d"
                % (axis, a, b, a0, b0))

    # A drop at that size: 先手's 歩 from its hand (column 11, row 2) onto (5,5).
    pitch_x, pitch_y = (board[2] - board[0]) / 9, (board[3] - board[1]) / 9

    def centre(col, row):
        return (int(board[0] + (col - 0.5) * pitch_x), int(board[1] + (row - 0.5) * pitch_y))

    def square(im, col, row):
        px_, py_ = centre(col, row)
        return im.crop(px_ - int(pitch_x / 3), py_ - int(pitch_y / 3), int(pitch_x * 2 / 3),
                       int(pitch_y * 2 / 3))

    s.click(*centre(11, 2))
    s.click(*centre(5, 5))
    after = s.wait_until(lambda im: square(im, 5, 5).difference(square(image, 5, 5))[0] > 20,
                         5, "a piece on (5,5) at the maximised size")
    after = s.settle()
    s.save(after, "maximised_drop")
    for col, row in ((4, 5), (6, 5), (5, 4), (5, 6)):
        s.check(square(after, col, row).rgb == square(image, col, row).rgb,
                "the square (%d,%d) beside the click changed" % (col, row))
    dropped = square(after, 5, 5).rgb
    s.check(sum(dropped) / len(dropped) < 110, "(5,5) does not show 先手's dark piece")

    # The keyboard cursor at that size: just inside (5,5)'s outline, which stays green.
    s.keys("Left")
    edge, row = int(board[0] + 4 * pitch_x), centre(5, 5)[1]

    def cursor_shown(im):
        return sum(im.pixel(edge + i, row) == xs.CYAN for i in range(int(pitch_x / 4))) >= 4

    shown = s.wait_until(cursor_shown, 5, "the cursor inside (5,5) at the maximised size")
    s.check(any(shown.pixel(edge - i, row) == xs.GREEN for i in range(3)),
            "the cursor covers the outline of (5,5)")
    s.save(shown, "maximised_cursor")

    s.key("F11")

    def filled(im):
        # The window fills the screen, and the board drawn again for that size (a slow build
        # may show the window's new size a while before its new picture).
        if s.geometry(s.window) != (0, 0, 1920, 1080):
            return False
        found = board_runs(im, 540, 0, 1920, True)
        return found is not None and found[1] - found[0] >= board[2] - board[0]

    full = s.wait_until(filled, 10, "the screen filled, with the board no smaller, after F11")
    s.save(full, "full_screen")
    s.key("F11")
    s.wait_until(lambda im: s.geometry(s.window)[2:] == (w, h), 10,
                 "the maximised window back after F11 again")


# -- one window, records from the command line --------------------------------------------


def record_copies(s):
    """A folder of records to name by relative paths, as from a terminal or a file manager."""
    folder = os.path.join(s.runtime_dir, "records")
    os.makedirs(folder, exist_ok=True)
    for name in ("record_mid.tkf", "record_broken.tkf", "review_game.tkf"):
        shutil.copy(os.path.join(s.source_dir, "tests", "flow", name), folder)
    return folder


def shows_record_mid(s, image):
    """record_mid.tkf at its move 3: ▲９九王 △８八王 ▲８九金 shown, △９八金 not yet."""
    return all(s.shows(image, x, y, name) for x, y, name in
               ((1, 9, "SITA_OU"), (2, 8, "UE_OU"), (2, 9, "SITA_KIN"), (1, 8, "KARA_MASU"),
                (5, 5, "KARA_MASU")))


def one_tarvenko(s, what):
    deadline = time.monotonic() + 5
    while len(s.windows("^Tarvenko$")) > 1 and time.monotonic() < deadline:
        time.sleep(0.05)
    found = s.windows("^Tarvenko$")
    s.check(found == [s.window], "%s: the windows named Tarvenko are %s, not the one window %d"
            % (what, found, s.window))


def one_window(s):
    """Under openbox: the game started again, with a record, while it runs (minimised, a game
    in progress) ends at once with status 0; the running window comes back to the front with
    the record open. A bad record gets 棋譜を開く's box there. After kill -9 the next start
    takes the socket over, and two starts at the same moment leave one window."""
    folder = record_copies(s)
    start_two_humans(s)
    s.drop("sente", HU, 5, 5)
    s.run("xdotool", "windowminimize", "--sync", str(s.window))
    s.check(not s.windows("^Tarvenko$"), "the window did not go to the task bar")
    status = s.start_again(["record_mid.tkf"], cwd=folder)
    s.check(status == 0, "the second start ended with status %d, not 0" % status)
    opened = s.wait_until(lambda im: s.windows("^Tarvenko$") == [s.window] and
                          shows_record_mid(s, im), 20,
                          "the running window, back on the screen, showing record_mid.tkf")
    s.save(s.settle(), "second_start")
    one_tarvenko(s, "after the second start")
    active = s.run("xdotool", "getactivewindow", check=False).strip()
    s.note("after the second start the active window is %s (the game's %d)" % (active, s.window))
    s.check(active == str(s.window), "the game's window is not the active one after the "
            "second start")
    # Nothing to open: only to the front.
    status = s.start_again()
    s.check(status == 0, "a start without a record ended with status %d, not 0" % status)
    one_tarvenko(s, "after a start without a record")
    s.check(shows_record_mid(s, s.settle()), "a start without a record changed the board")
    # A record that cannot be opened: the running window says so as 棋譜を開く does. A start
    # while that box waits for the player is answered at once; its record opens after the box.
    status = s.start_again(["record_broken.tkf"], cwd=folder)
    s.check(status == 0, "a start with a broken record ended with status %d" % status)
    s.wait_box("棋譜を開く")
    s.save(s.settle(), "broken_record_box")
    status = s.start_again(["review_game.tkf"], cwd=folder)
    s.check(status == 0, "a start while a box waits ended with status %d" % status)
    # The box covers the middle of the board; the corner it leaves shows record_mid.tkf.
    corner = s.settle()
    s.check(all(s.shows(corner, x, y, name) for x, y, name in
                ((1, 9, "SITA_OU"), (2, 8, "UE_OU"), (2, 9, "SITA_KIN"))) and
            s.windows("^棋譜を開く$"), "a start while the box waits changed the board or "
            "closed the box")
    s.close_box("棋譜を開く")
    s.wait_until(lambda im: all(s.shows(im, x, y, name) for x, y, name in
                                ((2, 4, "SITA_KEI"), (2, 1, "UE_HU"), (1, 9, "KARA_MASU"))),
                 20, "review_game.tkf, once the box was closed")
    one_tarvenko(s, "after a broken record and a record while its box waited")
    s.check(s.game.poll() is None, "the running game ended")

    # Killed: its socket stays behind, and the next start takes it over.
    sockets = [n for n in os.listdir(s.runtime_dir) if n.startswith("tarvenko-")]
    s.note("in the runtime folder: %s" % sockets)
    os.killpg(s.game.pid, signal.SIGKILL)
    s.game.wait()
    s.check(any(not n.endswith(".lock") for n in os.listdir(s.runtime_dir)
                if n.startswith("tarvenko-")), "no socket left behind by the killed game")
    s.start_game(args=[os.path.join(folder, "record_mid.tkf")])
    s.wait_until(lambda im: shows_record_mid(s, im), 20, "record_mid.tkf in the new window")
    status = s.start_again()
    s.check(status == 0, "a start beside the one after kill -9 ended with status %d" % status)
    one_tarvenko(s, "after kill -9 and two starts")

    # Two starts at the same moment, with none running.
    os.killpg(s.game.pid, signal.SIGKILL)
    s.game.wait()
    both = [s.start_more(), s.start_more()]
    deadline = time.monotonic() + 20
    while all(p.poll() is None for p in both) and time.monotonic() < deadline:
        time.sleep(0.05)
    ended = [p for p in both if p.poll() is not None]
    s.check(len(ended) == 1 and ended[0].returncode == 0,
            "of two starts at once, %d ended (statuses %s), not one with status 0"
            % (len(ended), [p.returncode for p in ended]))
    s.game = next(p for p in both if p.poll() is None)
    s.window = s._wait_window("^Tarvenko$", 20)
    one_tarvenko(s, "after two starts at once")


def command_line(s):
    """The game started with a record (by a path relative to the folder the launcher names)
    shows it; a broken one gets 棋譜を開く's box. --help, --version, an unknown option and no
    display answer on the terminal with their statuses."""
    s.wait_until(lambda im: shows_record_mid(s, im), 20, "record_mid.tkf, named at start")
    s.save(s.settle(), "record_at_start")
    s.key("Escape")
    s.game.wait(10)
    s.start_game(args=["record_broken.tkf"])
    s.wait_box("棋譜を開く")
    s.save(s.settle(), "broken_record_at_start")
    s.close_box("棋譜を開く")
    s.expect_square(s.settle(), 1, 9, "KARA_MASU")

    program = os.path.join(s.build_dir, "tarvenko")

    def answer(args, env=None):
        proc = subprocess.run([program] + args, capture_output=True, text=True, timeout=20,
                              env=env or s.env(), cwd=s.build_dir)
        return proc.returncode, proc.stdout, proc.stderr

    status, out, err = answer(["--help"])
    s.check(status == 0 and "Usage:" in out and "record" in out and "--version" in out,
            "--help: status %d, output %r" % (status, out))
    status, out, err = answer(["--version"])
    s.check(status == 0 and re.fullmatch(r"Tarvenko \d+\.\d+\.\d+\n", out),
            "--version: status %d, output %r" % (status, out))
    status, out, err = answer(["--no-such-option"])
    s.check(status == 2 and "no-such-option" in err and not out,
            "an unknown option: status %d, output %r, errors %r" % (status, out, err))
    status, out, err = answer(["a.tkf", "b.tkf"])
    s.check(status == 2 and err, "two records: status %d, errors %r" % (status, err))
    bare = {k: v for k, v in s.env().items() if k not in ("DISPLAY", "WAYLAND_DISPLAY",
                                                           "QT_QPA_PLATFORM")}
    status, out, err = answer([], env=bare)
    s.note("with no display: status %d, %r" % (status, err))
    s.check(status == 1, "with no display the status is %d, not 1" % status)
    s.check(len(err.splitlines()) == 1 and "graphical desktop" in err and
            "einstall" not in err, "with no display it says %r" % err)
    status, out, err = answer(["--help"], env=bare)
    s.check(status == 0 and "Usage:" in out, "--help with no display: status %d" % status)
    one_tarvenko(s, "after the answers on the terminal")


SCENARIOS = {
    "english": english,
    "win_ja": win,
    "two_humans": two_humans,
    "attack_rule": attack_rule,
    "computer_first": computer_first,
    "win": win,
    "quit_keys": quit_keys,
    "music": music,
    "window_manager": window_manager,
    "keyboard": keyboard,
    "maximised": maximised,
    "analysis": analysis,
    "signals": signals,
    "one_window": one_window,
    "command_line": command_line,
    "puzzles": puzzles,
}


def main(argv):
    if len(argv) != 2 or argv[1] not in SCENARIOS:
        print("usage: run_scenario.py {%s}" % ",".join(SCENARIOS), file=sys.stderr)
        return 2
    name = argv[1]
    extra, audio = {}, "dummy"
    if name == "music":
        audio = "disk"
        out = os.path.join(os.environ.get("TARVENKO_E2E_OUT") or ".", name)
        os.makedirs(out, exist_ok=True)
        audio_file = os.path.join(out, "output.raw")
        if os.path.exists(audio_file):
            os.remove(audio_file)
        extra = {"SDL_DISKAUDIOFILE": audio_file}
    began = time.monotonic()
    managed = {"window_manager": True, "panel": (20, 30)} if name == "window_manager" else {}
    if name in LANGUAGES:
        extra["LANG"] = LANGUAGES[name]
    if name == "maximised":
        managed = {"window_manager": True, "screen": "1920x1080x24"}
    if name == "one_window":
        managed = {"window_manager": True}
    if name == "command_line":
        # A relative record, taken from the folder the launcher names.
        managed = {"args": ["record_mid.tkf"]}
        extra["TARVENKO_STARTED_IN"] = os.path.join(os.environ.get("TARVENKO_SOURCE_DIR") or
                                                    ".", "tests", "flow")
    with xs.XServer(name, audio=audio, extra_env=extra, **managed) as s:
        if name == "music":
            s.audio_file = audio_file
        SCENARIOS[name](s)
    print("%s passed in %.1f s" % (name, time.monotonic() - began))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

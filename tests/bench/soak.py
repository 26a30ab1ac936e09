#!/usr/bin/env python3
"""A soak of the game under Wine: random keys and clicks on every screen for some
minutes, with the game's memory watched from outside.

  soak.py --build DIR [--minutes M] [--seed N] [--up]

It plays in a copy of the game folder (GameRun). A first round visits every screen
(the menu, both help pages, a game played to a line and to its end, a name typed into
the records table, the pause window); then a random walk chooses, on whatever screen
shows, among its keys (arrows, Space tapped or held, Escape, Enter, Y, N, letters in
the name box, keys that do nothing there) and the mouse (moves, right clicks, and
presses of each of the screen's buttons, the menu's Close pressed and released
beside it). Now and then it plays a game to its end. It never presses what would
end the game early: Escape on the menu, Enter with Close selected, a release on
Close.

It fails when the game ends or stops answering: every action that changes the screen
must be seen to, and once a minute keys must visibly change the screen on the way to
the menu (in a game the drop lamp at rest with no key held, so no key is stuck down;
Escape opening the pause window, Y leaving it; a help page turned) and Down or Up
must move the menu's highlight. Every 10 s it reads the game's resident anonymous
memory and prints it with the screen shown, split into the Windows side (the game,
the engine, Wine's Windows DLLs) and the native side (Wine's Unix heap, X, GL). What
the game screen takes depends on what it showed since it was entered (the records
table open about 1 MiB more than the menu); the menu's memory does not, so growth is
judged by the readings the check takes on the menu: those after the first minute may
exceed the first minute's by at most 512 KiB. At the end the check takes the game to
the menu once more, Escape is pressed there, and the game must end with code 0.

The seed (--seed, or SOAK_SEED) repeats the walk's choices; the game deals its pieces
from its own clock, so a repeat makes the same choices, not the same games. The log
of actions, and a screenshot on failure, go to DIR/soak/.
"""
import argparse
import collections
import contextlib
import os
import random
import string
import sys
import threading
import time

import autoplay
import pictures
import winebench as wb

PARK = (790, 590)  # where the pointer waits: on no button of any screen, below and right of every place the game puts its cursor
SAMPLE_SECONDS = 10
GROWTH_LIMIT_KIB = 512
CHECK_SECONDS = 60
WAIT = 60  # generous limit for anything the game should show
LOG_KEEP = 40


class Fault(Exception):
    """The game did something it must not: ended, stopped answering, leaked."""


class Button:
    """A button: place, size, bitmap, and where each look is in the bitmap. `looks`
    holds one list per variant (the sound buttons have two pictures), each with the
    source corner of the normal, highlighted and pressed looks."""

    def __init__(self, name, at, size, image, looks, key=None):
        self.name, self.at, self.size, self.image, self.looks, self.key = name, at, size, image, looks, key

    @property
    def center(self):
        return self.at[0] + self.size[0] // 2, self.at[1] + self.size[1] // 2

    def contains(self, x, y):
        """The game's hit test: both edges included."""
        return self.at[0] <= x <= self.at[0] + self.size[0] and self.at[1] <= y <= self.at[1] + self.size[1]


def _columns(w, row):
    return [(0, row), (w, row), (2 * w, row)]


def _rows(column):
    return [(column, 0), (column, 30), (column, 60)]


WHITE, BLACK = (255, 255, 255), (0, 0, 0)
MENU_START = Button("menu Start", (55, 270), (115, 30), "MainMenu_StartBtn.bmp", [_columns(115, 0)])
MENU_SOUND = Button("menu Sound", (55, 310), (60, 30), "MainMenu_2Btns.bmp", [_columns(60, 0), _columns(60, 30)])
MENU_ABOUT = Button("menu About", (55, 350), (60, 30), "MainMenu_2Btns.bmp", [_columns(60, 60)])
MENU_CLOSE = Button("menu Close", (720, 500), (30, 30), "MainMenu_CloseBtn.bmp", [_columns(30, 0)])
MENU_BUTTONS = [MENU_START, MENU_SOUND, MENU_ABOUT, MENU_CLOSE]
ABOUT_BACK = Button("about back", (710, 490), (30, 30), "BackBtn.bmp", [_columns(30, 0)], BLACK)
ABOUT_PREVIOUS = Button("about previous page", (706, 424), (17, 20), "About_UpDwnBtn.bmp", [_columns(17, 0)], BLACK)
ABOUT_NEXT = Button("about next page", (706, 445), (17, 20), "About_UpDwnBtn.bmp", [_columns(17, 20)], BLACK)
GAME_NEW = Button("game new game", (585, 520), (30, 30), "Buttons.bmp", [_rows(0)])
GAME_RECORDS = Button("game records", (625, 520), (30, 30), "Buttons.bmp", [_rows(30)])
GAME_SOUND = Button("game sound", (665, 520), (30, 30), "Buttons.bmp", [_rows(60), _rows(90)])
GAME_PAUSE = Button("game pause", (705, 520), (30, 30), "Buttons.bmp", [_rows(120)])
PAUSE_YES = Button("pause yes", (443, 410), (30, 30), "PauseWindow_Buttons.bmp", [_columns(30, 0)], WHITE)
PAUSE_NO = Button("pause no", (483, 410), (30, 30), "PauseWindow_Buttons.bmp", [_columns(30, 30)], WHITE)
RECORDS_NEW = Button("records new game", (500, 434), (30, 30), "Records_Buttons.bmp", [_columns(30, 0)])
RECORDS_CLOSE = Button("records close", (540, 434), (30, 30), "Records_Buttons.bmp", [_columns(30, 30)])
HELP_PAGE_AT = (288, 402)
DROP_LAMP = (304, 198, 34, 49)  # the lamp that runs while a stick is dropped
CURSOR_SIDE = 31
NATIVE_MAPPINGS_FROM = 0x7F0000000000  # Wine's Unix side maps its memory up here; the Windows side lies below


def cursor_rect(cursor):
    return (cursor[0], cursor[1], cursor[0] + CURSOR_SIDE, cursor[1] + CURSOR_SIDE) if cursor else None


class Looks:
    """What the screen shows, judged against the game's own bitmaps."""

    def __init__(self, game, images_dir):
        self.images_dir = images_dir
        self.player = autoplay.AutoPlayer(game, images_dir)

    def bitmap(self, name):
        return pictures.bitmap(self.images_dir, name)

    def shows(self, screen, name, source, at, key=None, skip=None, step=2):
        return pictures.shows(screen, self.bitmap(name), source, at, key=key, skip=skip, step=step)

    def classify(self, screen):
        """'menu', 'about', 'game', 'pause', 'records', or None between screens."""
        if self.shows(screen, "MainMenu_BG.bmp", (0, 0, 800, 260), (0, 0), step=7) > 0.97:
            return "menu"
        if self.shows(screen, "About_BG.bmp", (0, 0, 800, 370), (0, 0), key=BLACK, step=7) > 0.97:
            return "about"
        if self.shows(screen, "Background.bmp", (0, 0, 800, 40), (0, 0), step=5) > 0.97:
            if self.player.records_shown(screen):
                return "records"
            return "pause" if self.player.pause_shown(screen) else "game"
        return None

    def look(self, screen, button, skip=None):
        """(variant, look) that a button shows, look 0 normal, 1 highlighted, 2
        pressed; None when none matches. Only its top half is compared: a cursor
        pointing at its middle covers none of it."""
        w, h = button.size
        best = None
        for variant, corners in enumerate(button.looks):
            for look, (sx, sy) in enumerate(corners):
                share = self.shows(screen, button.image, (sx, sy, w, max(h // 2, 2)), button.at,
                                   key=button.key, skip=skip, step=2 if w < 40 else 3)
                if share > 0.9 and (best is None or share > best[0]):
                    best = (share, variant, look)
        return best[1:] if best else None

    def menu_selected(self, screen, cursor):
        """The one menu button drawn highlighted or pressed, or None."""
        lit = [b for b in MENU_BUTTONS if (self.look(screen, b, cursor_rect(cursor)) or (0, 0))[1] != 0]
        return lit[0] if len(lit) == 1 else None

    def help_page(self, screen):
        for page in (1, 2):
            if self.shows(screen, f"HelpScreen{page}.bmp", (0, 0, 375, 140), HELP_PAGE_AT, key=BLACK, step=4) > 0.97:
                return page
        return None

    def drop_lamp_at_rest(self, screen):
        x, y, w, h = DROP_LAMP
        return self.shows(screen, "Down.bmp", (0, 0, w, h), (x, y)) > 0.97


def memory_sides(pid):
    """(Windows side, native side) of the anonymous memory in KiB, from smaps: what
    lies in the Windows address space or in a Windows module (the game, the engine,
    Wine's Windows-side DLLs), and what the Unix side of Wine took (its heap, the X and
    GL libraries). It tells where growth comes from."""
    windows = native = 0
    with open(f"/proc/{pid}/smaps") as f:
        is_windows = False
        for line in f:
            fields = line.split()
            if fields and not fields[0].endswith(":") and "-" in fields[0]:
                path = fields[5] if len(fields) > 5 else ""
                start = int(fields[0].split("-")[0], 16)
                is_windows = path.lower().endswith((".dll", ".exe", ".drv")) or (
                    not path and start < NATIVE_MAPPINGS_FROM)
            elif fields and fields[0] == "Anonymous:":
                if is_windows:
                    windows += int(fields[1])
                else:
                    native += int(fields[1])
    return windows, native


class MemoryWatch:
    """Reads the game's resident anonymous memory every 10 s on a thread of its own,
    with the screen that showed at that moment; and, when the walk asks, on the menu,
    whose memory does not depend on what the game showed before."""

    def __init__(self, pid, looks, screen, started):
        self.pid, self.looks, self.screen, self.started = pid, looks, screen, started
        self.samples = []  # (seconds, KiB, screen, Windows side, native side)
        self.menu_readings = []  # (seconds, KiB, Windows side, native side, when: "first round", check n, "end")
        self.error = None
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def reading(self):
        """(KiB, screen, Windows side, native side): the screen is looked at before and
        after the reading, and named only when both agree."""
        before = self.looks.classify(self.screen.screenshot())
        kib = wb.resident_anonymous_kib(self.pid)
        windows, native = memory_sides(self.pid)
        after = self.looks.classify(self.screen.screenshot())
        return kib, before if before == after else None, windows, native

    def _run(self):
        n = 1
        while not self.stop.wait(max(0, self.started + n * SAMPLE_SECONDS - time.monotonic())):
            try:
                self.samples.append((n * SAMPLE_SECONDS, *self.reading()))
            except Exception as e:  # the game ended: the walk finds out and reports it
                self.error = e
                return
            n += 1

    def on_the_menu(self, when):
        kib = wb.resident_anonymous_kib(self.pid)
        self.menu_readings.append((time.monotonic() - self.started, kib, *memory_sides(self.pid), when))
        return kib

    def finish(self):
        self.stop.set()
        self.thread.join(timeout=30)

    def verdict(self):
        """Prints the samples and the menu's readings; answers the growth in KiB: the
        most a menu reading after the first minute took above the most of those up to
        the check at one minute."""
        print(f"memory: resident anonymous KiB of game.exe every {SAMPLE_SECONDS} s "
              "(Windows side + native side), with the screen shown")
        for t, kib, label, windows, native in self.samples:
            print(f"  {t:5d} s {kib:7d} KiB  ({windows:6d} + {native:6d})  {label or '(changing)'}")
        print("  on the menu, each minute (what the game screen takes depends on what it showed "
              "since it was entered; the menu's does not):")
        # Up to the check at one minute is the first minute.
        cut = next((i + 1 for i, r in enumerate(self.menu_readings) if r[4] == 1), 0)
        first, later = self.menu_readings[:cut], self.menu_readings[cut:]
        base = max((r[1] for r in first), default=None)
        previous = None
        for i, (t, kib, windows, native, when) in enumerate(self.menu_readings):
            name = f"check {when}" if isinstance(when, int) else when
            step = f"{kib - previous:+6d} since the last" if previous is not None else ""
            over = f"{kib - base:+6d} over the first minute" if base is not None and i >= cut else ""
            print(f"  {t:7.1f} s {kib:7d} KiB  ({windows:6d} + {native:6d})  {name:12s} {step}  {over}")
            previous = kib
        if base is None or not later:
            print("  too few readings on the menu to judge growth")
            return 0
        growth = max(r[1] for r in later) - base
        t0, t1 = first[-1][0], later[-1][0]
        print(f"  growth after the first minute: {growth:+d} KiB (limit {GROWTH_LIMIT_KIB}); "
              f"{(later[-1][1] - base) * 60 / (t1 - t0):+.1f} KiB a minute from {t0:.0f} s to {t1:.0f} s; "
              f"Windows side {later[-1][2] - first[-1][2]:+d}, native side {later[-1][3] - first[-1][3]:+d} KiB")
        return growth


class Soak:
    def __init__(self, game, rng, minutes, log_dir):
        self.game, self.rng, self.screen = game, rng, game.screen
        self.looks = Looks(game, os.path.join(game.workdir, "IMAGES"))
        self.log_dir = log_dir
        self.log = open(os.path.join(log_dir, "actions.log"), "w")
        self.recent = collections.deque(maxlen=LOG_KEEP)
        self.started = time.monotonic()
        self.deadline = self.started + minutes * 60
        self.label = None  # the screen last seen
        self.cursor = None  # where the game's cursor is, when known
        self.selected = MENU_START  # the menu's selected button, as the walk knows it
        self.page = 1
        self.over = False  # the game on the game screen is over
        self.asked_records = False  # the records table was opened with its button, not by the game's end
        self.held = set()  # keys held down now
        self.first_round_end = 0.0
        self.memory = None
        self.counts = collections.Counter()
        self.visits = collections.Counter()
        self.actions = collections.Counter()

    # ----- the record of what was done

    def note(self, text):
        line = f"{time.monotonic() - self.started:7.1f} s  [{self.label or '?'}] {text}"
        self.recent.append(line)
        self.log.write(line + "\n")
        self.log.flush()

    def elapsed(self):
        return time.monotonic() - self.started

    # ----- looking

    def shot(self):
        if not self.game.running():
            raise Fault(f"the game ended by itself with code {self.game.proc.returncode}")
        return self.screen.screenshot()

    def wait(self, predicate, what, timeout=WAIT):
        """Polls screenshots until predicate(screen) answers something true."""
        deadline = time.monotonic() + timeout
        while True:
            screen = self.shot()
            value = predicate(screen)
            if value:
                return value
            if time.monotonic() > deadline:
                raise Fault(f"no {what} within {timeout} s")
            time.sleep(0.1)

    def see(self, labels=None, what=None, timeout=WAIT):
        """Waits until the screen is one of labels (any screen when None), records the
        visit, and answers its label."""
        label = self.wait(lambda s: (lambda found: found if found and (labels is None or found in labels) else None)(
            self.looks.classify(s)), what or (f"screen of {sorted(labels)}" if labels else "screen at all"), timeout)
        if label != self.label:
            if self.label is not None:
                self.counts["screen changes"] += 1
            if label == "records" and self.label in ("game", "pause") and not self.asked_records:
                self.over = True
                self.counts["games played to the end"] += 1
            self.asked_records = False
            self.visits[label] += 1
            self.label = label
            if label == "menu":
                self.selected, self.cursor = MENU_START, (75, 290)  # every entry selects Start and puts the cursor on it
        return label

    def name_box_lit(self):
        """The name box blinks (lit 10 frames of 15): a few looks over half a second."""
        for _ in range(5):
            if self.looks.player.name_box_lit(self.shot()):
                return True
            time.sleep(0.08)
        return False

    # ----- hands

    def key(self, *keys):
        self.note("key " + " ".join(keys))
        self.actions["key"] += len(keys)
        self.screen.key(*keys)

    def hold(self, key):
        self.note(f"hold {key}")
        self.screen.key_down(key)
        self.held.add(key)

    def release(self, key):
        self.note(f"release {key}")
        self.screen.key_up(key)
        self.held.discard(key)

    def release_all(self):
        for key in list(self.held):
            self.release(key)

    def point(self, x, y):
        """The game's cursor to (x, y), seen there. The pointer waits below and right
        of the cursor (PARK), so point_at can pull both into the top-left corner."""
        try:
            self.game.point_at(x, y)
            self.wait(lambda s: wb.cursor_at(s, x, y), f"cursor at ({x}, {y})")
        except wb.BenchError as e:
            raise Fault(f"the cursor did not follow the mouse: {e}") from None
        self.cursor = (x, y)

    def park(self, verify=False):
        self.screen.xdotool("mousemove", *PARK)
        self.cursor = PARK if verify else None
        if verify:
            self.wait(lambda s: wb.cursor_at(s, *PARK), "cursor in its waiting place")

    def press(self, button, slide_off=False):
        """A left click on a button as a hand makes it: the press once the cursor is
        seen on it, the release once it shows pressed (or, with slide_off, once the
        cursor is seen off it). Answers whether it showed pressed."""
        self.note(f"click {button.name}" + (" (released beside it)" if slide_off else ""))
        self.actions["click"] += 1
        self.point(*button.center)
        self.screen.xdotool("mousedown", 1)
        try:
            pressed = self.wait(lambda s: (self.looks.look(s, button) or (0, 0))[1] == 2,
                                f"{button.name} pressed", timeout=30)
        except Fault:
            pressed = False
        if slide_off:
            self.park(verify=True)  # a release seen on the button would act
        self.screen.xdotool("mouseup", 1)
        self.park()
        if not pressed:
            self.note(f"{button.name} did not show pressed")
        return pressed

    def pressed(self, button, slide_off=False):
        """press; a button that does not show pressed while its screen still shows is
        a fault. Answers False when the screen changed by itself (a game that ended)."""
        before = self.label
        if self.press(button, slide_off):
            return True
        if self.see() == before:
            raise Fault(f"{button.name} did not show pressed within 30 s on the {before} screen")
        return False

    def click(self, button, labels):
        """pressed, then the screen one of labels."""
        if not self.pressed(button):
            return self.label
        return self.see(labels, f"screen of {sorted(labels)} after {button.name}")

    def hover(self):
        x, y = self.rng.randrange(0, 781), self.rng.randrange(0, 581)
        self.note(f"mouse to ({x}, {y})")
        self.actions["mouse move"] += 1
        self.point(x, y)
        time.sleep(self.rng.uniform(0.05, 0.8))
        self.park(verify=True)
        if self.label == "menu":
            # A button the cursor was seen on is selected, and stays lit when it leaves
            # (checked once it has left: the cursor can hide all of a small button).
            for b in MENU_BUTTONS:
                if b.contains(x, y):
                    self.selected = b
                    self.wait(lambda s: self.looks.menu_selected(s, PARK) is b, f"{b.name} selected by the mouse")

    def right_click(self):
        x, y = self.rng.randrange(0, 781), self.rng.randrange(0, 581)
        self.note(f"right click at ({x}, {y})")
        self.actions["right click"] += 1
        self.point(x, y)
        self.screen.xdotool("mousedown", 3)
        time.sleep(0.15)
        self.screen.xdotool("mouseup", 3)
        self.park(verify=True)

    def noise(self, keys):
        """A key that does nothing on this screen."""
        self.key(self.rng.choice(keys))

    # ----- the screens

    def menu_step(self):
        def move(key):
            order = MENU_BUTTONS
            i = order.index(self.selected) + (1 if key == "Down" else -1)
            moved = 0 <= i < len(order)
            self.key(key)
            if moved:
                self.selected = order[i]
                self.cursor = (self.selected.at[0] + 20, self.selected.at[1] + 20)
            self.wait(lambda s: self.looks.menu_selected(s, self.cursor) is self.selected,
                      f"{self.selected.name} selected after {key}")

        def enter():
            for _ in range(3):
                shown = self.looks.menu_selected(self.shot(), self.cursor)
                if shown:
                    break
                time.sleep(0.1)
            else:
                # The Sound button switched by the mouse is drawn plain while the
                # pointer is off it, though selected: a key lights the selection first.
                return move("Down" if self.selected is MENU_START else "Up")
            if shown is not self.selected:
                self.note(f"the walk thought {self.selected.name} selected, the screen shows {shown.name}")
                self.selected = shown
                return
            if shown is MENU_CLOSE:
                return move("Up")
            if shown is MENU_SOUND:
                before = self.wait(lambda s: self.looks.look(s, MENU_SOUND, cursor_rect(self.cursor)), "Sound's look")
                self.key("Return")
                self.counts["sound switched"] += 1
                self.wait(lambda s: (self.looks.look(s, MENU_SOUND, cursor_rect(self.cursor)) or before)[0] != before[0],
                          "Sound showing the other sound state")
                return
            self.key("Return")
            self.start_or_about(MENU_START if shown is MENU_START else MENU_ABOUT)

        def click(button):
            self.pressed(button)
            if button is MENU_SOUND:
                self.counts["sound switched"] += 1
                self.selected = MENU_SOUND
                self.see({"menu"})
            else:
                self.start_or_about(button)

        def close_beside():
            self.pressed(MENU_CLOSE, slide_off=True)
            self.selected = MENU_CLOSE
            self.see({"menu"})

        self.choose([
            (3, lambda: move("Up")), (3, lambda: move("Down")), (5, enter),
            (2, lambda: self.noise(["space", "Left", "Right", "y", "n", self.rng.choice(string.ascii_lowercase)])),
            (2, self.hover), (1, self.right_click),
            (2, lambda: click(MENU_START)), (1, lambda: click(MENU_SOUND)), (3, lambda: click(MENU_ABOUT)),
            (1, close_beside),
        ])

    def start_or_about(self, button):
        if button is MENU_START:
            self.see({"game"}, "the game screen after Start")
            self.new_game()
        else:
            self.see({"about"}, "the about screen after About")

    def new_game(self, play=True):
        self.counts["games started"] += 1
        self.over = False
        if play and self.rng.random() < 0.3:
            self.play_well()

    def about_step(self):
        def turn(key, button=None):
            self.page = max(1, self.page - 1) if key == "Up" else min(2, self.page + 1)
            if button:
                self.pressed(button)
            else:
                self.key(key)
            self.wait(lambda s: self.looks.help_page(s) == self.page, f"help page {self.page}")

        def back(button=None):
            if button:
                self.pressed(button)
            else:
                self.key("Escape")
            self.see({"menu"}, "the menu after leaving the about screen")

        self.choose([
            (2, lambda: turn("Up")), (2, lambda: turn("Down")), (3, back),
            (2, lambda: self.noise(["Return", "space", "Left", "Right", "y", "n"])),
            (2, lambda: turn("Up", ABOUT_PREVIOUS)), (2, lambda: turn("Down", ABOUT_NEXT)),
            (2, lambda: back(ABOUT_BACK)), (1, self.hover), (1, self.right_click),
        ])

    def game_step(self):
        def hold_space():
            self.hold("space")
            time.sleep(self.rng.uniform(0.1, 2.5))
            self.release("space")

        def across_pause():
            # Space held into the pause window and let go there: the game does not
            # see the release, and the stick drops on after the window closes until
            # it lands.
            self.hold("space")
            time.sleep(self.rng.uniform(0.05, 0.4))
            self.key("Escape")
            if self.see({"pause", "records"}) == "pause":
                self.release("space")
                time.sleep(self.rng.uniform(0.1, 1.0))
                self.key("n")
                self.see({"game", "records"})
            else:
                self.release("space")

        def pause():
            self.key("Escape")
            self.see({"pause", "records"})

        def sound():
            if self.pressed(GAME_SOUND):
                self.counts["sound switched"] += 1
            self.see({"game", "records"})

        def best():
            self.asked_records = True
            self.click(GAME_RECORDS, {"records"})

        def restart():
            if self.pressed(GAME_NEW):
                self.counts["screen changes"] += 1  # the game screen left and entered again
                time.sleep(0.3)  # the release is read in the next frame
                self.see({"game"})
                self.new_game()

        self.choose([
            (3, lambda: self.key("Left")), (3, lambda: self.key("Right")),
            (2, lambda: self.key("Up")), (2, lambda: self.key("Down")),
            (2, lambda: self.key("space")), (3, hold_space), (1, across_pause),
            (3, pause), (1, lambda: self.noise(["Return", "y", "n", self.rng.choice(string.ascii_lowercase)])),
            (1, restart), (2, best), (1, sound), (2, lambda: self.click(GAME_PAUSE, {"pause", "records"})),
            (1, self.hover), (1, self.right_click), (1, self.play_to_the_end),
        ])

    def pause_step(self):
        def leave(how):
            if how in ("y", "Return"):
                self.key(how)
            else:
                self.pressed(PAUSE_YES)
            self.see({"menu"}, "the menu after leaving the game")

        def resume(how):
            if how in ("n", "Escape"):
                self.key(how)
                self.see({"game", "records"})
            else:
                self.click(PAUSE_NO, {"game", "records"})

        self.choose([
            (3, lambda: resume("n")), (3, lambda: resume("Escape")), (2, lambda: resume(PAUSE_NO)),
            (2, lambda: leave("y")), (1, lambda: leave("Return")), (2, lambda: leave(PAUSE_YES)),
            (2, lambda: self.noise(["space", "Up", "Down", "Left", "Right", self.rng.choice(string.ascii_lowercase)])),
            (1, self.hover), (1, self.right_click),
        ])

    def records_step(self):
        if self.over and self.name_box_lit():
            return self.name_step()

        def close(how):
            if how == "Escape":
                self.key("Escape")
                label = self.see({"game", "records"})
            else:
                label = self.click(RECORDS_CLOSE, {"game", "records"})
            if label == "records":
                self.over = True  # the game's end opens the table again at once

        self.choose([
            (3, lambda: close("Escape")), (2, lambda: close(RECORDS_CLOSE)), (3, self.records_new_game),
            (2, lambda: self.noise(["Return", "space", "Up", "Down", "Left", "Right", "y", "n",
                                    self.rng.choice(string.ascii_lowercase)])),
            (1, self.hover), (1, self.right_click),
        ])

    def records_new_game(self, play=True):
        if self.pressed(RECORDS_NEW):
            self.see({"game"}, "a new game after the records table's new-game button")
            self.new_game(play)

    def name_step(self):
        def typed():
            keys = [self.rng.choice(string.ascii_lowercase + string.digits) for _ in range(self.rng.randint(1, 6))]
            if self.rng.random() < 0.2:
                keys[0] = "shift+" + keys[0]
            self.counts["letters typed"] += len(keys)
            self.key(*keys)

        def store(how):
            self.key(how)
            self.wait(lambda s: not self.looks.player.name_box_lit(s) and self.looks.player.records_shown(s)
                      and not self.name_box_lit(), "the name stored and its box gone")
            self.counts["names stored"] += 1

        self.choose([
            (6, typed), (2, lambda: self.key("BackSpace")), (1, lambda: self.key("Delete")),
            (2, lambda: store("Return")), (1, lambda: store("Escape")),
            (1, lambda: self.noise(["Up", "Down", "Left", "Right", "F2"])),
            (1, lambda: self.click(RECORDS_CLOSE, {"records"})), (1, self.records_new_game), (1, self.hover),
        ])

    def choose(self, weighted):
        total = sum(w for w, _ in weighted)
        pick = self.rng.uniform(0, total)
        for w, action in weighted:
            pick -= w
            if pick <= 0:
                return action()
        return weighted[-1][1]()

    # ----- longer plays

    def play_well(self):
        """A new game played by the reading player: sticks placed until one makes a
        line, then dropped until the game is over. The stick must still be at the top:
        the game starts without waiting."""
        self.note("play a game: place sticks until a line, then drop them to the end")
        self.counts["games played well"] += 1
        player = autoplay.AutoPlayer(self.game, self.looks.images_dir)
        stick = player.read_falling_at_top(self.shot())
        try:
            if stick and player.read_preview(self.shot()):
                player.play_until_scored(stick)
            player.play_until_over()
        except wb.BenchError as e:
            self.note(f"the reading player gave up: {e}")
        self.see()

    def play_to_the_end(self):
        """Sticks dropped where they fall until the game is over."""
        self.note("drop sticks until the game is over")
        try:
            autoplay.AutoPlayer(self.game, self.looks.images_dir).play_until_over(timeout=120)
        except wb.BenchError as e:
            self.note(f"dropping gave up: {e}")
        self.see()

    # ----- the checks

    def check_answers(self, when):
        """Keys must visibly change the screen on the way to the menu: a help page
        turned and Escape; in a game, the drop lamp at rest (no key is stuck down),
        Escape opening the pause window and Y leaving it; a table is left with its
        new-game button. On the menu Down or Up must move the highlight; the memory
        is read there, where it does not depend on what the game showed before."""
        self.note(f"check {when}: keys answer on the way to the menu")
        self.counts["checks"] += 1
        for _ in range(8):
            label = self.see()
            if label == "menu":
                key = "Up" if self.selected is MENU_CLOSE else "Down"
                order = MENU_BUTTONS
                want = order[order.index(self.selected) + (1 if key == "Down" else -1)]
                self.key(key)
                self.selected, self.cursor = want, (want.at[0] + 20, want.at[1] + 20)
                self.wait(lambda s: self.looks.menu_selected(s, self.cursor) is want, f"{key} moving the highlight")
                time.sleep(0.5)
                self.memory.on_the_menu(when)
                return
            if label == "about":
                self.page = 2 if self.page == 1 else 1
                self.key("Down" if self.page == 2 else "Up")
                self.wait(lambda s: self.looks.help_page(s) == self.page, f"help page {self.page} after a key")
                self.key("Escape")
                self.see({"menu"}, "the menu after Escape on the about screen")
            elif label == "records":
                if self.over and self.name_box_lit():
                    self.key("Return")
                self.records_new_game(play=False)
            elif label == "game":
                self.wait(lambda s: self.looks.classify(s) != "game" or all(
                    self.looks.drop_lamp_at_rest(self.shot()) for _ in range(4)),
                    "the drop lamp at rest with no key held", timeout=30)
                self.key("Escape")
                self.see({"pause", "records"}, "the pause window after Escape")
            elif label == "pause":
                self.key("y")
                self.see({"menu"}, "the menu after Y in the pause window")
        raise Fault("the check could not get to the menu")

    # ----- the run

    def first_round(self):
        """Every screen once: the menu, both help pages, a game played to a line and to
        its end, a name typed, the table, the pause window, and back to the menu."""
        self.see({"menu"}, "the menu")
        self.key("Down")
        self.key("Down")
        self.selected = MENU_ABOUT
        self.key("Return")
        self.see({"about"})
        self.key("Down")
        self.page = 2
        self.wait(lambda s: self.looks.help_page(s) == 2, "help page 2")
        self.key("Escape")
        self.see({"menu"})
        self.key("Return")
        self.see({"game"})
        self.counts["games started"] += 1
        self.play_well()
        if self.see() != "records":
            self.play_to_the_end()
        if self.see() == "records" and self.name_box_lit():
            self.key("Delete", "s", "o", "a", "k")
            self.key("Return")
            self.counts["names stored"] += 1
        self.see({"records"})
        self.key("Escape")
        self.see({"records"})
        self.records_new_game(play=False)
        self.click(GAME_RECORDS, {"records"})
        self.key("Escape")
        self.see({"game"})
        self.key("Escape")
        self.see({"pause"})
        self.key("n")
        self.see({"game"})
        self.click(GAME_PAUSE, {"pause"})
        self.click(PAUSE_YES, {"menu"})
        self.first_round_end = self.elapsed()
        self.memory.on_the_menu("first round")
        self.note("first round done")

    def walk(self):
        steps = {"menu": self.menu_step, "about": self.about_step, "game": self.game_step,
                 "pause": self.pause_step, "records": self.records_step}
        next_check = self.started + CHECK_SECONDS
        checks = 0
        next_report = self.started + 60
        while time.monotonic() < self.deadline:
            if self.memory.error and self.game.running():
                raise Fault(f"the memory of the game could not be read: {self.memory.error}")
            if time.monotonic() >= next_check:
                checks += 1
                self.check_answers(checks)
                next_check += CHECK_SECONDS
            if time.monotonic() >= next_report:
                print(f"  {self.elapsed() / 60:4.1f} min: {self.actions.total()} actions, "
                      f"{self.counts['screen changes']} screen changes, {self.counts['games started']} games", flush=True)
                next_report += 60
            label = self.see()
            steps[label]()
            time.sleep(self.rng.uniform(0, 0.3))

def run(build_dir, minutes, seed):
    log_dir = os.path.join(build_dir, "soak")
    os.makedirs(log_dir, exist_ok=True)
    for name in os.listdir(log_dir):
        os.remove(os.path.join(log_dir, name))
    print(f"soak: {minutes:g} minutes, seed {seed} (repeat: ./soak {minutes:g} --seed {seed})", flush=True)
    rng = random.Random(seed)
    with wb.GameRun(build_dir) as game:
        soak = Soak(game, rng, minutes, log_dir)
        code = None
        try:
            game.wait_window()
            exe = os.path.join(game.workdir, "game.exe")
            pid = wb.wait_for(lambda: wb.wine_process_of(exe, game.wine_dir), 60, what="the game's process")
            soak.park()
            soak.memory = MemoryWatch(pid, soak.looks, game.screen, soak.started)
            soak.first_round()
            print(f"  first round done at {soak.first_round_end:.0f} s", flush=True)
            soak.walk()
            soak.release_all()
            soak.check_answers("end")
            soak.key("Escape")
            soak.note("Escape on the menu")
            code = game.wait_exit(60)
        except (Fault, wb.BenchError) as e:
            soak.release_all()
            report_fault(soak, game, e)
            return 1
        finally:
            soak.release_all()
            if soak.memory:
                soak.memory.finish()
        growth = soak.memory.verdict()
        summary(soak, code)
        if code != 0:
            print(f"FAIL: the game ended with code {code}, not 0")
            return 1
        if growth > GROWTH_LIMIT_KIB:
            print(f"FAIL: memory grew by {growth} KiB after the first round, more than {GROWTH_LIMIT_KIB} KiB")
            return 1
        print(f"PASS (seed {seed})")
        return 0


def summary(soak, code):
    c = soak.counts
    print(f"soak: {soak.elapsed() / 60:.1f} minutes, {soak.actions.total()} actions "
          f"({', '.join(f'{k} {v}' for k, v in sorted(soak.actions.items()))})")
    print(f"  screen changes {c['screen changes']}; visits: " +
          ", ".join(f"{k} {v}" for k, v in sorted(soak.visits.items())))
    print(f"  games started {c['games started']}, played to the end {c['games played to the end']} "
          f"({c['games played well']} by the reading player); names stored {c['names stored']}, "
          f"letters typed {c['letters typed']}; sound switched {c['sound switched']} times; "
          f"checks that a key answers {c['checks']}")
    print(f"  exit code {code}")


def report_fault(soak, game, error):
    print(f"FAIL after {soak.elapsed():.0f} s: {error}")
    path = os.path.join(soak.log_dir, "failure.png")
    with contextlib.suppress(Exception):
        game.screen.screenshot(path)
        print(f"  screen at the failure: {path}")
    print("  the last actions:")
    for line in soak.recent:
        print("    " + line)
    if soak.memory:
        soak.memory.finish()
        soak.memory.verdict()
    summary(soak, game.proc.returncode if not game.running() else "(still running)")
    tail = [line for line in game.output().splitlines() if not line.startswith("ALSA lib")][-20:]
    if tail:
        print("  the game's last output:")
        for line in tail:
            print("    " + line)
    print(f"  full log of actions: {os.path.join(soak.log_dir, 'actions.log')}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", required=True, help="the build folder (build/x64)")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--seed", type=int, default=None, help="default: $SOAK_SEED, else a new one")
    parser.add_argument("--up", action="store_true", help="bring the bench up when it is not")
    parser.add_argument("--game", help="the build folder whose game is played (default: --build)")
    args = parser.parse_args()
    wb.use_game_build(args.game)
    seed = args.seed if args.seed is not None else int(os.environ.get("SOAK_SEED") or random.SystemRandom().randrange(10**6))
    build_dir = os.path.abspath(args.build)
    wine_dir = os.path.join(build_dir, "wine")
    if args.up and not wb.current_display(wine_dir):
        wb.up(wine_dir)
    return run(build_dir, args.minutes, seed)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The game played from outside under Wine: sticks read off the screen and placed
with the keyboard until one makes a line, the pause window, play to game over, a
name typed into the records table, and the record found again after a restart."""
import contextlib
import glob
import os
import shutil
import stat
import struct
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import autoplay  # noqa: E402
import winebench as wb  # noqa: E402


def text_in(screen, left, top, right, bottom):
    """Pixels of light text in a rectangle."""
    return sum(1 for y in range(top, bottom) for x in range(left, right) if min(screen.pixel(x, y)) > 200)


def type_slowly(game, *keys):
    """Keys a few frames apart: a frame reads at most 16 key transitions."""
    for key in keys:
        game.screen.key(key)
        time.sleep(0.15)


def quiet(capture, seconds=0.5):
    """Waits until nothing loud has been recorded for a while; answers the file's size."""
    def settled():
        size = os.path.getsize(capture)
        time.sleep(seconds)
        return wb.loud_samples(capture, size)[0] == 0 and (os.path.getsize(capture),)
    return wb.wait_for(settled, 30, what="the sound to end")[0]


@contextlib.contextmanager
def read_only(folder):
    """No file can be made, renamed or removed in folder, not even by root: it is made
    immutable, or where the file system cannot, mounted read-only over itself."""
    if subprocess.run(["chattr", "+i", folder], stderr=subprocess.DEVNULL).returncode == 0:
        undo = ["chattr", "-i", folder]
    else:
        subprocess.run(["mount", "--bind", folder, folder], check=True)
        subprocess.run(["mount", "-o", "remount,bind,ro", folder], check=True)
        undo = ["umount", folder]
    try:
        yield
    finally:
        subprocess.run(undo, check=True)


class Game(unittest.TestCase):
    def player(self, game):
        game.wait_window()
        return autoplay.AutoPlayer(game, os.path.join(wb.BUILD_DIR, "Triwell", "IMAGES"))

    def test_a_game_played_to_a_record_that_a_restart_shows(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            player = self.player(game)
            player.play_until_scored(player.start())

            game.screen.key("Escape")
            game.wait_screen(player.pause_shown, what="the pause window")
            game.screen.key("n")
            game.wait_screen(lambda s: not player.pause_shown(s), what="the game resumed")

            player.play_until_over()
            game.wait_screen(player.name_box_lit, what="the name box")
            type_slowly(game, "Delete", "shift+t", "e", "s", "t", "e", "r", "Return")
            path = os.path.join(game.workdir, "Records.dat")
            wb.wait_for(lambda: os.path.exists(path), 30, what="Records.dat")
            with open(path, "rb") as f:
                stored = f.read()
            self.assertEqual(len(stored), 340)
            self.assertEqual(stored[0:7], b"\x06Tester")
            self.assertGreater(int.from_bytes(stored[30:34], "little", signed=True), 0)
            self.assertEqual(stored[34:], bytes(340 - 34), "one record in a new file")

            player.click(autoplay.RECORDS_NEW_GAME)
            game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
            self.assertEqual(player.leave(), 0)

        def keep_record(folder):
            with open(os.path.join(folder, "Records.dat"), "wb") as f:
                f.write(stored)

        with wb.GameRun(wb.BUILD_DIR, folder_setup=keep_record) as game:
            player = self.player(game)
            player.start()
            player.click(autoplay.BEST_BUTTON)
            screen = game.wait_screen(player.records_shown, what="the records table")
            self.assertGreater(text_in(screen, 234, 174, 360, 190), 20, "the first row shows the name")
            self.assertEqual(text_in(screen, 234, 194, 360, 210), 0, "the second row has none")
            game.screen.key("Escape")
            game.wait_screen(lambda s: not player.records_shown(s), what="the game again")
            self.assertEqual(player.leave(), 0)

    def test_landings_are_heard_only_while_the_sound_button_is_on(self):
        run, capture = wb.capturing_run(wb.BUILD_DIR)
        with run as game:
            player = self.player(game)
            player.start()
            wb.wait_for(lambda: os.path.exists(capture), 30, what="the capture file")
            for button, heard in ((None, False), (autoplay.SOUND_BUTTON_OFF, True), (autoplay.SOUND_BUTTON_ON, False)):
                if button:
                    player.click(button)
                before = quiet(capture)
                player.drop()
                if heard:
                    wb.wait_for(lambda: wb.loud_samples(capture, before)[0] > 0, 30, what="a landing heard")
                else:
                    time.sleep(1.5)
                    self.assertEqual(wb.loud_samples(capture, before)[0], 0, "a landing is silent with sound off")
            self.assertEqual(player.leave(), 0)

    def test_minimised_nothing_moves_no_key_stays_down_and_the_table_comes_back(self):
        window = "TavrikEngine2DWindowClass"

        def away(game, seconds, while_away=()):
            game.probe("minimize", window)
            wb.wait_for(lambda: game.probe("iconic", window) == "1", 30, what="the window minimised")
            for action in while_away:
                action()
            time.sleep(seconds)  # the time frames would need to move the stick a long way
            game.probe("restore", window)
            wb.wait_for(lambda: game.probe("iconic", window) == "0", 30, what="the window restored")

        with wb.GameRun(wb.BUILD_DIR) as game:
            player = self.player(game)
            player.play_until_scored(player.start())  # blocks in the well, and a score for the table
            shown = lambda s: player.stick_row(s) is not None and player.read_preview(s)
            last = [None]

            def room(screen):
                """Free rows below the stick: each takes 1.2 s to fall."""
                height = sum(1 for colour in player.read_well(screen)[player.column - 1] if colour)
                return autoplay.ROWS - height - (player.stick_row(screen) + 2)

            def at_rest(screen):  # the explosions over, the well reads the same twice, room to fall
                well = player.read_well(screen)
                same, last[0] = well == last[0], well
                return same and shown(screen) and room(screen) >= 6
            before = game.wait_screen(at_rest, what="the well at rest")
            away(game, 6)
            after = game.wait_screen(shown, what="the game drawn again")
            self.assertEqual(player.read_well(after), player.read_well(before), "the well is painted again")
            self.assertLessEqual(player.stick_row(after) - player.stick_row(before), 2,
                                 "the stick did not fall while the game was away (5 rows in 6 s)")

            # Space goes down, the game goes away, Space comes up unseen: the drop ends.
            game.screen.key_down("space")
            away(game, 1, [lambda: game.screen.key_up("space")])
            first = game.wait_screen(shown, what="the game drawn again")
            time.sleep(1.5)
            later = game.wait_screen(shown, what="the game a moment later")
            self.assertEqual(player.read_well(later), player.read_well(first), "no stick landed: no drop went on")
            self.assertLessEqual(player.stick_row(later) - player.stick_row(first), 2)

            player.play_until_over()
            game.wait_screen(player.name_box_lit, what="the name box")
            away(game, 1, [lambda: type_slowly(game, "x", "y", "Return")])  # typed while away: never read
            game.wait_screen(lambda s: player.records_shown(s) and player.name_box_lit(s), what="the table again")
            type_slowly(game, "Return")
            path = os.path.join(game.workdir, "Records.dat")
            wb.wait_for(lambda: os.path.exists(path), 30, what="Records.dat")
            with open(path, "rb") as f:
                self.assertEqual(f.read(7), b"\x06Player", "the name as it was before the window went away")
            player.click(autoplay.RECORDS_NEW_GAME)
            game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
            self.assertEqual(player.leave(), 0)

    def test_a_read_only_game_folder_keeps_its_records_for_the_next_start(self):
        spare_folders = lambda: wb.spare_records_folders(os.path.join(wb.BUILD_DIR, "wine"))
        try:
            # The run starts without records in the application data.
            with wb.GameRun(wb.BUILD_DIR) as game, read_only(game.workdir):
                player = self.player(game)
                player.play_until_scored(player.start())
                player.play_until_over()
                game.wait_screen(player.name_box_lit, what="the name box")
                type_slowly(game, "Delete", "shift+t", "e", "s", "t", "e", "r", "Return")
                spare = lambda: [os.path.join(f, "Records.dat") for f in spare_folders()
                                 if os.path.exists(os.path.join(f, "Records.dat"))]
                path = wb.wait_for(spare, 30, what="the records in the application data")[0]
                with open(path, "rb") as f:
                    stored = f.read()
                self.assertEqual(len(stored), 340)
                self.assertEqual(stored[0:7], b"\x06Tester")
                self.assertEqual(sorted(os.listdir(game.workdir)), sorted(os.listdir(os.path.join(wb.BUILD_DIR, "Triwell"))),
                                 "nothing written in the game folder")
                player.click(autoplay.RECORDS_NEW_GAME)
                game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
                self.assertEqual(player.leave(), 0)

            # The next start, from a read-only folder as it was unpacked, shows the record.
            with wb.GameRun(wb.BUILD_DIR, keep_spare_records=True) as game, read_only(game.workdir):
                player = self.player(game)
                player.start()
                player.click(autoplay.BEST_BUTTON)
                screen = game.wait_screen(player.records_shown, what="the records table")
                self.assertGreater(text_in(screen, 234, 174, 360, 190), 20, "the first row shows the name")
                game.screen.key("Escape")
                game.wait_screen(lambda s: not player.records_shown(s), what="the game again")
                self.assertEqual(player.leave(), 0)
        finally:
            for folder in spare_folders():
                shutil.rmtree(folder)

    def test_a_spare_copy_is_joined_once_and_deleting_records_dat_empties_the_table(self):
        wine_dir = os.path.join(wb.BUILD_DIR, "wine")
        local = glob.glob(os.path.join(wb.prefix_dir(wine_dir), "drive_c", "users", "*", "AppData", "Local"))
        local = [f for f in local if os.sep + "Public" + os.sep not in f]
        self.assertEqual(len(local), 1, "one user in the prefix")
        spare = os.path.join(local[0], "Triwell", "Records.dat")

        def entry(name, score):
            name = name.encode()
            return bytes([len(name)]) + name.ljust(21, b"\0") + struct.pack("<di", 45000.0, score)
        here = entry("Here", 10).ljust(340, b"\0")

        def folder_and_spare(folder):
            with open(os.path.join(folder, "Records.dat"), "wb") as f:
                f.write(here)
            os.makedirs(os.path.dirname(spare), exist_ok=True)
            with open(spare, "wb") as f:
                f.write((entry("Away", 20) + entry("Here", 10)).ljust(340, b"\0"))

        rows_with_names = lambda screen: [text_in(screen, 234, y, 360, y + 16) > 20 for y in (174, 194, 214)]
        try:
            # A start from a writable game folder joins the spare copy in and removes it.
            with wb.GameRun(wb.BUILD_DIR, folder_setup=folder_and_spare) as game:
                player = self.player(game)
                player.start()
                player.click(autoplay.BEST_BUTTON)
                screen = game.wait_screen(player.records_shown, what="the records table")
                self.assertEqual(rows_with_names(screen), [True, True, False], "both copies' records, once each")
                self.assertFalse(os.path.exists(spare), "the spare copy is gone")
                with open(os.path.join(game.workdir, "Records.dat"), "rb") as f:
                    self.assertEqual(f.read()[:68], entry("Away", 20) + entry("Here", 10))
                game.screen.key("Escape")
                game.wait_screen(lambda s: not player.records_shown(s), what="the game again")
                self.assertEqual(player.leave(), 0)
                # What the game left in its folder but Records.dat, which the player deletes.
                kept = {}
                for name in os.listdir(game.workdir):
                    if name.startswith("Records.") and name != "Records.dat":
                        with open(os.path.join(game.workdir, name), "rb") as f:
                            kept[name] = f.read()

            def folder_without_records_dat(folder):
                for name, data in kept.items():
                    with open(os.path.join(folder, name), "wb") as f:
                        f.write(data)

            # The next start shows an empty table; no copy elsewhere brings a record back.
            with wb.GameRun(wb.BUILD_DIR, keep_spare_records=True, folder_setup=folder_without_records_dat) as game:
                player = self.player(game)
                player.start()
                player.click(autoplay.BEST_BUTTON)
                screen = game.wait_screen(player.records_shown, what="the records table")
                self.assertEqual(rows_with_names(screen), [False, False, False], "an empty table")
                game.screen.key("Escape")
                game.wait_screen(lambda s: not player.records_shown(s), what="the game again")
                self.assertEqual(player.leave(), 0)
        finally:
            shutil.rmtree(os.path.dirname(spare), ignore_errors=True)

    def test_missing_and_broken_files_leave_a_game_that_plays_and_ends_with_code_0(self):
        window = "TavrikEngine2DWindowClass"
        empty = b""

        def remove_folder(name):
            return lambda folder: shutil.rmtree(os.path.join(folder, name))

        def write(name, data, read_only=False):
            def setup(folder):
                path = os.path.join(folder, name)
                with open(path, "wb") as f:
                    f.write(data)
                if read_only:
                    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
            return setup

        old_table = (bytes([3]) + b"Old".ljust(21, b"\0") + struct.pack("<d", 45000) + struct.pack("<i", 1)) * 10
        cases = [
            # name, folder set-up, pictures to read the game by, what Records.dat holds afterwards
            ("no IMAGES folder", remove_folder("IMAGES"), False, None),
            ("no SOUNDS folder", remove_folder("SOUNDS"), True, "Tester"),
            ("an empty Records.dat", write("Records.dat", empty), True, "Tester"),
            ("a read-only Records.dat", write("Records.dat", old_table, read_only=True), True, old_table),
            ("text for the explosion picture", write(os.path.join("IMAGES", "Explosion.bmp"), b"not a picture\n"),
             True, "Tester"),
        ]
        for name, setup, pictures_there, records in cases:
            with self.subTest(name), wb.GameRun(wb.BUILD_DIR, folder_setup=setup) as game:
                if not pictures_there:
                    # Played blind: Enter starts a game, sticks dropped in one column end it,
                    # and the records table's text shows; the window is then closed.
                    game.wait_window()
                    row_numbers = lambda s: text_in(s, 204, 174, 216, 360) > 50
                    for _ in range(40):
                        if row_numbers(game.screen.screenshot()):
                            break
                        # Enter starts the game from the menu and is ignored on the game screen.
                        game.screen.key("Return")
                        game.screen.key_down("space")
                        time.sleep(1.0)
                        game.screen.key_up("space")
                    game.wait_screen(row_numbers, what="the records table's text")
                    game.probe("close", window)
                    self.assertEqual(game.wait_exit(60), 0)
                    continue
                player = self.player(game)
                stick = player.start()
                player.click(autoplay.SOUND_BUTTON_OFF)  # sound on: every sound is asked for
                player.play_until_scored(stick)
                player.play_until_over()
                game.wait_screen(player.name_box_lit, what="the name box")
                type_slowly(game, "Delete", "shift+t", "e", "s", "t", "e", "r", "Return")
                game.wait_screen(lambda s: not player.name_box_lit(s) and text_in(s, 234, 174, 360, 190) > 20,
                                 what="the record in the table")
                player.click(autoplay.RECORDS_NEW_GAME)
                game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
                self.assertEqual(player.leave(), 0)
                with open(os.path.join(game.workdir, "Records.dat"), "rb") as f:
                    stored = f.read()
                if isinstance(records, bytes):
                    self.assertEqual(stored, records, "the read-only file as it was")
                else:
                    self.assertEqual(len(stored), 340)
                    self.assertEqual(stored[1:1 + len(records)], records.encode())


if __name__ == "__main__":
    wb.e2e_main()

#!/usr/bin/env python3
"""The game played from outside under Wine: sticks read off the screen and placed
with the keyboard until one makes a line, the pause window, play to game over, a
name typed into the records table, and the record found again after a restart."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import autoplay  # noqa: E402
import pictures  # noqa: E402
import winebench as wb  # noqa: E402

PAUSE_AT = (243, 150)
# Buttons: where they are, their bitmap and where its pressed look is.
RECORDS_NEW_GAME = ((500, 434), "Records_Buttons.bmp", (60, 0))
BEST_BUTTON = ((625, 520), "Buttons.bmp", (30, 60))
NAME_BOX = (234, 374, 360, 392)
BLUE = (0, 28, 255)  # 0x00FF in 5-6-5
FAR_CORNER = (wb.SCREEN_W - 1, wb.SCREEN_H - 1)


def images_dir():
    return os.path.join(wb.BUILD_DIR, "Triwell", "IMAGES")


def pause_shown(screen):
    window = pictures.bitmap(images_dir(), "PauseWindow_BG.bmp")
    return pictures.shows(screen, window, (0, 0, 315, 305), PAUSE_AT, key=(0, 255, 0), step=5) > 0.95


def name_box_lit(screen):
    x0, y0, x1, y1 = NAME_BOX
    return all(pictures.close_enough(screen.pixel(x, y0 + 1), BLUE) for x in range(x1 - 20, x1 - 2))


def text_in(screen, left, top, right, bottom):
    """Pixels of light text in a rectangle."""
    return sum(1 for y in range(top, bottom) for x in range(left, right) if min(screen.pixel(x, y)) > 200)


class Game(unittest.TestCase):
    def start_game(self, game):
        game.wait_window()
        game.wait_screen(lambda s: s.pixel(80, 290) != (0, 0, 0), what="the menu")
        game.screen.key("Return")
        player = autoplay.AutoPlayer(game, images_dir())
        stick = player.start()
        game.point_at(*FAR_CORNER)  # the cursor out of the well's way
        return player, stick

    def click(self, game, button):
        """A click as a hand makes it. The mouse is read by state once a frame: the press
        comes after a frame has seen the cursor on the button, and lasts until the button
        shows it."""
        (x, y), name, pressed = button
        game.point_at(x + 15, y + 15)
        game.wait_screen(lambda s: wb.cursor_at(s, x + 15, y + 15), what="the cursor on the button")
        game.screen.xdotool("mousedown", 1)
        image = pictures.bitmap(images_dir(), name)
        game.wait_screen(lambda s: pictures.shows(s, image, (*pressed, 15, 15), (x, y)) > 0.9,
                         what=f"the button of {name} pressed")
        game.screen.xdotool("mouseup", 1)

    def leave(self, game):
        """From a running game: the pause window, yes, and Escape on the menu."""
        game.screen.key("Escape")
        game.wait_screen(pause_shown, what="the pause window")
        game.screen.key("y")
        game.wait_screen(lambda s: not pause_shown(s) and s.pixel(80, 290) != (0, 0, 0), what="the menu")
        game.screen.key("Escape")
        self.assertEqual(game.wait_exit(60), 0)

    def test_a_game_played_to_a_record_that_a_restart_shows(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            player, stick = self.start_game(game)
            player.play_until_scored(stick)

            game.screen.key("Escape")
            game.wait_screen(pause_shown, what="the pause window")
            game.screen.key("n")
            game.wait_screen(lambda s: not pause_shown(s), what="the game resumed")

            player.play_until_over()
            game.wait_screen(name_box_lit, what="the name box")
            game.screen.key("Delete", "shift+t", "e", "s", "t", "e", "r", "Return")
            path = os.path.join(game.workdir, "Records.dat")
            wb.wait_for(lambda: os.path.exists(path), 30, what="Records.dat")
            with open(path, "rb") as f:
                stored = f.read()
            self.assertEqual(len(stored), 340)
            self.assertEqual(stored[0:7], b"\x06Tester")
            self.assertGreater(int.from_bytes(stored[30:34], "little", signed=True), 0)
            self.assertEqual(stored[34:], bytes(340 - 34), "one record in a new file")

            self.click(game, RECORDS_NEW_GAME)
            game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
            self.leave(game)

        def keep_record(folder):
            with open(os.path.join(folder, "Records.dat"), "wb") as f:
                f.write(stored)

        with wb.GameRun(wb.BUILD_DIR, folder_setup=keep_record) as game:
            player, _ = self.start_game(game)
            self.click(game, BEST_BUTTON)
            screen = game.wait_screen(player.records_shown, what="the records table")
            self.assertGreater(text_in(screen, 234, 174, 360, 190), 20, "the first row shows the name")
            self.assertEqual(text_in(screen, 234, 194, 360, 210), 0, "the second row has none")
            game.screen.key("Escape")
            game.wait_screen(lambda s: not player.records_shown(s), what="the game again")
            self.leave(game)


if __name__ == "__main__":
    wb.e2e_main()

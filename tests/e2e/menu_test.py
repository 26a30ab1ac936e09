#!/usr/bin/env python3
"""The main menu and the about screen, driven from outside under Wine: keyboard,
mouse, the help pages, the menu's sounds, minimising and missing pictures. What the
screen shows is compared with the game's own bitmaps at their places."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import pictures  # noqa: E402
import winebench as wb  # noqa: E402

WINDOW_CLASS = "TavrikEngine2DWindowClass"
CURSOR_SIDE = 31

# Menu buttons: place, size and bitmap; each bitmap has a column per look
# (normal, highlighted, pressed); MainMenu_2Btns.bmp has a row per button.
BUTTONS = {
    "start": ((55, 270), (115, 30), "MainMenu_StartBtn.bmp", 0),
    "sound": ((55, 310), (60, 30), "MainMenu_2Btns.bmp", 30),  # row 1: sound off
    "about": ((55, 350), (60, 30), "MainMenu_2Btns.bmp", 60),
    "close": ((720, 500), (30, 30), "MainMenu_CloseBtn.bmp", 0),
}
HELP_PAGE_AT = (288, 402)
PREVIOUS_PAGE_BUTTON = (706, 424)
NEXT_PAGE_BUTTON = (706, 445)
BACK_BUTTON = (710, 490)


def images_dir():
    return os.path.join(wb.BUILD_DIR, "Triwell", "IMAGES")


def shows(screen, name, source, at, keyed=False, skip=None, step=2):
    """The share of a bitmap's piece the screen shows at `at`; black is the key of keyed pictures."""
    image = pictures.bitmap(images_dir(), name)
    return pictures.shows(screen, image, source, at, key=(0, 0, 0) if keyed else None, skip=skip, step=step)


def cursor_rect(x, y):
    return (x, y, x + CURSOR_SIDE, y + CURSOR_SIDE)


START_CURSOR = cursor_rect(75, 290)  # where the menu puts the cursor


def button_look(screen, button, skip=None):
    """Which column of its bitmap a menu button shows: 0, 1, 2, or None."""
    at, (w, h), name, top = BUTTONS[button]
    for column in range(3):
        if shows(screen, name, (column * w, top, w, h), at, skip=skip) > 0.97:
            return column
    return None


def sound_row(screen, top):
    """The Sound button, selected, shows the row at top of its bitmap: 0 sound on, 30 off."""
    return shows(screen, "MainMenu_2Btns.bmp", (60, top, 60, 30), (55, 310), skip=cursor_rect(75, 330)) > 0.97


def help_page(screen):
    """Which help page the about screen shows: 1, 2, or None."""
    for page in (1, 2):
        if shows(screen, f"HelpScreen{page}.bmp", (0, 0, 375, 140), HELP_PAGE_AT, keyed=True) > 0.97:
            return page
    return None


def on_menu(screen, skip=None):
    return shows(screen, "MainMenu_BG.bmp", (0, 0, 800, 260), (0, 0), skip=skip, step=7) > 0.97


def on_about(screen):
    return shows(screen, "About_BG.bmp", (0, 0, 800, 370), (0, 0), keyed=True, step=7) > 0.97


class Menu(unittest.TestCase):
    def point(self, game, x, y):
        game.screen.xdotool("mousemove", x, y)

    def wait_menu(self, game, what="the menu with Start highlighted"):
        """The menu as it opens: Start selected, the cursor on it at (75, 290)."""
        return game.wait_screen(lambda s: on_menu(s, START_CURSOR) and button_look(s, "start", START_CURSOR) == 1,
                                timeout=30, what=what)

    def wait_look(self, game, button, column, skip=None):
        game.wait_screen(lambda s: button_look(s, button, skip) == column, timeout=30,
                         what=f"{button} showing column {column}")

    def keys(self, game, *keys):
        for key in keys:
            game.screen.key(key)
            time.sleep(0.15)  # a frame apart, so each key's effect can be seen

    def test_keyboard_walk_through_the_menu_and_the_help_pages(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            shot = self.wait_menu(game)
            self.assertTrue(wb.cursor_at(shot, 75, 290), "the cursor is drawn at (75, 290)")
            for button in ("sound", "about", "close"):
                self.assertEqual(button_look(shot, button, START_CURSOR), 0, button)

            # Down and Up move along the buttons, the pointer with them, and stop at the ends.
            walk = ["start", "sound", "about", "close"]
            for key, order in (("Down", walk), ("Up", walk[::-1])):
                for previous, button in zip(order, order[1:] + order[-1:]):
                    self.keys(game, key)
                    (x, y), _, _, _ = BUTTONS[button]
                    pointer = cursor_rect(x + 20, y + 20)
                    shot = game.wait_screen(lambda s: button_look(s, button, pointer) == 1, timeout=30,
                                            what=f"{key} selecting {button}")
                    if previous != button:
                        self.assertEqual(button_look(shot, previous), 0, f"{previous} back to normal")
                    self.assertTrue(wb.cursor_at(shot, x + 20, y + 20), f"the pointer on {button}")

            self.keys(game, "Down", "Down", "Return")
            shot = game.wait_screen(on_about, timeout=30, what="the about screen")
            self.assertEqual(help_page(shot), 1, "page 1 first")
            self.keys(game, "Down")
            game.wait_screen(lambda s: help_page(s) == 2, timeout=30, what="page 2")
            self.keys(game, "Down", "Up", "Down")  # Down on the last page changes nothing
            game.wait_screen(lambda s: help_page(s) == 2, timeout=30, what="still page 2")

            self.keys(game, "Escape")
            self.wait_menu(game, "the menu again, Start selected")
            self.keys(game, "Down", "Down", "Return")
            shot = game.wait_screen(on_about, timeout=30, what="the about screen again")
            self.assertEqual(help_page(shot), 2, "the page shown last is kept")
            self.keys(game, "Escape")
            game.wait_screen(on_menu, timeout=30, what="the menu")
            self.keys(game, "Down", "Down", "Down", "Return")  # Close
            self.assertEqual(game.wait_exit(60), 0)

    def click(self, game, look, what):
        """A left click that the game is seen to take. The mouse is read once a frame,
        and a press is tested against the pointer of the frame before: the button
        shows that the pointer is over it (look(screen, 1)) before it is pressed, and
        its pressed look (look(screen, 2)) before it is released."""
        game.wait_screen(lambda s: look(s, 1), timeout=30, what=f"the pointer over {what}")
        game.screen.xdotool("mousedown", 1)
        game.wait_screen(lambda s: look(s, 2), timeout=30, what=f"{what} pressed")
        game.screen.xdotool("mouseup", 1)

    def test_mouse_on_the_buttons_and_the_help_pages(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            game.wait_screen(on_menu, timeout=30, what="the menu")
            # The far corner of a button still counts as over it.
            game.point_at(55 + 60, 310 + 30)
            self.wait_look(game, "sound", 1, cursor_rect(115, 340))
            game.wait_screen(lambda s: button_look(s, "start", cursor_rect(115, 340)) == 0, timeout=30,
                             what="Start back to normal")

            # Pressed on Start, released on About: nothing, and Start shows pressed
            # while held even with the pointer on About.
            self.point(game, 100, 280)
            self.wait_look(game, "start", 1, cursor_rect(100, 280))
            game.screen.xdotool("mousedown", 1)
            self.wait_look(game, "start", 2, cursor_rect(100, 280))
            self.point(game, 80, 360)
            self.wait_look(game, "start", 2, cursor_rect(80, 360))
            game.screen.xdotool("mouseup", 1)
            shot = game.wait_screen(lambda s: button_look(s, "start") == 0, timeout=30, what="Start released")
            self.assertTrue(on_menu(shot), "still on the menu")
            self.assertEqual(button_look(shot, "about", cursor_rect(80, 360)), 1, "About is under the pointer")
            # Right and middle buttons do nothing: no pressed look, no action.
            for button in (3, 2):
                game.screen.xdotool("mousedown", button)
                time.sleep(0.3)
                self.assertEqual(button_look(game.screen.screenshot(), "about", cursor_rect(80, 360)), 1)
                game.screen.xdotool("mouseup", button)
            time.sleep(0.3)
            self.assertTrue(on_menu(game.screen.screenshot()), "still on the menu")

            self.click(game, lambda s, column: button_look(s, "about", cursor_rect(80, 360)) == column, "About")
            shot = game.wait_screen(on_about, timeout=30, what="the about screen")
            self.assertEqual(help_page(shot), 1)
            # The pointer on each button's far corner: it still counts, and covers none of it.
            for button, page in ((NEXT_PAGE_BUTTON, 2), (PREVIOUS_PAGE_BUTTON, 1), (NEXT_PAGE_BUTTON, 2)):
                row = 0 if button == PREVIOUS_PAGE_BUTTON else 20
                self.point(game, button[0] + 17, button[1] + 20)
                self.click(game, lambda s, column: shows(s, "About_UpDwnBtn.bmp", (17 * column, row, 17, 20), button,
                                                         keyed=True) > 0.97, "a page button")
                game.wait_screen(lambda s: help_page(s) == page, timeout=30, what=f"page {page} by the mouse")
            self.point(game, BACK_BUTTON[0] + 30, BACK_BUTTON[1] + 30)
            self.click(game, lambda s, column: shows(s, "BackBtn.bmp", (30 * column, 0, 30, 30), BACK_BUTTON,
                                                     keyed=True) > 0.97, "the back button")
            game.wait_screen(on_menu, timeout=30, what="back on the menu by the back button")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)

    def test_sound_is_switched_on_and_off_on_the_menu(self):
        run, capture = wb.capturing_run(wb.BUILD_DIR)
        with run as game:
            game.wait_window()
            game.wait_screen(on_menu, timeout=30, what="the menu")
            wb.wait_for(lambda: os.path.exists(capture), 30, what="the capture file")
            # Hovering over every button and paging: sound is off, nothing plays.
            game.point_at(80, 320)
            for x, y in [(80, 360), (730, 510), (80, 280)]:
                self.point(game, x, y)
                time.sleep(0.3)
            self.keys(game, "Down", "Down", "Return", "Down", "Up", "Escape")
            game.wait_screen(on_menu, timeout=30, what="the menu again")
            time.sleep(1.0)
            self.assertEqual(wb.loud_samples(capture)[0], 0, "silent while sound is off")

            self.point(game, 300, 580)  # away from the buttons: the keys choose
            self.keys(game, "Down")
            self.wait_look(game, "sound", 1, cursor_rect(75, 330))
            before_on = os.path.getsize(capture)
            self.keys(game, "Return")
            wb.wait_for(lambda: wb.loud_samples(capture, before_on)[0] > 0, 30, what="the camera sound")
            game.wait_screen(lambda s: sound_row(s, 0), timeout=30, what="the Sound button showing sound on")
            time.sleep(2.0)  # let it end
            before_off = os.path.getsize(capture)
            self.keys(game, "Return")
            game.wait_screen(lambda s: sound_row(s, 30), timeout=30, what="the Sound button showing sound off")
            time.sleep(2.0)
            self.assertEqual(wb.loud_samples(capture, before_off)[0], 0, "switching sound off plays nothing")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)

    def test_f4_minimises_and_the_menu_comes_back_whole(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            before = self.wait_menu(game)
            game.screen.key("F4")
            wb.wait_for(lambda: game.probe("iconic", WINDOW_CLASS) == "1", 30, what="the window minimised")
            self.keys(game, "Down", "Down")  # no frame runs: no key is read
            game.probe("restore", WINDOW_CLASS)
            after = game.wait_screen(lambda s: on_menu(s, START_CURSOR), timeout=30, what="the menu restored")
            for button in BUTTONS:
                self.assertEqual(button_look(after, button, START_CURSOR), button_look(before, button, START_CURSOR),
                                 f"{button} looks as before")
            # The logo's lamp still runs.
            lamp = lambda s: [s.pixel(522 + x, 38 + y) for x in range(0, 17, 2) for y in range(0, 17, 2)]
            first = lamp(after)
            game.wait_screen(lambda s: lamp(s) != first, timeout=30, what="the logo lamp animating")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)

    def test_missing_pictures_leave_their_parts_blank(self):
        gone = ["MainMenu_BG.bmp", "MainMenu_StartBtn.bmp", "About_BG.bmp", "HelpScreen1.bmp"]
        with wb.GameRun(wb.BUILD_DIR, remove=[os.path.join("IMAGES", n) for n in gone]) as game:
            game.wait_window()
            game.wait_screen(lambda s: button_look(s, "sound") == 0, timeout=30, what="the menu's other buttons")
            shot = game.screen.screenshot()
            self.assertEqual(shot.pixel(400, 580), (0, 0, 0), "no background: black")
            self.assertEqual(shot.pixel(160, 275), (0, 0, 0), "no Start button: black")
            self.keys(game, "Down", "Down", "Return")
            game.wait_screen(lambda s: shows(s, "BackBtn.bmp", (0, 0, 30, 30), BACK_BUTTON, keyed=True) > 0.97,
                             timeout=30, what="the about screen's back button")
            self.keys(game, "Escape")
            game.wait_screen(lambda s: button_look(s, "about") == 0, timeout=30, what="the menu again")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)


if __name__ == "__main__":
    wb.e2e_main()

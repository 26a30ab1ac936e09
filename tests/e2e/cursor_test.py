#!/usr/bin/env python3
"""The game's own cursor follows the mouse, driven from outside under Wine."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import winebench as wb  # noqa: E402


class Cursor(unittest.TestCase):
    def test_the_cursor_is_drawn_where_the_mouse_was_moved(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            # Frames run (and the mouse is read) once the cursor shows where the menu puts
            # it, over the Start button.
            first = game.wait_screen(lambda s: wb.cursor_at(s, 75, 290), timeout=30, what="the cursor at (75, 290)")
            for x, y in [(200, 150), (610, 430), (40, 520)]:
                self.assertFalse(wb.cursor_at(first, x, y), f"no arrow at ({x}, {y}) before the mouse went there")
                game.point_at(x, y)
                game.wait_screen(lambda s: wb.cursor_at(s, x, y), timeout=30, what=f"the cursor at ({x}, {y})")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)


if __name__ == "__main__":
    wb.e2e_main()

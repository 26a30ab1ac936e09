#!/usr/bin/env python3
"""The game's own cursor follows the mouse, driven from outside under Wine."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import winebench as wb  # noqa: E402


def arrow_at(screen, x, y):
    """The cursor's arrow has its tip at (x, y): a blue edge along the diagonal and a
    pale inside just below it."""
    tip = screen.pixel(x + 2, y + 2)
    inside = screen.pixel(x + 2, y + 5)
    return tip[2] > tip[0] + 60 and min(inside) > 150 and inside[2] > 200


class Cursor(unittest.TestCase):
    def test_the_cursor_is_drawn_where_the_mouse_was_moved(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            # Frames run (and the mouse is read) once the cursor shows at its start, (0, 0).
            first = game.wait_screen(lambda s: arrow_at(s, 0, 0), timeout=30, what="the cursor at (0, 0)")
            for x, y in [(200, 150), (610, 430), (40, 520)]:
                self.assertFalse(arrow_at(first, x, y), f"no arrow at ({x}, {y}) before the mouse went there")
                game.screen.move_to(x, y)
                game.wait_screen(lambda s: arrow_at(s, x, y), timeout=30, what=f"the cursor at ({x}, {y})")
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)


if __name__ == "__main__":
    wb.e2e_main()

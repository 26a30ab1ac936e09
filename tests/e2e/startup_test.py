#!/usr/bin/env python3
"""The game's start and end, driven from outside under Wine: the display mode, the
ways the game ends and its exit codes, and the start-up failure boxes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import winebench as wb  # noqa: E402

WINDOW_CLASS = "TavrikEngine2DWindowClass"
E_FAIL_CAPTION = "Ошибка №2147500037"


class Startup(unittest.TestCase):
    def test_sets_the_mode_and_escape_ends_with_code_0(self):
        # The display's own depth is emulated per program under Wine, so the mode
        # change is seen in DirectDraw's trace of the game's calls.
        with wb.GameRun(wb.BUILD_DIR, env={"WINEDEBUG": "-all,trace+ddraw"}) as game:
            game.wait_window()
            self.assertEqual(game.probe("mode").split("x")[:2], ["800", "600"])
            game.screen.key("Escape")
            self.assertEqual(game.wait_exit(60), 0)
            log = game.output()
        self.assertIn("ddraw7_SetCooperativeLevel", log)
        self.assertRegex(log, r"ddraw7_SetCooperativeLevel iface \S+, window \S+, flags 0x13\.")
        self.assertRegex(log, r"ddraw7_SetDisplayMode iface \S+, width 800, height 600, bpp 16,")

    def test_closing_the_window_ends_with_code_0(self):
        with wb.GameRun(wb.BUILD_DIR) as game:
            game.wait_window()
            game.probe("close", WINDOW_CLASS)
            self.assertEqual(game.wait_exit(60), 0)

    def assert_failure_box(self, overrides, expected_text):
        with wb.GameRun(wb.BUILD_DIR, env={"WINEDLLOVERRIDES": overrides}) as game:
            game.wait_window(E_FAIL_CAPTION)
            caption, text = game.probe("msgbox").split("\n", 1)
            self.assertEqual(caption, E_FAIL_CAPTION)
            self.assertEqual(text.replace("\r\n", "\n"), expected_text)
            self.assertTrue(game.running(), "the game waits while the box is open")
            # Pressed from inside: a key sent from outside can outlive this box and
            # reach the next program's window.
            game.probe("dismiss")
            self.assertEqual(game.wait_exit(60), 1)

    def test_without_directdraw_a_box_tells_and_the_game_ends_with_code_1(self):
        self.assert_failure_box("ddraw=d", "Ошибка создания интерфейса DirectDraw\n"
                                           "Убедитесь, что у вас установлен DirectX 7 или выше!")

    def test_without_directinput_a_box_tells_and_the_game_ends_with_code_1(self):
        self.assert_failure_box("dinput=d", "Direct Input initialization error!")


if __name__ == "__main__":
    wb.e2e_main()

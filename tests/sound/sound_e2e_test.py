#!/usr/bin/env python3
"""The game with and without its sound: an audio device whose output goes to a file,
no audio device at all, and no sound library. The game starts silent in every case,
runs, and ends with code 0."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
import winebench as wb  # noqa: E402

SOUND_WINDOW_CLASS = "TavrikSoundMainWindow"


def sound_dir():
    return os.path.join(wb.BUILD_DIR, "tests", "sound")


class GameSound(unittest.TestCase):
    def run_for_a_while(self, game, seconds=2.0):
        game.wait_window()
        time.sleep(seconds)
        self.assertTrue(game.running(), "the game keeps running")

    def end_with_escape(self, game):
        game.screen.key("Escape")
        self.assertEqual(game.wait_exit(60), 0)

    def test_with_an_audio_device_the_game_opens_it_starts_silent_and_ends_cleanly(self):
        capture = os.path.join(sound_dir(), "audio-capture.raw")
        if os.path.exists(capture):
            os.remove(capture)
        env = {"ALSA_CONFIG_PATH": os.path.join(sound_dir(), "asound-capture.conf")}
        with wb.GameRun(wb.BUILD_DIR, env=env) as game:
            self.run_for_a_while(game)
            self.assertEqual(game.probe("exists", SOUND_WINDOW_CLASS), "1", "the sound device is open")
            self.assertTrue(os.path.exists(capture), "the device mixes into the capture file")
            loud, total = wb.loud_samples(capture)
            self.assertGreater(total, 0)
            self.assertEqual(loud, 0, "sound is switched off at start")
            self.end_with_escape(game)

    def test_without_an_audio_device_the_game_starts_silent_and_runs(self):
        env = {"ALSA_CONFIG_PATH": os.path.join(sound_dir(), "asound-none.conf"),
               "WINEDEBUG": "-all,trace+dsound"}
        with wb.GameRun(wb.BUILD_DIR, env=env) as game:
            self.run_for_a_while(game)
            self.assertIn("DirectSoundCreate", game.output(), "the game tried to open the device")
            self.end_with_escape(game)

    def test_without_the_sound_library_the_game_starts_and_runs(self):
        with wb.GameRun(wb.BUILD_DIR, remove=("tavriksoundlite.dll",)) as game:
            self.run_for_a_while(game)
            self.assertEqual(game.probe("exists", SOUND_WINDOW_CLASS), "0")
            self.end_with_escape(game)


if __name__ == "__main__":
    wb.e2e_main()

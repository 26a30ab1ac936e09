// Tests of the sound library under Wine with no audio device at all.
#include "sound_test_support.h"

using namespace soundtest;
using namespace wavetest;

TEST(SoundWithoutDevice, InitFailsAndEverythingElseAnswersNothing) {
  while (QuitMessagePending()) {
  }
  SoundLibrary lib;
  ASSERT_TRUE(lib.Load());
  ScratchFolder scratch;
  const std::string file = scratch.Write("tone.wav", PcmWave(1, 11025, 8, SquareWave(1000, 1, 8)));

  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    EXPECT_LT(lib.InitDS(), 0) << "no device can be opened";
    SoundRecord* sound = lib.CreateSound(file.c_str());
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(lib.PlaySound(&sound, 0), 0);
    lib.FreeSound(&sound);
  }
  // Failed opens count no use: a single close takes down what the attempts made.
  EXPECT_EQ(lib.CloseDS(), 0);
  EXPECT_EQ(FindWindowA(SoundWindowClass, SoundWindowTitle), nullptr);
  EXPECT_FALSE(QuitMessagePending());
  lib.Unload();
  EXPECT_FALSE(QuitMessagePending());
}

TEST(SoundWithoutDevice, UnloadAfterAFailedOpenLeavesNoWindow) {
  while (QuitMessagePending()) {
  }
  SoundLibrary lib;
  ASSERT_TRUE(lib.Load());
  EXPECT_LT(lib.InitDS(), 0);
  lib.Unload();
  EXPECT_EQ(FindWindowA(SoundWindowClass, SoundWindowTitle), nullptr) << "the window does not outlive the library";
  EXPECT_FALSE(QuitMessagePending());
}

// The main menu's handling of input that a screenshot cannot tell apart: events of
// one frame that race each other, and buttons other than the left one. Runs against
// the real engine library without a display (sprites and records need none).
#include "game.h"
#include "screens.h"

#include <gtest/gtest.h>

namespace {

Sprite* Button(int32_t Id) {
  for (Sprite* s = MenuButtonChain.First; s; s = s->Next)
    if ((s->State & 0xFF) == Id) return s;
  return nullptr;
}

void PointAt(const Sprite* S) {
  MouseX = S->X + 5;
  MouseY = S->Y + 5;
}

class MenuLogic : public ::testing::Test {
protected:
  void SetUp() override {
    SoundEnabled = 0;
    QuitRequested = 0;
    SwitchScreen(ScreenMainMenu);
    ASSERT_NE(Button(2), nullptr);
  }
  void TearDown() override { LeaveAllScreens(); }
};

TEST_F(MenuLogic, SoundReleasedAfterAKeyMovedTheSelectionShowsOnTheSoundButton) {
  Sprite* sound = Button(2);
  Sprite* start = Button(1);
  PointAt(sound);
  MenuMouseDown(0);
  EXPECT_EQ(SelectedButton, sound);
  // In the same frame's input: Up moves the selection, then the release on Sound.
  MenuKeyDown(200);
  EXPECT_EQ(SelectedButton, start);
  MenuMouseUp(0);
  EXPECT_EQ(SoundEnabled, 1);
  EXPECT_EQ(sound->SrcRect.top, 0) << "Sound shows the sound-on row";
  EXPECT_EQ(start->SrcRect.top, 0) << "Start keeps its only row";
  EXPECT_EQ(start->SrcRect.bottom, 30);
}

TEST_F(MenuLogic, OnlyTheLeftButtonPressesAndOnlyItsReleaseActs) {
  Sprite* about = Button(3);
  PointAt(about);
  MenuMouseDown(1);
  MenuMouseDown(2);
  EXPECT_EQ(about->State, 3) << "right and middle presses do nothing";
  MenuMouseDown(0);
  EXPECT_EQ(about->State & 0xFF00, 0xFF00);
  MenuMouseUp(1); // a right release keeps the left press
  EXPECT_EQ(about->State & 0xFF00, 0xFF00);
  PointAt(Button(1));
  MenuMouseUp(0); // released over another button: nothing, and nothing stays pressed
  EXPECT_EQ(ScreenRenderProc, MenuRender) << "still on the menu";
  for (Sprite* s = MenuButtonChain.First; s; s = s->Next) EXPECT_EQ(s->State & 0xFF00, 0);
}

} // namespace

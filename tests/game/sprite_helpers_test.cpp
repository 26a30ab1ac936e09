// The game's sprite helpers: animation timing at the bitmap's edge, sprite set-up,
// colour packing and typing characters.
#include "sprite_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int FrameW = 10, FrameH = 8;

struct Animated {
  SurfaceRecord surface{};
  Sprite* sprite;
  Animated(int frames, int32_t delay) {
    surface.Width = frames * FrameW;
    sprite = NewSprite(0, 0, FrameW, FrameH, &surface, nullptr, 0, 0, 0, 0);
    sprite->Animating = 1;
    sprite->AnimDelay = delay;
  }
  ~Animated() { DelSprite(&sprite); }
  int Frame() const { return sprite->SrcRect.left / FrameW; }
};

TEST(AnimateSprite, StepsAndStopsAtTheBitmapEdgeAsAsked) {
  struct {
    const char* name;
    int frames;
    int32_t delay, loop, rewind, markDone;
    int calls;
    std::string frameAfterEachCall; // frame index after each call; '.' = stopped there
  } const cases[] = {
      {"one frame, loop", 1, 0, 1, 0, 0, 4, "0000"},
      {"one frame, rewind", 1, 0, 0, 1, 0, 3, "..."},
      {"one frame, stay, mark done", 1, 0, 0, 0, 1, 2, ".."},
      {"four frames, delay 2, rewind: steps at calls 3, 6, 9, stops at 12", 4, 2, 0, 1, 0, 13, "00111222333.."},
      {"four frames, loop", 4, 0, 1, 1, 0, 6, "123012"},
      {"three frames, stay on the last", 3, 1, 0, 0, 1, 6, "01122."},
      {"not loaded yet (width 0), loop", 0, 0, 1, 0, 0, 2, "00"},
      {"not loaded yet (width 0), mark done", 0, 0, 0, 0, 1, 1, "."},
  };
  for (const auto& c : cases) {
    Animated a(c.frames, c.delay);
    std::string seen;
    for (int i = 0; i < c.calls; ++i) {
      AnimateSprite(a.sprite, c.loop, c.rewind, c.markDone);
      seen += a.sprite->Animating ? char('0' + a.Frame()) : '.';
    }
    EXPECT_EQ(seen, c.frameAfterEachCall) << c.name;
    if (!a.sprite->Animating) {
      const int expectedFrame = (c.rewind || c.frames == 0) ? 0 : c.frames - 1;
      EXPECT_EQ(a.Frame(), expectedFrame) << c.name;
      EXPECT_EQ(a.sprite->AnimDone, c.markDone) << c.name;
    }
    EXPECT_EQ(a.sprite->SrcRect.right - a.sprite->SrcRect.left, FrameW) << c.name;
  }
}

TEST(AnimateSprite, KeepsTheRowAndEndsOneShotsOnAMissingBitmap) {
  SurfaceRecord surface{};
  surface.Width = 3 * FrameW;
  Sprite* s = NewSprite(5, 6, FrameW, FrameH, &surface, nullptr, 0, 1, 2, 0);
  EXPECT_EQ(s->SrcRect.top, 2 * FrameH);
  s->Animating = 1;
  AnimateSprite(s, 1, 0, 0);
  EXPECT_EQ(s->SrcRect.left, FrameW);
  EXPECT_EQ(s->SrcRect.top, 2 * FrameH);
  EXPECT_EQ(s->SrcRect.bottom, 3 * FrameH);

  s->Surface = nullptr; // its bitmap was missing
  AnimateSprite(s, 1, 0, 0);
  EXPECT_EQ(s->Animating, 1) << "a looping animation keeps running";
  EXPECT_EQ(s->SrcRect.left, 0) << "on its first frame";
  AnimateSprite(s, 0, 0, 1);
  EXPECT_EQ(s->Animating, 0) << "a one-shot animation ends";
  EXPECT_EQ(s->AnimDone, 1);
  AnimateSprite(nullptr, 1, 0, 0);
  DelSprite(&s);
}

TEST(NewSprite, FillsPositionSizeAndTheFirstFrame) {
  SpriteChain chain{};
  SurfaceRecord surface{};
  Sprite* plain = NewSprite(1, 2, 30, 20, &surface, &chain, -8, 0, 3, 1);
  Sprite* rowed = NewSprite(0, 0, 17, 17, nullptr, &chain, 4, 1, 2, 0);
  EXPECT_EQ(chain.Count, 2);
  EXPECT_EQ(chain.Last, rowed);
  EXPECT_EQ(plain->Data, nullptr) << "a negative data size makes no block";
  EXPECT_EQ(plain->Surface, &surface);
  EXPECT_EQ(plain->X + plain->Y + plain->Width + plain->Height, 1 + 2 + 30 + 20);
  EXPECT_EQ(plain->FollowOffset, 1);
  EXPECT_EQ(plain->Row, 3);
  EXPECT_EQ(plain->SrcRect.top, 0) << "the row counts only with UseRow";
  EXPECT_EQ(plain->SrcRect.right, 30);
  EXPECT_EQ(rowed->SrcRect.top, 34);
  EXPECT_EQ(rowed->SrcRect.bottom, 51);
  EXPECT_NE(rowed->Data, nullptr);
  ClearChain(&chain);
}

TEST(MakeColor565, CutsEachChannelToItsTopBits) {
  struct {
    uint8_t r, g, b;
    uint16_t want;
  } const cases[] = {{0, 255, 0, 0x07E0}, {255, 255, 255, 0xFFFF}, {255, 0, 0, 0xF800},
                     {0, 0, 255, 0x001F}, {8, 4, 8, 0x0821},       {7, 3, 7, 0x0000}};
  for (const auto& c : cases) EXPECT_EQ(MakeColor565(c.r, c.g, c.b), c.want) << int(c.r) << "," << int(c.g);
}

TEST(ScanCodeToChar, TypesTheUsKeyboardAndNothingElse) {
  // Rows of the keyboard: the first key code of each run and what it types.
  struct Run {
    int first;
    const char* plain;
    const char* shifted;
  };
  const Run runs[] = {{2, "1234567890-=", "!@#$%^&*()_+"}, {16, "qwertyuiop[]", "QWERTYUIOP{}"},
                      {30, "asdfghjkl;'`", "ASDFGHJKL:\"~"}, {43, "\\zxcvbnm,./", "|ZXCVBNM<>?"},
                      {57, " ", " "}};
  for (uint8_t shift : {0, 1}) {
    TypingShift = shift;
    std::vector<char> want(256, 0);
    for (const Run& run : runs)
      for (int i = 0; run.plain[i]; ++i) want[run.first + i] = (shift ? run.shifted : run.plain)[i];
    for (int code = 0; code < 256; ++code) EXPECT_EQ(ScanCodeToChar(code), want[code]) << code << " shift " << int(shift);
    EXPECT_EQ(ScanCodeToChar(-1), 0);
    for (int silent : {14, 15, 28, 29, 42, 54, 55, 56}) EXPECT_EQ(ScanCodeToChar(silent), 0) << silent;
  }
  TypingShift = 0;
}

} // namespace

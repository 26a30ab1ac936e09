// The game's spine under Wine, run in the game folder: start-up makes the font and
// the cursor, frames count and end on the quit flag, switches tear screens down,
// and shutdown leaves no sprite or surface behind.
#include "game.h"
#include "playfield.h"
#include "screens.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Counts {
  int32_t sprites = -1, surfaces = -1;
};

Counts Live() {
  long double fps;
  Counts c;
  uint32_t total = 0, free = 0;
  int64_t all = 0, user = 0;
  GetSystemData(&fps, &c.sprites, &c.surfaces, &total, &free, &all, &user);
  return c;
}

int Renders;
void CountRender() { ++Renders; }
void QuitDuringFrame() { QuitRequested = 1; }

TEST(GameSpine, StartsRunsFramesSwitchesAndShutsDownCleanly) {
  ASSERT_TRUE(GameInit());
  ASSERT_NE(GameFontSurface, nullptr);
  EXPECT_EQ(GameFontSurface->Kind, SurfaceKindFont);
  EXPECT_EQ(GameFontSurface->FontHeight, 14);
  EXPECT_EQ(GameFontSprite->Surface, GameFontSurface);
  ASSERT_NE(CursorSurface, nullptr) << "the cursor bitmap is in the game folder";
  EXPECT_EQ(CursorSurface->ColorKey, 0x07E0u);
  EXPECT_EQ(CursorSprite->Width, 31);
  EXPECT_EQ(CursorSprite->Animating, 1);
  EXPECT_EQ(CursorSprite->AnimDelay, 1);
  EXPECT_EQ(SoundEnabled, 0) << "every run starts silent";

  EXPECT_EQ(GameFrame(), 0);
  EXPECT_EQ(GameFrame(), 0);
  EXPECT_EQ(FrameCounter, 2);
  EXPECT_GT(CursorSurface->Width, 0) << "the cursor was drawn, so its bitmap is loaded";

  // Quitting during a frame: that frame is still rendered, then the loop is told to end.
  Renders = 0;
  ScreenRenderProc = CountRender;
  ScreenFrameProc = QuitDuringFrame;
  EXPECT_EQ(GameFrame(), 1);
  EXPECT_EQ(Renders, 1);
  QuitRequested = 0;

  // A switch to an id without a screen leaves everything and enters nothing.
  SwitchScreen(4);
  EXPECT_EQ(ScreenRenderProc, nullptr);
  EXPECT_EQ(ScreenFrameProc, nullptr);
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_EQ(GameFrame(), 0);
  DefaultKeyDown(57);
  EXPECT_EQ(QuitRequested, 0) << "only Escape ends the game";
  DefaultKeyDown(1);
  EXPECT_EQ(QuitRequested, 1);
  QuitRequested = 0;
  EXPECT_EQ(Live().sprites, 2) << "only the font's and the cursor's sprites are left";
  EXPECT_EQ(Live().surfaces, 2);

  GameShutdown();
  EXPECT_EQ(GameFontSurface, nullptr);
  EXPECT_EQ(GameFontSprite, nullptr);
  EXPECT_EQ(CursorSurface, nullptr);
  EXPECT_EQ(CursorSprite, nullptr);
  const Counts ended = Live();
  EXPECT_EQ(ended.sprites, 0);
  EXPECT_EQ(ended.surfaces, 0);
}

// Memory this process has written to, in bytes: Wine reports no private bytes, so it
// is read where Wine runs, from the system's own figure for the process (0 elsewhere).
size_t ResidentAnonymousBytes() {
  FILE* status = fopen("Z:\\proc\\self\\status", "r");
  if (!status) return 0;
  char line[256];
  size_t kib = 0;
  while (fgets(line, sizeof line, status))
    if (sscanf(line, "RssAnon: %zu kB", &kib) == 1) break;
  fclose(status);
  return kib * 1024;
}

TEST(GameSpine, ThousandsOfScreenChangesLeaveNothingBehind) {
  ASSERT_TRUE(GameInit());
  ASSERT_EQ(GameFrame(), 0);
  const Counts menu = Live();
  constexpr int Rounds = 1000, Settled = 100;
  size_t settledBytes = 0;
  const DWORD start = GetTickCount();
  for (int round = 1; round <= Rounds; ++round) {
    // Each screen is drawn once, so that its pictures are loaded and freed for real.
    // The game is left in turn with nothing open, from its pause window, and with its
    // records table still open (freed later, as shutdown does).
    SwitchScreen(ScreenGame);
    GameFrame();
    OpenPauseWindow();
    GameFrame();
    ClosePauseWindow();
    EnterRecords();
    GameFrame();
    if (round % 3 == 0) LeaveRecords();
    if (round % 3 == 1) OpenPauseWindow();
    SwitchScreen(ScreenAbout);
    LeaveRecords();
    GameFrame();
    SwitchScreen(ScreenMainMenu);
    GameFrame();
    const Counts now = Live();
    ASSERT_EQ(now.sprites, menu.sprites) << "round " << round;
    ASSERT_EQ(now.surfaces, menu.surfaces) << "round " << round;
    if (round == Settled) settledBytes = ResidentAnonymousBytes();
  }
  const size_t endBytes = ResidentAnonymousBytes();
  ASSERT_GT(settledBytes, 0u) << "the process's memory figure is readable";
  ASSERT_GT(endBytes, 0u);
  EXPECT_GT(CursorSurface->Width, 0) << "the frames were drawn, so pictures were loaded";
  std::printf("%d rounds in %lu ms; resident anonymous memory %zu KiB after round %d, %zu KiB after round %d\n", Rounds,
              GetTickCount() - start, settledBytes / 1024, Settled, endBytes / 1024, Rounds);
  EXPECT_LE(endBytes, settledBytes + 1024 * 1024) << "memory creeps with screen changes";
  GameShutdown();
}

TEST(GameSpine, ADropHeldWhenFramesPausedEndsUnlessSpaceIsStillDown) {
  ASSERT_TRUE(GameInit());
  SwitchScreen(ScreenGame);
  ASSERT_EQ(GameFrame(), 0);
  struct Case {
    DWORD PauseMs; // between two frames, as while the window is away
    uint8_t Held;  // the drop afterwards (Space is up all along)
  };
  for (const Case c : {Case{0, 1}, Case{400, 0}}) {
    SCOPED_TRACE(c.PauseMs);
    DropHeld = 1;
    GameFrame();
    Sleep(c.PauseMs);
    DropHeld = 1; // held, as far as the game knows
    GameFrame();
    EXPECT_EQ(DropHeld, c.Held);
  }
  GameShutdown();
}

} // namespace

// The engine library through its ordinal exports, on a real DirectDraw display
// under Wine: chains, drawing and clipping read back from the back buffer, clears,
// user surfaces, the render pass and key names.
#include "tavrik_engine.h"

#include "surface_readback.h"

#include <gtest/gtest.h>

#include <thread>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Chains -------------------------------------------------------------------

std::vector<Sprite*> MakeChain(SpriteChain& chain, int n) {
  std::vector<Sprite*> sprites;
  for (int i = 0; i < n; ++i) sprites.push_back(CreateSprite(&chain, 0));
  return sprites;
}

TEST(Chains, DeletingRelinksNeighboursAndAnswersTheSuccessor) {
  struct {
    const char* name;
    int victim; // index of the deleted sprite in a chain of three
    int successor, first, last; // indexes, -1 = nil
  } const cases[] = {
      {"first", 0, 1, 1, 2},
      {"middle", 1, 2, 0, 2},
      {"last", 2, -1, 0, 1},
  };
  for (const auto& c : cases) {
    SpriteChain chain{};
    std::vector<Sprite*> s = MakeChain(chain, 3);
    const int32_t before = GetNumSprites();
    Sprite* var = s[c.victim];
    DelSprite(&var);
    auto at = [&](int i) { return i < 0 ? nullptr : s[i]; };
    EXPECT_EQ(var, at(c.successor)) << c.name;
    EXPECT_EQ(chain.First, at(c.first)) << c.name;
    EXPECT_EQ(chain.Last, at(c.last)) << c.name;
    EXPECT_EQ(chain.Count, 2) << c.name;
    EXPECT_EQ(GetNumSprites(), before - 1) << c.name;
    EXPECT_EQ(chain.First->Prev, nullptr) << c.name;
    EXPECT_EQ(chain.First->Next, chain.Last) << c.name;
    EXPECT_EQ(chain.Last->Prev, chain.First) << c.name;
    EXPECT_EQ(chain.Last->Next, nullptr) << c.name;
    ClearChain(&chain);
  }
}

TEST(Chains, FreeStandingSpritesAndNilVariablesLeaveChainsAlone) {
  SpriteChain chain{};
  MakeChain(chain, 2);
  const SpriteChain saved = chain;
  const int32_t before = GetNumSprites();
  Sprite* loose = CreateSprite(nullptr, 0);
  EXPECT_EQ(GetNumSprites(), before + 1);
  EXPECT_EQ(loose->Chain, nullptr);
  EXPECT_EQ(loose->Data, nullptr);
  DelSprite(&loose);
  EXPECT_EQ(loose, nullptr);
  EXPECT_EQ(GetNumSprites(), before);
  DelSprite(&loose);  // nil variable
  DelSprite(nullptr); // no variable
  ClearChain(nullptr);
  EXPECT_EQ(GetNumSprites(), before);
  EXPECT_EQ(std::memcmp(&chain, &saved, sizeof chain), 0);
  ClearChain(&chain);
}

TEST(Chains, ClearChainDeletesEverySpriteAndLeavesItReusable) {
  for (int n : {0, 1, 5}) {
    SpriteChain chain{};
    MakeChain(chain, n);
    const int32_t before = GetNumSprites();
    ClearChain(&chain);
    EXPECT_EQ(GetNumSprites(), before - n) << n;
    EXPECT_EQ(chain.First, nullptr) << n;
    EXPECT_EQ(chain.Last, nullptr) << n;
    EXPECT_EQ(chain.Count, 0) << n;
    Sprite* again = CreateSprite(&chain, 0);
    EXPECT_EQ(chain.First, again);
    ClearChain(&chain);
  }
}

TEST(Chains, NewSpritesAreZeroedWithAZeroedDataBlock) {
  SpriteChain chain{};
  Sprite* s = CreateSprite(&chain, 16);
  ASSERT_NE(s->Data, nullptr);
  EXPECT_EQ(s->DataSize, 16);
  EXPECT_EQ(s->Chain, &chain);
  const std::vector<uint8_t> zeros(16, 0);
  EXPECT_EQ(std::memcmp(s->Data, zeros.data(), 16), 0);
  EXPECT_EQ(s->X | s->Y | s->Width | s->Height | s->FollowOffset | s->State | s->Animating, 0);
  EXPECT_EQ(s->Surface, nullptr);
  Sprite* none = CreateSprite(&chain, -4);
  EXPECT_EQ(none->Data, nullptr);
  EXPECT_EQ(none->DataSize, 0);
  EXPECT_EQ(chain.Count, 2);
  ClearChain(&chain);
}

// ---- Key names ----------------------------------------------------------------

TEST(KeyNames, AreConstantTextsOwnedByTheLibrary) {
  struct {
    uint8_t code;
    const char* name;
  } const cases[] = {{0x1C, "ENTER"}, {0xCB, "Left"}, {0x64, "F13"}, {0xC9, "PgUp"}, {0x00, ""}, {0xE5, ""}};
  for (const auto& c : cases) {
    const char* name = nullptr;
    GetKeyName(&name, c.code);
    ASSERT_NE(name, nullptr) << int(c.code);
    EXPECT_STREQ(name, c.name) << int(c.code);
    const char* again = nullptr;
    GetKeyName(&again, c.code);
    EXPECT_EQ(again, name) << "the same text every time";
  }
}

// ---- Display ------------------------------------------------------------------

constexpr int SpriteSide = 32;

uint16_t Pattern(int x, int y) { return static_cast<uint16_t>(1 + x + 64 * y); }

int RestoreCalls;
bool RestoreSawClearedSurface;

// Paints every pixel of a user surface with its own value.
void WINAPI PaintPattern(SurfaceRecord** Surface) {
  ++RestoreCalls;
  DDSURFACEDESC2 desc;
  ASSERT_EQ(SurfaceLock(*Surface, nullptr, &desc), DD_OK);
  RestoreSawClearedSurface = true;
  for (int y = 0; y < (*Surface)->Height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch);
    for (int x = 0; x < (*Surface)->Width; ++x) {
      if (row[x] != 0) RestoreSawClearedSurface = false;
      row[x] = Pattern(x, y);
    }
  }
  SurfaceUnLock(*Surface, nullptr);
}

class Display : public ::testing::Test {
protected:
  void SetUp() override {
    // 32 bits per pixel asked: the engine always sets 16.
    ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 32, 0, 1, 0, 0, 0), 1);
    RestoreCalls = 0;
    CreateSurfaceUser(&source, SpriteSide, SpriteSide, 0, 0, 0, PaintPattern);
    ASSERT_NE(source, nullptr);
    sprite = CreateSprite(nullptr, 0);
    sprite->Surface = source;
    sprite->Width = sprite->Height = SpriteSide;
    sprite->SrcRect = RECT{0, 0, SpriteSide, SpriteSide};
    SetScreenOffset(0, 0);
    ClearScreen(0, nullptr);
  }
  void TearDown() override {
    DelSprite(&sprite);
    FreeSurface(&source);
    TavrikEngineDeInit();
  }
  HWND window = nullptr;
  SurfaceRecord* source = nullptr;
  Sprite* sprite = nullptr;
};

TEST_F(Display, IsEightHundredBySixHundredAtSixteenBitsFiveSixFive) {
  DDSURFACEDESC2 desc;
  ASSERT_EQ(SurfaceLock(nullptr, nullptr, &desc), DD_OK);
  SurfaceUnLock(nullptr, nullptr);
  EXPECT_EQ(desc.dwWidth, 800u);
  EXPECT_EQ(desc.dwHeight, 600u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xF800u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, "TavrikEngine2DWindowClass");
}

TEST_F(Display, UnscaledDrawsAreClippedAtEveryEdgeAndFollowTheOffset) {
  struct {
    const char* name;
    int x, y, follow, offsetX, offsetY;
    RECT src;
    int drawnX, drawnY; // where the source's top-left lands on the screen
  } const cases[] = {
      {"inside", 100, 100, 0, 0, 0, {0, 0, 32, 32}, 100, 100},
      {"left", -10, 100, 0, 0, 0, {0, 0, 32, 32}, -10, 100},
      {"right", 790, 100, 0, 0, 0, {0, 0, 32, 32}, 790, 100},
      {"top", 100, -5, 0, 0, 0, {0, 0, 32, 32}, 100, -5},
      {"bottom", 100, 590, 0, 0, 0, {0, 0, 32, 32}, 100, 590},
      {"top-left corner", -31, -31, 0, 0, 0, {0, 0, 32, 32}, -31, -31},
      {"last column and row", 799, 599, 0, 0, 0, {0, 0, 32, 32}, 799, 599},
      {"just off the left", -32, 100, 0, 0, 0, {0, 0, 32, 32}, 0, 0},
      {"just off the right", 800, 100, 0, 0, 0, {0, 0, 32, 32}, 0, 0},
      {"part of the source, left edge", -5, 20, 0, 0, 0, {8, 4, 24, 20}, -5, 20},
      {"world position minus offset", 150, 40, 1, 100, 0, {0, 0, 32, 32}, 50, 40},
      {"offset ignored without FollowOffset", 150, 40, 0, 100, 0, {0, 0, 32, 32}, 150, 40},
  };
  for (const auto& c : cases) {
    ClearScreen(0, nullptr);
    sprite->X = c.x;
    sprite->Y = c.y;
    sprite->FollowOffset = c.follow;
    sprite->SrcRect = c.src;
    SetScreenOffset(c.offsetX, c.offsetY);
    ShowSpriteFast(&sprite, nullptr);
    const bool visible = std::string(c.name).rfind("just off", 0) != 0;
    const int w = c.src.right - c.src.left, h = c.src.bottom - c.src.top;
    Pixels screen = ReadBack();
    ASSERT_EQ(screen.width, 800);
    int mismatches = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const int sx = x - c.drawnX, sy = y - c.drawnY;
        const bool inside = visible && sx >= 0 && sx < w && sy >= 0 && sy < h;
        const uint16_t want = inside ? Pattern(sx + c.src.left, sy + c.src.top) : 0;
        if (screen.at(x, y) != want && mismatches++ < 3)
          ADD_FAILURE() << c.name << ": pixel (" << x << "," << y << ") is " << screen.at(x, y) << ", not " << want;
      }
    EXPECT_EQ(mismatches, 0) << c.name;
  }
}

// The columns of row y that hold something other than 0.
std::pair<int, int> DrawnSpan(const Pixels& p, int y) {
  int first = -1, last = -1;
  for (int x = 0; x < p.width; ++x)
    if (p.at(x, y) != 0) {
      if (first < 0) first = x;
      last = x;
    }
  return {first, last};
}

TEST_F(Display, StretchedDrawsFillTheirDestinationClippedOnItsOwn) {
  struct {
    const char* name;
    int x, y, width, follow, offsetX;
    int firstColumn, lastColumn;
  } const cases[] = {
      {"twice as wide", 100, 100, 64, 0, 0, 100, 163},
      {"world position minus offset", 150, 100, 32, 1, 100, 50, 81},
      {"crossing the left edge", -10, 100, 64, 0, 0, 0, 53},
      {"crossing the right edge", 780, 100, 64, 0, 0, 780, 799},
  };
  for (const auto& c : cases) {
    ClearScreen(0, nullptr);
    sprite->X = c.x;
    sprite->Y = c.y;
    sprite->Width = c.width;
    sprite->FollowOffset = c.follow;
    SetScreenOffset(c.offsetX, 0);
    ShowSprite(&sprite, nullptr);
    Pixels screen = ReadBack();
    const auto span = DrawnSpan(screen, c.y + 10);
    EXPECT_EQ(span.first, c.firstColumn) << c.name;
    EXPECT_EQ(span.second, c.lastColumn) << c.name;
  }
  // Twice as wide: every source column is shown twice, in order.
  ClearScreen(0, nullptr);
  sprite->X = 100;
  sprite->Width = 64;
  sprite->FollowOffset = 0;
  ShowSprite(&sprite, nullptr);
  Pixels screen = ReadBack();
  for (int sx = 0; sx < SpriteSide; ++sx) {
    EXPECT_EQ(screen.at(100 + 2 * sx, 110), Pattern(sx, 10)) << sx;
    EXPECT_EQ(screen.at(101 + 2 * sx, 110), Pattern(sx, 10)) << sx;
  }
}

TEST_F(Display, DrawsIntoASurfaceTargetAreClippedToItsSize) {
  SurfaceRecord* target = nullptr;
  CreateSurfaceUser(&target, 40, 20, 0, 0, 0, nullptr);
  ASSERT_NE(target, nullptr);
  sprite->X = 30;
  sprite->Y = 10;
  ShowSpriteFast(&sprite, target);
  Pixels p = ReadBack(target);
  ASSERT_EQ(p.width, 40);
  EXPECT_EQ(p.at(30, 10), Pattern(0, 0));
  EXPECT_EQ(p.at(39, 19), Pattern(9, 9));
  EXPECT_EQ(p.at(29, 10), 0);
  EXPECT_EQ(p.at(30, 9), 0);
  EXPECT_EQ(DrawnSpan(ReadBack(), 15).first, -1) << "the back buffer is untouched";
  FreeSurface(&target);
}

TEST_F(Display, ClearsFillTheRectOrTheWholeTarget) {
  ClearRect(0xF800, nullptr, nullptr);
  Pixels p = ReadBack();
  EXPECT_EQ(p.at(0, 0), 0xF800);
  EXPECT_EQ(p.at(799, 599), 0xF800);
  ClearScreen(0x001F, nullptr);
  RECT r{10, 20, 30, 40};
  ClearRect(0x07E0, &r, nullptr);
  p = ReadBack();
  EXPECT_EQ(p.at(10, 20), 0x07E0);
  EXPECT_EQ(p.at(29, 39), 0x07E0);
  EXPECT_EQ(p.at(30, 39), 0x001F);
  EXPECT_EQ(p.at(29, 40), 0x001F);
  EXPECT_EQ(p.at(9, 20), 0x001F);
  ClearScreen(0x1234, source);
  EXPECT_EQ(ReadBack(source).at(31, 31), 0x1234);
}

TEST_F(Display, UserSurfaceIsRepaintedOnAClearedSurfaceWhenRebuilt) {
  EXPECT_EQ(RestoreCalls, 1) << "painted once at creation";
  EXPECT_TRUE(RestoreSawClearedSurface);
  ReleaseSurface(&source);
  EXPECT_EQ(source->DDSurface, nullptr);
  EXPECT_EQ(SurfaceLock(source, nullptr, nullptr), -1);
  DDSURFACEDESC2 desc;
  EXPECT_EQ(SurfaceLock(source, nullptr, &desc), -1) << "no platform surface: -1 without a platform call";
  EXPECT_EQ(SurfaceUnLock(source, nullptr), -1);
  HDC dc = nullptr;
  EXPECT_EQ(SurfaceGetDC(&dc, source), -1);
  sprite->X = 0;
  sprite->Y = 0;
  ShowSpriteFast(&sprite, nullptr);
  EXPECT_EQ(RestoreCalls, 2) << "the draw rebuilt it";
  EXPECT_TRUE(RestoreSawClearedSurface);
  EXPECT_EQ(ReadBack().at(5, 7), Pattern(5, 7));
  FreeSurface(&source);
  EXPECT_EQ(source, nullptr);
  FreeSurface(&source); // a second free does nothing
  sprite->Surface = nullptr;
}

TEST_F(Display, DeviceContextOfTheBackBufferDrawsWithGdi) {
  HDC dc = nullptr;
  ASSERT_EQ(SurfaceGetDC(&dc, nullptr), DD_OK);
  RECT r{0, 0, 4, 4};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(SurfaceReleaseDC(&dc, nullptr), DD_OK);
  EXPECT_EQ(ReadBack().at(1, 1), 0xFFFF);
}

int Renders;
void WINAPI CountRenders() { ++Renders; }

TEST_F(Display, RenderPassCallsTheRendererOnceAndFlips) {
  // The window is made active when it is created.
  Renders = 0;
  SetRendererProc(CountRenders);
  TavrikEngineRender();
  TavrikEngineRender();
  EXPECT_EQ(Renders, 2);
  SetRendererProc(nullptr);
  TavrikEngineRender();
  EXPECT_EQ(Renders, 2);
}

TEST(Lifecycle, ShutdownIsHarmlessBeforeStartAndTwice) {
  TavrikEngineDeInit();
  HWND window = nullptr;
  ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 1, 33, 1), 1);
  EXPECT_TRUE(IsWindow(window));
  TavrikEngineDeInit();
  TavrikEngineDeInit();
  // A second start-up in the same process works too.
  ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 1, 33, 1), 1);
  TavrikEngineDeInit();
}

// The system cursor's display count of this thread: below 0 while hidden.
int CursorCount() {
  const int count = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  return count;
}

TEST(Lifecycle, RestartsTakeUpTheOneWindowAtTheNewSizeAndHideTheCursorOnce) {
  const int shown = CursorCount();
  HWND first = nullptr, second = nullptr;
  ASSERT_EQ(TavrikEngineInit(&first, 640, 480, 16, 0, 0, 1, 33, 0), 1);
  TavrikEngineDeInit();
  TavrikEngineDeInit();
  EXPECT_EQ(CursorCount(), shown);
  ASSERT_EQ(TavrikEngineInit(&second, 320, 240, 16, 0, 0, 1, 33, 0), 1);
  EXPECT_EQ(second, first) << "one engine window per process";
  EXPECT_EQ(CursorCount(), shown - 1) << "hidden during the start, whatever came before";
  RECT r;
  ASSERT_TRUE(GetWindowRect(second, &r));
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ(r.bottom - r.top, 240);
  EXPECT_FALSE(IsIconic(second));
  TavrikEngineDeInit();
  EXPECT_EQ(CursorCount(), shown);
}

int RendererCalls;
void WINAPI CountRender() { ++RendererCalls; }

// Reads every message waiting for this thread's windows.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST(Lifecycle, ShutdownOnAnotherThreadLeavesTheNextStartRestoredWithTheCursorCounted) {
  const int shown = CursorCount();
  HWND window = nullptr;
  ASSERT_EQ(TavrikEngineInit(&window, 640, 480, 16, 0, 0, 1, 33, 0), 1);
  std::thread([] { TavrikEngineDeInit(); }).join(); // this thread reads no message meanwhile
  ASSERT_EQ(TavrikEngineInit(&window, 640, 480, 16, 0, 0, 1, 33, 0), 1);
  PumpMessages();
  EXPECT_FALSE(IsIconic(window)) << "the other thread's minimising came before the restart's restore";
  RendererCalls = 0;
  SetRendererProc(CountRender);
  TavrikEngineRender();
  SetRendererProc(nullptr);
  EXPECT_EQ(RendererCalls, 1) << "the restarted window is active";
  EXPECT_EQ(CursorCount(), shown - 1);
  TavrikEngineDeInit();
  EXPECT_EQ(CursorCount(), shown) << "the cursor shows again on the thread that hid it";
}

TEST(Lifecycle, WindowedModeDrawsStraightOntoThePrimarySurface) {
  HWND window = nullptr;
  ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 0, 1, 33, 0), 1);
  ClearRect(0xFFFF, nullptr, nullptr);
  DDSURFACEDESC2 desc;
  ASSERT_EQ(SurfaceLock(nullptr, nullptr, &desc), DD_OK);
  const uint16_t corner = *static_cast<uint16_t*>(desc.lpSurface);
  SurfaceUnLock(nullptr, nullptr);
  EXPECT_EQ(corner, 0xFFFF);
  TavrikEngineRender(); // the flip fails in a window and is ignored
  TavrikEngineDeInit();
}

TEST(Input, QueriesAnswerWithoutDevices) {
  SetMouseCoord(-5, 10000);
  int32_t x = 0, y = 0;
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, -5);
  EXPECT_EQ(y, 10000);
  TavrikEngineReadDirectInputData(); // no devices: nothing read, nothing clamped
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, -5);
  EXPECT_EQ(MousePressed(8), 0);
  EXPECT_EQ(ShiftPressed() | CtrlPressed() | AltPressed(), 0);
}

} // namespace

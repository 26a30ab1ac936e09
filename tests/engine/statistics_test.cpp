// Frame statistics under Wine: GetSystemData's figures (the ten-byte frame rate, the
// video memory only with a device) and the green overlay, compared with the same
// lines drawn here with GDI from their expected Unicode text.
#include "engine_internal.h"
#include "engine_library_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Each test runs in a process of its own, so the figures it sets stay its own.
void SetKnownFigures() {
  CurrentFps = 33.9L;
  SpriteCount = 57;
  SurfaceCount = 41;
  for (int i = 1; i <= 10; ++i) FrameTimings[i] = 100000u * i + 12345u;
  FrameTimings[7] = FrameTimings[8] = FrameTimings[9] = 0;
}

TEST(SystemData, BeforeStartLeavesVideoFiguresAndWritesExactlyTenBytesOfFps) {
  TavrikEngineDeInit();
  SetKnownFigures();
  unsigned char fps[16];
  std::memset(fps, 0xCC, sizeof fps);
  int32_t sprites = -1, surfaces = -1;
  uint32_t videoTotal = 0xDEADBEEF, videoFree = 0xFEEDFACE;
  int64_t renderAll = -1, renderUser = -1;
  GetSystemData(reinterpret_cast<long double*>(fps), &sprites, &surfaces, &videoTotal, &videoFree, &renderAll,
                &renderUser);
  const long double expected = 33.9L;
  EXPECT_EQ(std::memcmp(fps, &expected, 10), 0) << "the whole 80-bit value";
  for (int i = 10; i < 16; ++i) EXPECT_EQ(fps[i], 0xCC) << "byte " << i << " is not the caller's";
  EXPECT_EQ(sprites, 57);
  EXPECT_EQ(surfaces, 41);
  EXPECT_EQ(renderAll, 312345);
  EXPECT_EQ(renderUser, 412345);
  EXPECT_EQ(videoTotal, 0xDEADBEEFu);
  EXPECT_EQ(videoFree, 0xFEEDFACEu);
  GetSystemData(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr); // nothing to write
}

TEST(SystemData, WithADeviceReportsVideoMemory) {
  HWND window = nullptr;
  ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 0, 0, 1), 1);
  long double fps = -1;
  int32_t sprites = -1, surfaces = -1;
  uint32_t videoTotal = 0, videoFree = 0xFFFFFFFF;
  int64_t renderAll = -1, renderUser = -1;
  GetSystemData(&fps, &sprites, &surfaces, &videoTotal, &videoFree, &renderAll, &renderUser);
  EXPECT_GT(videoTotal, 0u);
  EXPECT_LE(videoFree, videoTotal);
  EXPECT_EQ(sprites, SpriteCount);
  EXPECT_EQ(surfaces, SurfaceCount);
  TavrikEngineDeInit();
}

// ---- The overlay ---------------------------------------------------------------

constexpr uint16_t Green565 = 0x07E0;
// Smoothed text edges blend the green with the black background: still no red or blue.
bool GreenShade(uint16_t p) { return p != 0 && (p & 0xF81F) == 0; }

std::vector<uint16_t> ReadSurface(IDirectDrawSurface7* surface) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  std::vector<uint16_t> pixels;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return pixels;
  pixels.resize(800 * 600);
  for (int y = 0; y < 600; ++y)
    std::memcpy(&pixels[y * 800], static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch, 800 * 2);
  surface->Unlock(nullptr);
  return pixels;
}

// The eleven lines the overlay should show for the figures in the engine now; the
// label of slot 1 is Cyrillic whatever the system's code page.
std::vector<std::wstring> ExpectedLines() {
  const wchar_t* labels[11] = {L"",         L"\u041E\u0411\u0429     :", L"WinMes  :", L"RendAll :",
                               L"RendUsr :", L"Flip    :",                L"ShowFPS :", L"", L"", L"", L""};
  std::vector<std::wstring> lines{L"FPS: 33 Spr: " + std::to_wstring(SpriteCount) +
                                  L" Surf: " + std::to_wstring(SurfaceCount)};
  for (int i = 1; i <= 10; ++i) lines.push_back(labels[i] + std::to_wstring(static_cast<int64_t>(FrameTimings[i])));
  return lines;
}

// Draws the lines with GDI on the cleared back buffer and answers the picture.
std::vector<uint16_t> Reference(const std::vector<std::wstring>& lines, int x, int y) {
  ClearScreen(0, nullptr);
  HDC dc = nullptr;
  EXPECT_EQ(BackBuffer->GetDC(&dc), DD_OK);
  SetTextColor(dc, RGB(0, 255, 0));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < lines.size(); ++i)
    TextOutW(dc, x, y + 12 * static_cast<int>(i), lines[i].c_str(), static_cast<int>(lines[i].size()));
  BackBuffer->ReleaseDC(dc);
  return ReadSurface(BackBuffer);
}

int Mismatches(const std::vector<uint16_t>& got, const std::vector<uint16_t>& want) {
  if (got.size() != want.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < got.size(); ++i) n += got[i] != want[i];
  return n;
}

// Pure green pixels in rows [top, top + 12).
int GreenInBand(const std::vector<uint16_t>& p, int top) {
  int n = 0;
  for (int y = top; y < top + 12; ++y)
    for (int x = 0; x < 800; ++x) n += p[y * 800 + x] == Green565;
  return n;
}

class Overlay : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 0, 0, 0), 1);
    SetKnownFigures();
  }
  void TearDown() override {
    SetRendererProc(nullptr);
    TavrikEngineShowFPS(10, 10, 0);
    TavrikEngineDeInit();
  }
  HWND window = nullptr;
};

TEST_F(Overlay, DrawsElevenGreenLinesTwelvePixelsApartFromItsCorner) {
  struct {
    int x, y;
  } const corners[] = {{10, 10}, {237, 301}};
  for (const auto& c : corners) {
    const std::vector<uint16_t> want = Reference(ExpectedLines(), c.x, c.y);
    ClearScreen(0, nullptr);
    DrawStatsOverlay(c.x, c.y, BackBuffer);
    const std::vector<uint16_t> got = ReadSurface(BackBuffer);
    EXPECT_EQ(Mismatches(got, want), 0) << "at " << c.x << "," << c.y;
    for (int line = 0; line < 11; ++line)
      EXPECT_GT(GreenInBand(got, c.y + 12 * line), 0) << "line " << line << " at " << c.x << "," << c.y;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const uint16_t p = got[y * 800 + x];
        if (p != 0 && !GreenShade(p)) ADD_FAILURE() << "not green at " << x << "," << y << ": " << p;
        if (p != 0 && (x < c.x || y < c.y)) ADD_FAILURE() << "drawn outside at " << x << "," << y;
      }
  }
}

void WINAPI ClearToBlack() { ClearScreen(0, nullptr); }

TEST_F(Overlay, RenderPassDrawsItOverTheFrameWhileSwitchedOn) {
  SetRendererProc(ClearToBlack);
  FpsStartTick = FpsLastTick = GetTickCount(); // no frame-rate measurement in this pass
  TavrikEngineShowFPS(40, 50, 1);
  EXPECT_EQ(StatsX, 40);
  EXPECT_EQ(StatsY, 50);
  EXPECT_EQ(ShowStats, 1);
  const uint64_t previousOverlayTime = FrameTimings[6];
  // Slots 3, 5 and 6 are written after the overlay, so it shows the previous pass's.
  const std::vector<std::wstring> shownBefore = ExpectedLines();
  TavrikEngineRender();
  std::vector<std::wstring> shown = shownBefore;
  shown[4] = L"RendUsr :" + std::to_wstring(FrameTimings[4]); // this pass's renderer time
  EXPECT_NE(FrameTimings[6], previousOverlayTime) << "the overlay time is measured";
  const std::vector<uint16_t> flipped = ReadSurface(PrimarySurface);
  EXPECT_EQ(Mismatches(flipped, Reference(shown, 40, 50)), 0);

  TavrikEngineShowFPS(40, 50, 0);
  TavrikEngineRender();
  const std::vector<uint16_t> off = ReadSurface(PrimarySurface);
  int green = 0;
  for (uint16_t p : off) green += GreenShade(p);
  EXPECT_EQ(green, 0) << "switched off: nothing drawn";
}

} // namespace

// Frame statistics: reading the figures, and the green overlay the render pass draws.
#include "engine_internal.h"

#include "stats_text.h"

#include <cfloat>
#include <cstring>

static_assert(LDBL_MANT_DIG == 64, "CurrentFps is the 80-bit x87 extended type");

namespace {

constexpr size_t ExtendedBytes = 10; // the x87 extended value, without its storage padding
constexpr COLORREF StatsColor = RGB(0, 255, 0);

} // namespace

void DrawStatsOverlay(int32_t X, int32_t Y, IDirectDrawSurface7* Surface) {
  if (!Surface) return;
  HDC dc = nullptr;
  if (Surface->GetDC(&dc) != DD_OK) return;
  SetTextColor(dc, StatsColor);
  SetBkMode(dc, TRANSPARENT);

  StatsFigures figures{};
  figures.Fps = CurrentFps;
  figures.Sprites = SpriteCount;
  figures.Surfaces = SurfaceCount;
  std::memcpy(figures.Timings, FrameTimings, sizeof figures.Timings);
  for (int line = 0; line < StatsLineCount; ++line) {
    char text[StatsLineCapacity];
    const size_t length = FormatStatsLine(line, figures, text);
    // The labels are code page 1251; converted here they read right whatever the
    // system's own code page is.
    wchar_t wide[StatsLineCapacity];
    const int wideLength =
        length ? MultiByteToWideChar(1251, 0, text, static_cast<int>(length), wide, StatsLineCapacity) : 0;
    TextOutW(dc, X, Y + StatsLineSpacing * line, wide, wideLength);
  }
  Surface->ReleaseDC(dc);
}

extern "C" {

void WINAPI TavrikEngineShowFPS(int32_t X, int32_t Y, int32_t Show) {
  StatsX = X;
  StatsY = Y;
  ShowStats = Show;
}

void WINAPI GetSystemData(TavrikFps* Fps, int32_t* Sprites, int32_t* Surfaces, uint32_t* VideoTotal,
                          uint32_t* VideoFree, int64_t* RenderAll, int64_t* RenderUser) {
  // Exactly ten bytes: the caller's variable may be a bare 10-byte extended value.
  if (Fps) std::memcpy(Fps, &CurrentFps, ExtendedBytes);
  if (Sprites) *Sprites = SpriteCount;
  if (Surfaces) *Surfaces = SurfaceCount;
  if (RenderAll) *RenderAll = static_cast<int64_t>(FrameTimings[3]);
  if (RenderUser) *RenderUser = static_cast<int64_t>(FrameTimings[4]);
  if (!DirectDrawObject) return;
  DDSCAPS2 caps;
  ZeroMemory(&caps, sizeof caps);
  caps.dwCaps = DDSCAPS_VIDEOMEMORY;
  DWORD total = 0, available = 0;
  if (DirectDrawObject->GetAvailableVidMem(&caps, &total, &available) != DD_OK) return;
  if (VideoTotal) *VideoTotal = total;
  if (VideoFree) *VideoFree = available;
}

} // extern "C"

// Colour fills, the screen offset, the renderer procedure and the render pass.
#include "engine_internal.h"

RendererProc CurrentRendererProc;

namespace {

// Clears RenderBusy however the pass ends.
struct RenderPassGuard {
  RenderPassGuard() { RenderBusy = 1; }
  ~RenderPassGuard() { RenderBusy = 0; }
  RenderPassGuard(const RenderPassGuard&) = delete;
  RenderPassGuard& operator=(const RenderPassGuard&) = delete;
};

IDirectDrawSurface7* TargetSurface(SurfaceRecord* Target) { return Target ? Target->DDSurface : BackBuffer; }

// Frames per second over windows of at least one second; the window closes with the
// tick of the previous pass. The unsigned difference stays right across the wrap of
// the tick count, and after any pause shorter than the 49.7 days of a full wrap.
void MeasureFrameRate() {
  const uint32_t span = FpsLastTick - FpsStartTick;
  if (FpsWindowOpen && span >= 1000) {
    CurrentFps = static_cast<long double>(FpsFrameCount) * 1000 / span;
    FpsFrameCount = 0;
    FpsStartTick = FpsLastTick;
  }
}

} // namespace

void FillSurfaceRect(uint32_t Color, IDirectDrawSurface7* Dest, RECT* Rect) {
  DDBLTFX fx;
  ZeroMemory(&fx, sizeof fx);
  fx.dwSize = sizeof fx;
  fx.dwFillColor = Color;
  Dest->Blt(Rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void FillSurface(uint32_t Color, IDirectDrawSurface7* Dest) {
  RECT rect{0, 0, 0, 0};
  if (Dest == BackBuffer) {
    // In a window the back buffer is the whole desktop: clear only the window's area.
    rect.right = ScreenWidth;
    rect.bottom = ScreenHeight;
  } else {
    DDSURFACEDESC2 desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    if (Dest->GetSurfaceDesc(&desc) == DD_OK) {
      rect.right = static_cast<LONG>(desc.dwWidth);
      rect.bottom = static_cast<LONG>(desc.dwHeight);
    }
  }
  FillSurfaceRect(Color, Dest, &rect);
}

extern "C" {

void WINAPI SetScreenOffset(int32_t X, int32_t Y) {
  ScreenOffsetX = X;
  ScreenOffsetY = Y;
}

void WINAPI SetRendererProc(RendererProc P) { CurrentRendererProc = P; }

void WINAPI ClearScreen(uint32_t Color, SurfaceRecord* Target) {
  if (IDirectDrawSurface7* dest = TargetSurface(Target)) FillSurface(Color, dest);
}

void WINAPI ClearRect(uint32_t Color, RECT* Rect, SurfaceRecord* Target) {
  if (IDirectDrawSurface7* dest = TargetSurface(Target)) FillSurfaceRect(Color, dest, Rect);
}

void WINAPI TavrikEngineRender(void) {
  if (!AppActive || RenderBusy) return;
  RenderPassGuard guard;
  MeasureFrameRate();
  if (!DirectDrawObject) return;

  FpsLastTick = TickSource();
  FpsFrameCount += 1;
  // The first window opens at the first pass, not at tick 0, which may lie weeks back;
  // that pass marks the window's start, so its frame is not counted in it.
  if (!FpsWindowOpen) {
    FpsStartTick = FpsLastTick;
    FpsFrameCount = 0;
    FpsWindowOpen = 1;
  }
  const uint64_t passStart = ReadTimeStamp();

  const uint64_t userStart = ReadTimeStamp();
  if (CurrentRendererProc) CurrentRendererProc();
  FrameTimings[4] = ReadTimeStamp() - userStart;

  const uint64_t overlayStart = ReadTimeStamp();
  if (ShowStats) DrawStatsOverlay(StatsX, StatsY, BackBuffer);
  FrameTimings[6] = ReadTimeStamp() - overlayStart;

  if (PrimarySurface) {
    const uint64_t flipStart = ReadTimeStamp();
    const HRESULT hr = PrimarySurface->Flip(nullptr, FlipFlags);
    FrameTimings[5] = ReadTimeStamp() - flipStart;
    if (hr == DDERR_SURFACELOST) PrimarySurface->Restore();
  }
  FrameTimings[3] = ReadTimeStamp() - passStart;
}

} // extern "C"

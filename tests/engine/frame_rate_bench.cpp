// Benchmark, not a test: the engine's frame loop at 33 frames per second on the real
// display, drawing a full-screen clear and N 32 x 32 sprites a frame (first argument,
// default 200) from a surface in video memory (or system memory with a second
// argument "system"), for five seconds.
// Reports the measured frame rate, the frames run, and the engine's own cost per
// frame (render pass and renderer procedure) in time-stamp ticks against the flip.
#include "tavrik_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

SurfaceRecord* Picture;
SpriteChain Sprites;
int Frames;
DWORD Start;
int64_t RenderAllSum, RenderUserSum;

void WINAPI Paint(SurfaceRecord** S) { ClearScreen(0xF81F, *S); }

void WINAPI Render() {
  ClearScreen(0x0010, nullptr);
  ShowChainFast(&Sprites, nullptr);
}

uint8_t WINAPI Frame() {
  long double fps;
  int32_t sprites, surfaces;
  uint32_t total, free;
  int64_t all, user;
  GetSystemData(&fps, &sprites, &surfaces, &total, &free, &all, &user);
  RenderAllSum += all;
  RenderUserSum += user;
  TavrikEngineRender();
  ++Frames;
  return GetTickCount() - Start >= 5000;
}

} // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200;
  const int32_t videoMemory = argc > 2 && std::strcmp(argv[2], "system") == 0 ? 0 : 1;
  HWND window;
  if (!TavrikEngineInit(&window, 800, 600, 16, 0, 1, 1, 33, 1)) return 1;
  CreateSurfaceUser(&Picture, 32, 32, videoMemory, 0, 0, Paint);
  for (int i = 0; i < count; ++i) {
    Sprite* s = CreateSprite(&Sprites, 0);
    s->Surface = Picture;
    s->X = (i * 37) % 780;
    s->Y = (i * 53) % 580;
    s->Width = s->Height = 32;
    s->SrcRect = RECT{0, 0, 32, 32};
  }
  SetRendererProc(Render);
  Start = GetTickCount();
  ProcessWindowsMessages(Frame);
  long double fps;
  int32_t sprites, surfaces;
  uint32_t total, free;
  int64_t all, user;
  GetSystemData(&fps, &sprites, &surfaces, &total, &free, &all, &user);
  std::printf("%d sprites from %s memory: ", count, videoMemory ? "video" : "system");
  std::printf("frames %d in %lu ms, measured fps %.2f\n", Frames, GetTickCount() - Start, static_cast<double>(fps));
  std::printf("mean render pass %lld ticks, of which renderer %lld ticks (%.1f%%)\n", RenderAllSum / Frames,
              RenderUserSum / Frames, 100.0 * RenderUserSum / RenderAllSum);
  ClearChain(&Sprites);
  FreeSurface(&Picture);
  TavrikEngineDeInit();
  return 0;
}

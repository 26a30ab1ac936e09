// A program that uses the engine library the way a host may that does not follow the
// game's order: it loads it at run time, starts it and unloads it without shutting it
// down, starts it once more and then ends without unloading it or shutting it down.
// It must end on its own, with code 0, every time.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

typedef int32_t(WINAPI* InitFn)(HWND*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
typedef void(WINAPI* RenderFn)(void);

bool StartEngine(HMODULE engine) {
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(engine, "TavrikEngineInit")));
  auto render = reinterpret_cast<RenderFn>(reinterpret_cast<void*>(GetProcAddress(engine, "TavrikEngineRender")));
  HWND window = nullptr;
  if (!init || !render || !init(&window, 800, 600, 16, 0, 1, 1, 33, 1)) return false;
  render();
  return true;
}

// Lets the system deliver whatever is queued for the windows of this thread.
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

} // namespace

int main() {
  HMODULE engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("first start failed"), 1;
  FreeLibrary(engine); // unloaded while running: the library shuts itself down
  Pump();
  if (FindWindowA("TavrikEngine2DWindowClass", nullptr)) return std::puts("window outlived the library"), 1;
  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("second start failed"), 1;
  Pump();
  return 0; // ends without unloading or shutting down
}

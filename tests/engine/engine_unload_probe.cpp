// A program that uses the engine library the way a host may that does not follow the
// game's order: it unloads it from another thread than its window's, with and without
// a shutdown; it starts and shuts the engine down twice before unloading it, loads
// it again, starts it and unloads it without shutting it down, starts it once more and
// then ends without unloading it or shutting it down. It must end on its own, with
// code 0, every time.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

typedef int32_t(WINAPI* InitFn)(HWND*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
typedef void(WINAPI* VoidFn)(void);

constexpr char EngineClass[] = "TavrikEngine2DWindowClass";

VoidFn Export(HMODULE engine, const char* name) {
  return reinterpret_cast<VoidFn>(reinterpret_cast<void*>(GetProcAddress(engine, name)));
}

// Starts the engine and renders a frame; answers its window, nil on failure.
HWND StartEngine(HMODULE engine) {
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(engine, "TavrikEngineInit")));
  const VoidFn render = Export(engine, "TavrikEngineRender");
  HWND window = nullptr;
  if (!init || !render || !init(&window, 800, 600, 16, 0, 1, 1, 33, 1)) return nullptr;
  render();
  return window;
}

BOOL CALLBACK CountEngineWindow(HWND window, LPARAM count) {
  char name[64];
  if (GetClassNameA(window, name, sizeof name) && lstrcmpA(name, EngineClass) == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int EngineWindows() {
  int count = 0;
  EnumWindows(CountEngineWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Lets the system deliver whatever is queued for the windows of this thread.
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

DWORD WINAPI UnloadLibrary(LPVOID module) { return FreeLibrary(static_cast<HMODULE>(module)) ? 0 : 1; }

// Unloads the engine on another thread and waits for it, reading this thread's
// messages meanwhile or not; false when the unload does not end.
bool UnloadElsewhere(HMODULE engine, bool readMessages) {
  HANDLE thread = CreateThread(nullptr, 0, UnloadLibrary, engine, 0, nullptr);
  if (!thread) return false;
  DWORD waited;
  if (readMessages) {
    while ((waited = MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_ALLINPUT)) == WAIT_OBJECT_0 + 1) Pump();
  } else {
    waited = WaitForSingleObject(thread, 30000);
  }
  CloseHandle(thread);
  return waited == WAIT_OBJECT_0;
}

int RendererCalls;
void WINAPI CountRender() { ++RendererCalls; }

// The engine's window is active: a render pass calls the renderer procedure.
bool Renders(HMODULE engine) {
  typedef void(WINAPI * SetRendererFn)(void(WINAPI*)(void));
  auto setRenderer =
      reinterpret_cast<SetRendererFn>(reinterpret_cast<void*>(GetProcAddress(engine, "SetRendererProc")));
  RendererCalls = 0;
  setRenderer(CountRender);
  Export(engine, "TavrikEngineRender")();
  setRenderer(nullptr);
  return RendererCalls == 1;
}

} // namespace

int main() {
  // Unloaded by another thread than the window's while this one reads its messages,
  // and after a shutdown while this one only waits: neither hangs, and the window
  // goes when this thread reads its messages; a start before that gets a working one.
  HMODULE engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("start before unloading elsewhere failed"), 1;
  if (!UnloadElsewhere(engine, true)) return std::puts("unloading from another thread hung"), 1;
  Pump();
  if (EngineWindows() != 0) return std::puts("a window outlived a library unloaded elsewhere"), 1;
  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("start before unloading elsewhere failed"), 1;
  if (!UnloadElsewhere(engine, false)) return std::puts("unloading from another thread, unanswered, hung"), 1;
  Pump();
  if (EngineWindows() != 0) return std::puts("a window outlived a library unloaded elsewhere"), 1;
  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("start after unloading elsewhere failed"), 1;
  Export(engine, "TavrikEngineDeInit")();
  if (!UnloadElsewhere(engine, false)) return std::puts("unloading from another thread after a shutdown hung"), 1;
  engine = LoadLibraryA("TavrikEngine2D.dll");
  const HWND restarted = engine ? StartEngine(engine) : nullptr;
  if (!restarted || !Renders(engine))
    return std::puts("a start before the old window went got no working window"), 1;
  Pump();
  if (EngineWindows() != 1) return std::printf("%d engine windows after the old one went\n", EngineWindows()), 1;
  Export(engine, "TavrikEngineDeInit")();
  FreeLibrary(engine);
  Pump();

  // Two starts and shutdowns keep one window; unloading leaves none and no class.
  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine) return std::puts("no engine library"), 1;
  const HWND first = StartEngine(engine);
  if (!first) return std::puts("first start failed"), 1;
  Export(engine, "TavrikEngineDeInit")();
  if (StartEngine(engine) != first) return std::puts("a second start made a second window"), 1;
  if (EngineWindows() != 1) return std::printf("%d engine windows\n", EngineWindows()), 1;
  Export(engine, "TavrikEngineDeInit")();
  FreeLibrary(engine);
  Pump();
  if (IsWindow(first) || EngineWindows() != 0) return std::puts("a window outlived the library"), 1;
  WNDCLASSA info;
  if (GetClassInfoA(engine, EngineClass, &info)) return std::puts("the class outlived the library"), 1;

  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("start after reloading failed"), 1;
  FreeLibrary(engine); // unloaded while running: the library shuts itself down
  Pump();
  if (EngineWindows() != 0) return std::puts("window outlived the library"), 1;
  engine = LoadLibraryA("TavrikEngine2D.dll");
  if (!engine || !StartEngine(engine)) return std::puts("second start failed"), 1;
  Pump();
  return 0; // ends without unloading or shutting down
}

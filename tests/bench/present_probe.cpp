// Measurement aid, not a test: what the platform's display layer costs in memory on
// its own. A window, full-screen DirectDraw at 800 x 600 x 16 with one back buffer,
// and a loop paced at 30 ms that makes only the calls the game makes each frame while
// it sits idle: one colour-keyed 31 x 31 BltFast onto the back buffer, then a Flip.
// Nothing of the engine takes part. Watch its memory from outside (winebench.py memory).
//   present_probe draw [SECONDS]   the per-frame calls (default 600 s)
//   present_probe idle [SECONDS]   the same set-up, no per-frame calls (the control)
#include <windows.h>

#include <ddraw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD FrameMilliseconds = 30;
constexpr LONG Side = 31;
constexpr LONG Frames = 8; // animation frames side by side, as the cursor's

LRESULT CALLBACK ProbeWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(Window, Message, WParam, LParam);
}

IDirectDrawSurface7* MakeSurface(IDirectDraw7* Draw, DWORD Flags, DWORD Caps, DWORD Width, DWORD Height) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = Flags;
  desc.ddsCaps.dwCaps = Caps;
  desc.dwWidth = Width;
  desc.dwHeight = Height;
  desc.dwBackBufferCount = 1;
  IDirectDrawSurface7* surface = nullptr;
  return Draw->CreateSurface(&desc, &surface, nullptr) == DD_OK ? surface : nullptr;
}

} // namespace

int main(int argc, char** argv) {
  const bool draw = argc < 2 || std::strcmp(argv[1], "idle") != 0;
  const DWORD seconds = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 600;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "PresentProbe";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "PresentProbe", "present probe", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                nullptr, windowClass.hInstance, nullptr);

  // Bound at run time, as the engine binds it.
  typedef HRESULT(WINAPI * CreateFn)(GUID*, void**, REFIID, IUnknown*);
  const HMODULE library = LoadLibraryA("DDraw.dll");
  const auto create = library ? reinterpret_cast<CreateFn>(reinterpret_cast<void*>(
                                    GetProcAddress(library, "DirectDrawCreateEx")))
                              : nullptr;
  IDirectDraw7* ddraw = nullptr;
  if (!create || create(nullptr, reinterpret_cast<void**>(&ddraw), IID_IDirectDraw7, nullptr) != DD_OK ||
      ddraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
      ddraw->SetDisplayMode(800, 600, 16, 0, 0) != DD_OK)
    return std::puts("no full-screen display"), 1;
  IDirectDrawSurface7* primary =
      MakeSurface(ddraw, DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                  DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY, 0, 0);
  IDirectDrawSurface7* sprite =
      MakeSurface(ddraw, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY,
                  Side * Frames, Side);
  IDirectDrawSurface7* back = nullptr;
  DDSCAPS2 backCaps = {};
  backCaps.dwCaps = DDSCAPS_BACKBUFFER;
  if (!primary || !sprite || primary->GetAttachedSurface(&backCaps, &back) != DD_OK)
    return std::puts("no surfaces"), 1;
  DDCOLORKEY key = {0x07E0, 0x07E0};
  sprite->SetColorKey(DDCKEY_SRCBLT, &key);

  unsigned long frames = 0;
  const DWORD start = GetTickCount();
  DWORD due = start + FrameMilliseconds;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return 0;
      DispatchMessageA(&msg);
    }
    const DWORD now = GetTickCount();
    if (now - start >= seconds * 1000) break;
    if (static_cast<LONG>(due - now) > 0) {
      Sleep(due - now);
      continue;
    }
    due += FrameMilliseconds;
    ++frames;
    if (draw) {
      const LONG left = static_cast<LONG>(frames / 2 % Frames) * Side;
      RECT source = {left, 0, left + Side, Side};
      back->BltFast(0, 0, sprite, &source, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
      primary->Flip(nullptr, DDFLIP_WAIT);
    }
  }
  std::printf("%lu frames\n", frames);
  sprite->Release();
  primary->Release();
  ddraw->RestoreDisplayMode();
  ddraw->Release();
  return 0;
}

// Engine start-up and shutdown, the engine window and the paced message loop.
#include "engine_internal.h"

#include <x86intrin.h>

#include <cstdio>

HINSTANCE ModuleInstance;
HWND EngineWindow;
WNDCLASSA EngineWindowClass;
int32_t ScreenWidth = 800, ScreenHeight = 600, ScreenBpp = 16, RefreshRate;
int32_t FullScreen;
uint32_t FlipFlags;
int32_t TargetFps;
FramePacing Pacing;
int32_t ScreenOffsetX, ScreenOffsetY;
volatile int32_t AppActive;
volatile int32_t RenderBusy;
uint8_t QuitFlag;
int32_t SpriteCount;
int32_t SurfaceCount;
long double CurrentFps;
int32_t FpsFrameCount;
uint32_t FpsStartTick, FpsLastTick;
int32_t FpsWindowOpen;
int32_t ShowStats, StatsX = 10, StatsY = 10;
uint64_t LoopStartStamp;
uint64_t FrameTimings[11];

namespace {

constexpr char WindowClassName[] = "TavrikEngine2DWindowClass";
constexpr char WindowTitle[] = "TavrikEngine 2D Window";

// Message box texts, kept in code page 1251.
constexpr char CaptionPrefix1251[] = "\xCE\xF8\xE8\xE1\xEA\xE0 \xB9"; // error number
constexpr char DirectDrawFailure1251[] =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xF1\xEE\xE7\xE4\xE0\xED\xE8\xFF \xE8\xED\xF2\xE5\xF0\xF4\xE5\xE9\xF1\xE0 DirectDraw\r\n"
    "\xD3\xE1\xE5\xE4\xE8\xF2\xE5\xF1\xFC, \xF7\xF2\xEE \xF3 \xE2\xE0\xF1 \xF3\xF1\xF2\xE0\xED\xEE\xE2\xEB\xE5\xED "
    "DirectX 7 \xE8\xEB\xE8 \xE2\xFB\xF8\xE5!";
constexpr char InputFailure1251[] = "Direct Input initialization error!";
constexpr WORD LanguageRussian = 0x19;

// The thread whose system cursor a start hid (each thread has its own count); 0 while
// no start that is not shut down has hidden it.
DWORD CursorThread;
// Asks the window's thread to show its cursor again, for a shutdown on another thread.
constexpr UINT ShowCursorMessage = WM_APP + 1;

uint32_t SystemTicks() { return GetTickCount(); }
void SystemSleep(uint32_t Milliseconds) { SleepEx(Milliseconds, FALSE); }

// Shows a start-up failure. The texts are stored in code page 1251 and converted, so
// they read correctly whatever the system's own code page is.
void ShowFailureBox(const char* Text1251, HRESULT Code) {
  char caption[64];
  std::snprintf(caption, sizeof caption, "%s%lu", CaptionPrefix1251, static_cast<unsigned long>(static_cast<uint32_t>(Code)));
  wchar_t wideCaption[64];
  wchar_t wideText[256];
  if (!MultiByteToWideChar(1251, 0, caption, -1, wideCaption, 64)) wideCaption[0] = 0;
  if (!MultiByteToWideChar(1251, 0, Text1251, -1, wideText, 256)) wideText[0] = 0;
  MessageBoxExW(EngineWindow, wideText, wideCaption, MB_OK, LanguageRussian);
}

// Takes a window of ours down for good. Its procedure is detached first, so that it
// never runs for a window that is not the engine's any more, even when the window
// belongs to another thread: that thread destroys it when it next reads its messages
// (the system's own procedure closes a window on WM_CLOSE).
void TakeDownWindow(HWND Window) {
  SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
  if (!DestroyWindow(Window)) PostMessageA(Window, WM_CLOSE, 0, 0);
}

// A window of this library in this process: a handle kept from an earlier start may
// have been destroyed and its value given to some other window since.
bool IsEngineWindow(HWND Window) {
  DWORD process = 0;
  char name[sizeof WindowClassName + 1];
  return Window && IsWindow(Window) && GetWindowThreadProcessId(Window, &process) &&
         process == GetCurrentProcessId() && GetClassNameA(Window, name, sizeof name) &&
         lstrcmpA(name, WindowClassName) == 0 &&
         GetClassLongPtrA(Window, GCLP_HMODULE) == reinterpret_cast<ULONG_PTR>(ModuleInstance);
}

// A class left registered by an unloaded copy of this library, held up by a window
// that some thread has yet to close, has the system's procedure: ours is put back
// through a window of the class made for that alone (the holding window keeps the
// system's procedure).
void ReclaimClassProcedure() {
  WNDCLASSA existing;
  if (!GetClassInfoA(ModuleInstance, WindowClassName, &existing) || existing.lpfnWndProc == EngineWindowProc) return;
  HWND helper = CreateWindowExA(0, WindowClassName, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance,
                                nullptr);
  if (!helper) return;
  SetClassLongPtrA(helper, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(EngineWindowProc));
  DestroyWindow(helper);
}

// Activation changed: nothing stays pressed across it. The render pass runs on this
// same thread, so a set RenderBusy means this message arrived from inside the pass,
// which cannot finish while we wait; the reset then happens at once.
// What the devices gathered meanwhile is dropped, so that keys typed and motion made
// while the window was inactive never reach the game.
void ActivationChanged(int32_t Active) {
  AppActive = Active;
  ResetInputState();
  DiscardBufferedInput();
}

// The window of an earlier start in this process, made ready again; nil when there
// is none this thread can use (one of another thread is taken down instead).
HWND ReuseEngineWindow(int32_t Width, int32_t Height) {
  if (!IsEngineWindow(EngineWindow)) return nullptr;
  if (GetWindowThreadProcessId(EngineWindow, nullptr) != GetCurrentThreadId()) {
    TakeDownWindow(EngineWindow);
    return nullptr;
  }
  // A shutdown on another thread asked for the minimising without waiting: it is
  // done now, before the restore, not after it.
  MSG pending;
  PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
  // Shutdown minimised it; restoring it activates it as creation would. The size is
  // set after the restore, which would otherwise bring back the earlier start's.
  ShowWindow(EngineWindow, SW_RESTORE);
  SetWindowPos(EngineWindow, HWND_TOP, 0, 0, Width, Height, SWP_NOACTIVATE);
  SetForegroundWindow(EngineWindow);
  // Activation while the window was still minimised does not count; it is active now.
  if (GetActiveWindow() == EngineWindow && !AppActive) ActivationChanged(1);
  return EngineWindow;
}

HWND CreateEngineWindow(const char* Title, int32_t Width, int32_t Height) {
  ZeroMemory(&EngineWindowClass, sizeof EngineWindowClass);
  EngineWindowClass.style = CS_NOCLOSE | CS_CLASSDC;
  EngineWindowClass.lpfnWndProc = EngineWindowProc;
  EngineWindowClass.hInstance = ModuleInstance;
  EngineWindowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  EngineWindowClass.lpszClassName = WindowClassName;
  // A class left by an earlier start is made anew when no window holds it. One that
  // a window still holds is kept: the minimised window of an earlier start, whose
  // class is ours, or a window left by an unloaded copy of this library, whose class
  // gets our procedure back. Any other failure leaves no window to run in.
  UnregisterClassA(WindowClassName, ModuleInstance);
  if (!RegisterClassA(&EngineWindowClass)) {
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ExitProcess(1);
    ReclaimClassProcedure();
  }
  // At most one engine window: a second start in this process takes up the first one's.
  HWND window = ReuseEngineWindow(Width, Height);
  if (!window)
    window = CreateWindowExA(WS_EX_NOPARENTNOTIFY, WindowClassName, Title, WS_POPUP | WS_VISIBLE, 0, 0, Width,
                             Height, nullptr, nullptr, ModuleInstance, nullptr);
  // Hidden once however many starts and shutdowns come, so that it shows again after
  // the shutdown and never during a start.
  if (!CursorThread) {
    ShowCursor(FALSE);
    CursorThread = GetCurrentThreadId();
  }
  return window;
}

void CloseEngineWindow() {
  const bool ours = IsEngineWindow(EngineWindow);
  // The count belongs to the thread that hid the cursor; a shutdown on another thread
  // has the window's thread show it (not when the library is being unloaded, which
  // detaches the window's procedure first).
  if (CursorThread == GetCurrentThreadId())
    ShowCursor(TRUE);
  else if (CursorThread && ours)
    PostMessageA(EngineWindow, ShowCursorMessage, 0, 0);
  CursorThread = 0;
  if (ours) {
    // Minimising another thread's window waits for that thread, which may be waiting
    // for us (an unload holds the loader's lock): it is asked without waiting.
    if (GetWindowThreadProcessId(EngineWindow, nullptr) == GetCurrentThreadId())
      CloseWindow(EngineWindow);
    else
      ShowWindowAsync(EngineWindow, SW_MINIMIZE);
  }
  UnregisterClassA(WindowClassName, ModuleInstance);
}

} // namespace

uint32_t (*TickSource)() = SystemTicks;
void (*SleepSource)(uint32_t) = SystemSleep;

uint64_t ReadTimeStamp() { return __rdtsc(); }

LRESULT CALLBACK EngineWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_DESTROY:
      QuitFlag = 1;
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATE:
      switch (LOWORD(WParam)) {
        case WA_INACTIVE:
          if (AppActive) ActivationChanged(0);
          break;
        case WA_ACTIVE:
        case WA_CLICKACTIVE:
          if (HIWORD(WParam) == 0 && !AppActive) ActivationChanged(1);
          break;
        default:
          break;
      }
      return 0;
    case WM_SIZE:
      // Minimising moves the activation to another window only when there is one to
      // take it; a minimised window counts as inactive all the same, and its restore
      // makes it active again when it has kept the activation.
      if (WParam == SIZE_MINIMIZED) {
        if (AppActive) ActivationChanged(0);
      } else if ((WParam == SIZE_RESTORED || WParam == SIZE_MAXIMIZED) && !AppActive && GetActiveWindow() == Window) {
        ActivationChanged(1);
      }
      return 0;
    case WM_PAINT:
      ValidateRect(Window, nullptr);
      return 0;
    case WM_CLOSE:
      DestroyWindow(Window);
      return 0;
    case ShowCursorMessage:
      ShowCursor(TRUE);
      return 0;
    default:
      return DefWindowProcA(Window, Message, WParam, LParam);
  }
}

bool RunLoopIteration(FrameProc Frame) {
  bool stop = false;
  const uint64_t now = ReadTimeStamp();
  FrameTimings[1] = now - LoopStartStamp;
  LoopStartStamp = ReadTimeStamp();
  const uint64_t pumpStart = ReadTimeStamp();

  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      QuitFlag = 1;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  FrameTimings[2] = ReadTimeStamp() - pumpStart;

  // A catch-up burst ends once the measured rate overshoots the target.
  if (CurrentFps > static_cast<long double>(TargetFps) + 1) {
    Pacing.NextFrameTick = TickSource() + Pacing.FrameInterval;
    CurrentFps = TargetFps;
  }

  // One reading decides both whether a frame is due and how long to sleep: a second
  // reading could find the frame due, advance the deadline and so drop that frame.
  const uint32_t delay = FrameDelay(Pacing, TickSource());
  if (delay > 0) {
    SleepSource(delay);
  } else if (AppActive && Frame) {
    stop = Frame() != 0;
  }
  return QuitFlag || stop;
}

void EngineLibraryLoad(HINSTANCE Instance) {
  ModuleInstance = Instance;
  BindDisplayLibrary();
  BindInputLibrary();
}

void EngineLibraryUnload() {
  // Releasing the devices waits for the platform's own threads, which cannot run
  // while the system unloads a library: a host that unloads the engine without
  // shutting it down would hang here. Such devices are left to the end of the
  // process, and the platform libraries whose code they run stay loaded.
  const bool devicesLeft = DirectDrawObject || InputDevicesOpen();
  if (devicesLeft) ForgetDevices();
  TavrikEngineDeInit();
  // The window's procedure goes with the library, so the window must go first; its
  // end is not the host's, so no quit message is posted for it.
  // The class keeps the procedure too while a window of another thread holds it up.
  if (IsEngineWindow(EngineWindow)) {
    SetClassLongPtrA(EngineWindow, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    TakeDownWindow(EngineWindow);
  }
  UnregisterClassA(WindowClassName, ModuleInstance);
  EngineWindow = nullptr;
  if (!devicesLeft) {
    UnbindInputLibrary();
    UnbindDisplayLibrary();
  }
}

extern "C" {

int32_t WINAPI TavrikEngineInit(HWND* Window, int32_t Width, int32_t Height, int32_t /*BitsPerPixel*/,
                                int32_t Refresh, int32_t IsFullScreen, int32_t VSync, int32_t Fps,
                                int32_t VideoMemory) {
  TargetFps = Fps < 0 ? 0 : Fps;
  StartPacing(Pacing, TargetFps, TickSource());
  FlipFlags = VSync ? DDFLIP_WAIT : DDFLIP_WAIT | DDFLIP_NOVSYNC;
  // The frame rate of this start is measured from its own first frame.
  FpsWindowOpen = 0;
  FpsFrameCount = 0;

  EngineWindow = CreateEngineWindow(WindowTitle, Width, Height);
  if (Window) *Window = EngineWindow;

  HRESULT result = InitDisplay(EngineWindow, Width, Height, 16, Refresh, IsFullScreen, VideoMemory);
  if (result != DD_OK) {
    ShowFailureBox(DirectDrawFailure1251, result);
    TavrikEngineDeInit();
    return 0;
  }
  result = InitInput();
  if (result != 0) {
    ShowFailureBox(InputFailure1251, result);
    TavrikEngineDeInit();
    return 0;
  }
  ScreenWidth = Width;
  ScreenHeight = Height;
  ScreenBpp = 16;
  RefreshRate = Refresh;
  return 1;
}

void WINAPI TavrikEngineDeInit(void) {
  ShutdownInput();
  ReleaseDisplay();
  CloseEngineWindow();
}

void WINAPI ProcessWindowsMessages(FrameProc Frame) {
  while (!RunLoopIteration(Frame)) {
  }
}

} // extern "C"

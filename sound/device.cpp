// The sound device: "DSound.dll" bound at load, the hidden window that DirectSound's
// cooperative level needs, and the use count of tvrk_InitDS / tvrk_CloseDS.
#include "sound_internal.h"

IDirectSound* DirectSoundObject;

namespace {

typedef HRESULT(WINAPI* DirectSoundCreateFn)(const GUID* Device, IDirectSound** Object, IUnknown* Outer);

constexpr char VersionBanner[] = "TavrikSoundLite 1.0";
constexpr char SoundWindowClassName[] = "TavrikSoundMainWindow";
constexpr char SoundWindowTitle[] = "TavrikSound";

HINSTANCE ModuleInstance;
HMODULE DirectSoundLibrary;
DirectSoundCreateFn DirectSoundCreateEntry;
int32_t DeviceUseCount;
HWND SoundWindow;

LRESULT CALLBACK SoundWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_DESTROY:
      // No PostQuitMessage: the window lives on the host's thread, and a quit
      // message there would end the host's own message loop.
      if (Window == SoundWindow) SoundWindow = nullptr;
      return 0;
    case WM_CLOSE:
      DestroyWindow(Window);
      return 0;
    default:
      return DefWindowProcA(Window, Message, WParam, LParam);
  }
}

// Registers the class and makes the window, which is never shown. Answers 0 or the
// failure as an HRESULT.
HRESULT CreateSoundWindow() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC | CS_NOCLOSE;
  windowClass.lpfnWndProc = SoundWindowProc;
  windowClass.hInstance = ModuleInstance;
  windowClass.hIcon = LoadIconA(nullptr, "");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = SoundWindowClassName;
  // A class still registered has a window of another thread waiting to close; it no
  // longer has our procedure, so a class that no window holds is made anew.
  UnregisterClassA(SoundWindowClassName, ModuleInstance);
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  SoundWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY, SoundWindowClassName, SoundWindowTitle,
                                WS_POPUP | WS_MINIMIZE, 0, 0, 10, 10, nullptr, nullptr, ModuleInstance, nullptr);
  if (!SoundWindow) {
    const DWORD error = GetLastError();
    UnregisterClassA(SoundWindowClassName, ModuleInstance);
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  return S_OK;
}

// A window of this library in this process: a kept handle may belong to a window
// destroyed since (closed from outside, or by its thread's end) whose value the
// system has given to some other window.
bool IsSoundWindow(HWND Window) {
  DWORD process = 0;
  char name[sizeof SoundWindowClassName + 1];
  return Window && IsWindow(Window) && GetWindowThreadProcessId(Window, &process) &&
         process == GetCurrentProcessId() && GetClassNameA(Window, name, sizeof name) &&
         lstrcmpA(name, SoundWindowClassName) == 0 &&
         GetClassLongPtrA(Window, GCLP_HMODULE) == reinterpret_cast<ULONG_PTR>(ModuleInstance);
}

// Takes the window down and unregisters the class: the procedure lives in this
// library, so neither may outlive it. The procedures are detached first, so nothing
// calls in here even while a window of another thread waits to go. Only its own
// thread can destroy it; another thread's window is asked to close without waiting
// (the system's own procedure closes a window on WM_CLOSE): an unload runs inside the
// loader, and waiting there for that thread would stall every thread that loads a
// library meanwhile, or for good when the window's thread waits for the loader.
// Its class then stays registered until the window is gone; a later load makes it anew.
void TakeDownSoundWindow() {
  const HWND window = SoundWindow;
  SoundWindow = nullptr;
  if (IsSoundWindow(window)) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    SetClassLongPtrA(window, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    if (!DestroyWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  UnregisterClassA(SoundWindowClassName, ModuleInstance);
}

} // namespace

void SoundLibraryLoad(HINSTANCE Instance) {
  ModuleInstance = Instance;
  DirectSoundObject = nullptr;
  DeviceUseCount = 0;
  SoundWindow = nullptr;
  DirectSoundLibrary = LoadLibraryA("DSound.dll");
  DirectSoundCreateEntry = DirectSoundLibrary ? reinterpret_cast<DirectSoundCreateFn>(reinterpret_cast<void*>(
                                                    GetProcAddress(DirectSoundLibrary, "DirectSoundCreate")))
                                              : nullptr;
}

void SoundLibraryUnload() {
  // Releasing a device waits for the platform's mixing thread to end, and a thread
  // cannot end while the loader runs this unload: a device still open here, or one
  // kept alive by sounds never freed, is left to the end of the process, and
  // "DSound.dll", whose code it runs, stays loaded for it.
  const bool deviceLeft = DirectSoundObject || LiveSoundCount > 0;
  DirectSoundObject = nullptr;
  DeviceUseCount = 0;
  TakeDownSoundWindow();
  if (DirectSoundLibrary && !deviceLeft) FreeLibrary(DirectSoundLibrary);
  DirectSoundLibrary = nullptr;
  DirectSoundCreateEntry = nullptr;
}

extern "C" {

const char* WINAPI tvrk_GetVerStr(void) { return VersionBanner; }

int32_t WINAPI tvrk_InitDS(void) {
  if (!DirectSoundObject) {
    if (!DirectSoundCreateEntry) {
      return HRESULT_FROM_WIN32(DirectSoundLibrary ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
    }
    if (!IsSoundWindow(SoundWindow)) {
      const HRESULT hr = CreateSoundWindow();
      if (FAILED(hr)) return hr;
    }
    HRESULT hr = DirectSoundCreateEntry(nullptr, &DirectSoundObject, nullptr);
    if (FAILED(hr)) {
      DirectSoundObject = nullptr;
      return hr;
    }
    hr = DirectSoundObject->SetCooperativeLevel(SoundWindow, DSSCL_NORMAL);
    if (FAILED(hr)) {
      // Released here: a device kept without its cooperative level would let the
      // next call count a use of a device that cannot play.
      DirectSoundObject->Release();
      DirectSoundObject = nullptr;
      return hr;
    }
  }
  DeviceUseCount += 1;
  return 0;
}

int32_t WINAPI tvrk_CloseDS(void) {
  if (DeviceUseCount > 0) DeviceUseCount -= 1;
  if (DeviceUseCount > 0) return 0;
  if (DirectSoundObject) DirectSoundObject->Release();
  DirectSoundObject = nullptr;
  TakeDownSoundWindow();
  return 0;
}

} // extern "C"

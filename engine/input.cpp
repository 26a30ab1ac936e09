// DirectInput 7 keyboard and mouse: set-up, reading, and the input exports.
#include "engine_internal.h"

#include "key_names.h"

#include <dinput.h>

InputState Input;

namespace {

typedef HRESULT(WINAPI* DirectInputCreateAFn)(HINSTANCE, DWORD, IDirectInputA**, IUnknown*);

HMODULE InputLibrary;
DirectInputCreateAFn DirectInputCreateAEntry;
IDirectInputA* DirectInputObject;
IDirectInputDeviceA* KeyboardDevice;
IDirectInputDeviceA* MouseDevice;

// Fixed buffers: nothing is allocated while running.
DIDEVICEOBJECTDATA KeyBuffer[KeyBufferSize];
KeyRecord KeyRecords[KeyBufferSize];

static_assert(sizeof(DIDEVICEOBJECTDATA) == sizeof(KeyRecord), "keyboard records are 16 bytes");
static_assert(sizeof(DIMOUSESTATE2) == sizeof(MouseSample), "the mouse state is 20 bytes");

constexpr DWORD CooperativeFlags = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

// Acquires a device again while it answers that its input was lost. A device that
// never stops answering so must not hold the frame: after a bounded number of tries
// the next frame tries again.
constexpr int MaxAcquireTries = 64;

void Reacquire(IDirectInputDeviceA* Device) {
  for (int tries = 0; tries < MaxAcquireTries && Device->Acquire() == DIERR_INPUTLOST; ++tries) {
  }
}

} // namespace

void BindInputLibrary() {
  InputLibrary = LoadLibraryA("DInput.dll");
  DirectInputCreateAEntry = InputLibrary ? reinterpret_cast<DirectInputCreateAFn>(reinterpret_cast<void*>(
                                               GetProcAddress(InputLibrary, "DirectInputCreateA")))
                                         : nullptr;
}

void UnbindInputLibrary() {
  if (InputLibrary) FreeLibrary(InputLibrary);
  InputLibrary = nullptr;
  DirectInputCreateAEntry = nullptr;
}

void ResetInputState() { ClearPressedState(Input); }

void DiscardBufferedInput() {
  if (KeyboardDevice) {
    DWORD count = INFINITE; // no buffer and no limit: every buffered event is dropped
    KeyboardDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, 0);
  }
  if (MouseDevice) {
    DIMOUSESTATE2 state; // motion is counted from the last reading of the state
    MouseDevice->GetDeviceState(sizeof state, &state);
  }
}

void ShutdownInput() {
  Input.KeyDown = Input.KeyUp = nullptr;
  Input.MouseDown = Input.MouseUp = nullptr;
  Input.MouseShell = nullptr;
  ResetInputState();
  if (MouseDevice) {
    MouseDevice->Unacquire();
    MouseDevice->Release();
    MouseDevice = nullptr;
  }
  if (KeyboardDevice) {
    KeyboardDevice->Unacquire();
    KeyboardDevice->Release();
    KeyboardDevice = nullptr;
  }
  if (DirectInputObject) {
    DirectInputObject->Release();
    DirectInputObject = nullptr;
  }
}

HRESULT InitInput() {
  ShutdownInput();
  if (!DirectInputCreateAEntry) return E_FAIL;
  HRESULT hr = DirectInputCreateAEntry(ModuleInstance, 0x0700, &DirectInputObject, nullptr);
  if (hr != DI_OK) return hr;

  hr = DirectInputObject->CreateDevice(GUID_SysKeyboard, &KeyboardDevice, nullptr);
  if (hr != DI_OK) return hr;
  hr = KeyboardDevice->SetDataFormat(&c_dfDIKeyboard);
  if (hr != DI_OK) return hr;
  hr = KeyboardDevice->SetCooperativeLevel(EngineWindow, CooperativeFlags);
  if (hr != DI_OK) return hr;
  DIPROPDWORD buffer;
  buffer.diph.dwSize = sizeof buffer;
  buffer.diph.dwHeaderSize = sizeof buffer.diph;
  buffer.diph.dwObj = 0;
  buffer.diph.dwHow = DIPH_DEVICE;
  buffer.dwData = KeyBufferSize;
  hr = KeyboardDevice->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph);
  if (hr != DI_OK) return hr;
  KeyboardDevice->Acquire();

  hr = DirectInputObject->CreateDevice(GUID_SysMouse, &MouseDevice, nullptr);
  if (hr != DI_OK) return hr;
  hr = MouseDevice->SetDataFormat(&c_dfDIMouse2);
  if (hr != DI_OK) return hr;
  hr = MouseDevice->SetCooperativeLevel(EngineWindow, CooperativeFlags);
  if (hr != DI_OK) return hr;
  return MouseDevice->Acquire();
}

bool InputDevicesOpen() { return DirectInputObject || KeyboardDevice || MouseDevice; }

void ForgetInputDevices() {
  MouseDevice = KeyboardDevice = nullptr;
  DirectInputObject = nullptr;
}

// Plants devices for tests that feed the reader without hardware.
void SetInputDevicesForTesting(IDirectInputDeviceA* Keyboard, IDirectInputDeviceA* Mouse) {
  KeyboardDevice = Keyboard;
  MouseDevice = Mouse;
}

extern "C" {

void WINAPI TavrikEngineReadDirectInputData(void) {
  if (!AppActive || !KeyboardDevice || !MouseDevice) return;

  DWORD count = KeyBufferSize;
  HRESULT hr = KeyboardDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), KeyBuffer, &count, 0);
  if (hr != DI_OK) Reacquire(KeyboardDevice);
  if (FAILED(hr) || count > KeyBufferSize) count = 0;
  for (DWORD i = 0; i < count; ++i)
    KeyRecords[i] = KeyRecord{KeyBuffer[i].dwOfs, KeyBuffer[i].dwData, KeyBuffer[i].dwTimeStamp, KeyBuffer[i].dwSequence};

  DIMOUSESTATE2 state;
  ZeroMemory(&state, sizeof state);
  if (FAILED(MouseDevice->GetDeviceState(sizeof state, &state))) {
    Reacquire(MouseDevice);
    ZeroMemory(&state, sizeof state);
  }
  MouseSample mouse;
  mouse.X = state.lX;
  mouse.Y = state.lY;
  mouse.Z = state.lZ;
  for (int b = 0; b < MouseButtonCount; ++b) mouse.Buttons[b] = state.rgbButtons[b];

  DeliverInput(Input, KeyRecords, count, mouse, ScreenWidth, ScreenHeight);
}

void WINAPI SetEventKeyDown(KeyEventProc P) { Input.KeyDown = P; }
void WINAPI SetEventKeyUp(KeyEventProc P) { Input.KeyUp = P; }
void WINAPI SetEventMouseDown(MouseButtonProc P) { Input.MouseDown = P; }
void WINAPI SetEventMouseUp(MouseButtonProc P) { Input.MouseUp = P; }
void WINAPI SetEventMouseShell(MouseShellProc P) { Input.MouseShell = P; }

int32_t WINAPI MousePressed(uint32_t Button) { return Button < MouseButtonCount ? Input.ButtonDown[Button] : 0; }
int32_t WINAPI ShiftPressed(void) { return Input.ShiftDown; }
int32_t WINAPI CtrlPressed(void) { return Input.CtrlDown; }
int32_t WINAPI AltPressed(void) { return Input.AltDown; }

void WINAPI GetMouseCoord(int32_t* X, int32_t* Y) {
  if (X) *X = Input.CursorX;
  if (Y) *Y = Input.CursorY;
}

void WINAPI SetMouseCoord(int32_t X, int32_t Y) {
  Input.CursorX = X;
  Input.CursorY = Y;
}

void WINAPI GetKeyName(const char** Name, uint8_t ScanCode) {
  if (Name) *Name = KeyName(ScanCode);
}

} // extern "C"

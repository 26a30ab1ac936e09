// Turning one read of the keyboard buffer and the mouse state into events, free of
// platform calls. Event procedures are called in the order in which they are due.
#pragma once

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define TAVRIK_STDCALL __attribute__((stdcall))
#else
#define TAVRIK_STDCALL
#endif

typedef void(TAVRIK_STDCALL* KeyEventFn)(uint32_t ScanCode);
typedef void(TAVRIK_STDCALL* MouseButtonFn)(uint32_t Button);
typedef void(TAVRIK_STDCALL* MouseShellFn)(int32_t Delta);

constexpr int MouseButtonCount = 8;
constexpr int KeyBufferSize = 16;

// One buffered keyboard record, laid out as the platform delivers it.
struct KeyRecord {
  uint32_t Ofs;       // key code
  uint32_t Data;      // state byte: bit 0x80 = pressed
  uint32_t TimeStamp; // unused
  uint32_t Sequence;  // unused
};

// One mouse state read, laid out as the platform delivers it.
struct MouseSample {
  int32_t X, Y, Z;                   // relative motion; Z is the wheel
  uint8_t Buttons[MouseButtonCount]; // 0x80 = pressed
};

struct InputState {
  int32_t CursorX, CursorY;              // cursor in display pixels
  int32_t WheelSum;                      // wheel motion read but not yet delivered
  int32_t ButtonDown[MouseButtonCount];  // last known button states, 0 or 1
  int32_t ShiftDown, CtrlDown, AltDown;  // modifier flags, left and right keys share one
  KeyEventFn KeyDown, KeyUp;             // event slots; nil drops the event
  MouseButtonFn MouseDown, MouseUp;
  MouseShellFn MouseShell;
  uint32_t Clears;                       // ClearPressedState calls; a delivery ends at the next one
};

// Moves the cursor (clamped to 0..Width, 0..Height inclusive), then delivers the key
// events in buffer order, at most one wheel event and the button edges by ascending
// button number. Slots are read at each call, so a procedure installed by an event
// procedure receives the next event of its kind. An event procedure that clears the
// pressed state (the window became inactive) ends the delivery: the rest of this
// read is not for an inactive window.
void DeliverInput(InputState& State, const KeyRecord* Keys, uint32_t KeyCount, const MouseSample& Mouse,
                  int32_t Width, int32_t Height);

// Forgets buttons and modifiers without delivering anything.
void ClearPressedState(InputState& State);

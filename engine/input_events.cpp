// Event delivery from one read of the input devices.
#include "input_events.h"

namespace {

constexpr uint32_t KeyLeftShift = 0x2A, KeyRightShift = 0x36;
constexpr uint32_t KeyLeftCtrl = 0x1D, KeyRightCtrl = 0x9D;
constexpr uint32_t KeyLeftAlt = 0x38, KeyRightAlt = 0xB8;
constexpr uint32_t PressedBit = 0x80;

int32_t Clamp(int64_t Value, int32_t High) {
  if (Value < 0) return 0;
  if (Value > High) return High;
  return static_cast<int32_t>(Value);
}

void UpdateModifiers(InputState& State, const KeyRecord& Key) {
  const int32_t down = (Key.Data & PressedBit) ? 1 : 0;
  switch (Key.Ofs) {
    case KeyLeftShift: case KeyRightShift: State.ShiftDown = down; break;
    case KeyLeftCtrl: case KeyRightCtrl: State.CtrlDown = down; break;
    case KeyLeftAlt: case KeyRightAlt: State.AltDown = down; break;
    default: break;
  }
}

} // namespace

void DeliverInput(InputState& State, const KeyRecord* Keys, uint32_t KeyCount, const MouseSample& Mouse,
                  int32_t Width, int32_t Height) {
  // 64-bit sums: a cursor placed far out with SetMouseCoord must not overflow.
  State.CursorX = Clamp(static_cast<int64_t>(State.CursorX) + Mouse.X, Width);
  State.CursorY = Clamp(static_cast<int64_t>(State.CursorY) + Mouse.Y, Height);
  // Wrapping sum: a wheel spun without end must not overflow.
  State.WheelSum = static_cast<int32_t>(static_cast<uint32_t>(State.WheelSum) + static_cast<uint32_t>(Mouse.Z));

  const uint32_t clears = State.Clears;
  for (uint32_t i = 0; i < KeyCount; ++i) {
    if (State.Clears != clears) return;
    UpdateModifiers(State, Keys[i]);
    KeyEventFn slot = (Keys[i].Data & PressedBit) ? State.KeyDown : State.KeyUp;
    if (slot) slot(Keys[i].Ofs);
  }

  if (State.Clears != clears) return;
  if (State.WheelSum != 0) {
    const int32_t delta = State.WheelSum;
    State.WheelSum = 0;
    if (State.MouseShell) State.MouseShell(delta);
  }

  for (int b = 0; b < MouseButtonCount; ++b) {
    if (State.Clears != clears) return;
    const bool pressed = Mouse.Buttons[b] == PressedBit;
    if (pressed && State.ButtonDown[b] == 0) {
      State.ButtonDown[b] = 1;
      if (State.MouseDown) State.MouseDown(static_cast<uint32_t>(b));
    } else if (!pressed && State.ButtonDown[b] == 1) {
      State.ButtonDown[b] = 0;
      if (State.MouseUp) State.MouseUp(static_cast<uint32_t>(b));
    }
  }
}

void ClearPressedState(InputState& State) {
  State.Clears += 1;
  for (int32_t& b : State.ButtonDown) b = 0;
  State.ShiftDown = State.CtrlDown = State.AltDown = 0;
}

// Event delivery from one read: order, modifiers, cursor clamp and button states.
#include "input_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Calls;
InputState* Current;

void TAVRIK_STDCALL OnKeyDown(uint32_t k) {
  Calls.push_back("down " + std::to_string(k) + (Current->ShiftDown ? " shift" : ""));
}
void TAVRIK_STDCALL OnKeyUp(uint32_t k) { Calls.push_back("up " + std::to_string(k)); }
void TAVRIK_STDCALL OnMouseDown(uint32_t b) { Calls.push_back("press " + std::to_string(b)); }
void TAVRIK_STDCALL OnMouseUp(uint32_t b) { Calls.push_back("release " + std::to_string(b)); }
void TAVRIK_STDCALL OnWheel(int32_t d) { Calls.push_back("wheel " + std::to_string(d)); }
void TAVRIK_STDCALL OnOtherKeyDown(uint32_t k) { Calls.push_back("other " + std::to_string(k)); }
void TAVRIK_STDCALL SwitchingKeyDown(uint32_t k) {
  Calls.push_back("switch " + std::to_string(k));
  Current->KeyDown = OnOtherKeyDown;
}

void TAVRIK_STDCALL DeactivatingKeyDown(uint32_t k) {
  Calls.push_back("deactivate " + std::to_string(k));
  ClearPressedState(*Current);
}

class Delivery : public ::testing::Test {
protected:
  void SetUp() override {
    Calls.clear();
    state = InputState{};
    state.KeyDown = OnKeyDown;
    state.KeyUp = OnKeyUp;
    state.MouseDown = OnMouseDown;
    state.MouseUp = OnMouseUp;
    state.MouseShell = OnWheel;
    Current = &state;
  }
  void Read(std::vector<KeyRecord> keys, MouseSample mouse = MouseSample{}) {
    DeliverInput(state, keys.data(), static_cast<uint32_t>(keys.size()), mouse, 800, 600);
  }
  InputState state;
};

KeyRecord Key(uint32_t code, uint32_t data) { return KeyRecord{code, data, 0, 0}; }

TEST_F(Delivery, KeysInBufferOrderThenOneWheelEventThenButtonsAscending) {
  state.ButtonDown[4] = 1;
  MouseSample mouse{0, 0, 120, {0x80, 0, 0x80, 0, 0, 0, 0, 0}};
  Read({Key(30, 0x80), Key(30, 0), Key(48, 0x80)}, mouse);
  const std::vector<std::string> expected = {"down 30", "up 30", "down 48", "wheel 120",
                                             "press 0", "press 2", "release 4"};
  EXPECT_EQ(Calls, expected);
}

TEST_F(Delivery, ModifierFlagsFollowKeysAndAreSetBeforeTheEvent) {
  struct {
    const char* name;
    std::vector<KeyRecord> keys;
    int32_t shift, ctrl, alt;
  } const cases[] = {
      {"left shift down", {Key(0x2A, 0x80)}, 1, 0, 0},
      {"right shift released while left held", {Key(0x2A, 0x80), Key(0x36, 0x80), Key(0x36, 0)}, 0, 0, 0},
      {"right ctrl and right alt", {Key(0x9D, 0x80), Key(0xB8, 0x80)}, 0, 1, 1},
      {"left ctrl and left alt up again", {Key(0x1D, 0x80), Key(0x38, 0x80), Key(0x1D, 0), Key(0x38, 0)}, 0, 0, 0},
      {"any state byte with bit 0x80 counts", {Key(0x2A, 0x81)}, 1, 0, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    Read(c.keys);
    EXPECT_EQ(state.ShiftDown, c.shift) << c.name;
    EXPECT_EQ(state.CtrlDown, c.ctrl) << c.name;
    EXPECT_EQ(state.AltDown, c.alt) << c.name;
  }
  SetUp();
  Read({Key(0x2A, 0x80), Key(30, 0x80)});
  EXPECT_EQ(Calls.back(), "down 30 shift");
}

TEST_F(Delivery, FlagsFollowKeysWithoutProceduresInstalled) {
  state.KeyDown = state.KeyUp = nullptr;
  Read({Key(0x2A, 0x80), Key(0x1D, 0x80)});
  EXPECT_TRUE(Calls.empty());
  EXPECT_EQ(state.ShiftDown, 1);
  EXPECT_EQ(state.CtrlDown, 1);
}

TEST_F(Delivery, CursorIsClampedToTheScreenSizeItself) {
  struct {
    int32_t x, y, dx, dy, wantX, wantY;
  } const cases[] = {
      {790, 300, 50, 0, 800, 300},   {10, 300, -50, 0, 0, 300}, {400, 590, 0, 50, 400, 600},
      {400, 5, 0, -50, 400, 0},      {-5, 10000, 0, 0, 0, 600}, {2147483600, 0, 2147483600, 0, 800, 0},
  };
  for (const auto& c : cases) {
    state.CursorX = c.x;
    state.CursorY = c.y;
    Read({}, MouseSample{c.dx, c.dy, 0, {}});
    EXPECT_EQ(state.CursorX, c.wantX) << c.x << "+" << c.dx;
    EXPECT_EQ(state.CursorY, c.wantY) << c.y << "+" << c.dy;
  }
}

TEST_F(Delivery, OnlyAButtonByteOfExactly0x80IsPressed) {
  for (uint8_t byte : {0x01, 0x7F, 0x81, 0xFF}) {
    SetUp();
    state.ButtonDown[0] = 1;
    Read({}, MouseSample{0, 0, 0, {byte}});
    EXPECT_EQ(state.ButtonDown[0], 0) << int(byte);
    EXPECT_EQ(Calls, std::vector<std::string>{"release 0"}) << int(byte);
  }
  SetUp();
  Read({}, MouseSample{0, 0, 0, {0x80}});
  Read({}, MouseSample{0, 0, 0, {0x80}});
  EXPECT_EQ(Calls, std::vector<std::string>{"press 0"}) << "a held button is pressed once";
}

TEST_F(Delivery, WheelIsDeliveredOnceSummedAndForgottenWithoutProcedure) {
  Read({}, MouseSample{0, 0, 0, {}});
  EXPECT_TRUE(Calls.empty()) << "no wheel motion, no event";
  state.MouseShell = nullptr;
  Read({}, MouseSample{0, 0, 240, {}});
  EXPECT_EQ(state.WheelSum, 0);
  state.MouseShell = OnWheel;
  state.WheelSum = 120; // an earlier read's motion not yet delivered
  Read({}, MouseSample{0, 0, -360, {}});
  EXPECT_EQ(Calls, std::vector<std::string>{"wheel -240"});
}

TEST_F(Delivery, ProcedureInstalledByAnEventProcedureGetsTheNextEvent) {
  state.KeyDown = SwitchingKeyDown;
  Read({Key(2, 0x80), Key(3, 0x80)});
  EXPECT_EQ(Calls, (std::vector<std::string>{"switch 2", "other 3"}));
}

TEST_F(Delivery, ClearPressedStateForgetsButtonsAndModifiersSilently) {
  Read({Key(0x2A, 0x80), Key(0x1D, 0x80), Key(0x38, 0x80)}, MouseSample{0, 0, 0, {0x80, 0x80}});
  Calls.clear();
  ClearPressedState(state);
  EXPECT_EQ(state.ShiftDown + state.CtrlDown + state.AltDown + state.ButtonDown[0] + state.ButtonDown[1], 0);
  EXPECT_TRUE(Calls.empty());
  Read({}, MouseSample{0, 0, 0, {0x80}});
  EXPECT_EQ(Calls, std::vector<std::string>{"press 0"}) << "still held after a reset: pressed anew";
}

TEST_F(Delivery, AnEventThatClearsThePressedStateEndsTheRead) {
  state.KeyDown = DeactivatingKeyDown;
  MouseSample mouse{0, 0, 120, {0x80, 0, 0, 0, 0, 0, 0, 0}};
  Read({Key(62, 0x80), Key(1, 0x80)}, mouse);
  EXPECT_EQ(Calls, std::vector<std::string>{"deactivate 62"}) << "no key, wheel or button after it";
  EXPECT_EQ(state.ButtonDown[0], 0) << "a button still held is pressed anew at the next read";
}

} // namespace

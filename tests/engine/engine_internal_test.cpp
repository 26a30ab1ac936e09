// The engine's insides under Wine, with the clock and the input devices replaced:
// frame pacing of the message loop, reading the devices, activation changes and
// the render pass guard.
#include "engine_internal.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A clock that only moves when the loop sleeps or a test says so.
uint32_t FakeNow;
uint32_t SleptTotal;
int Sleeps;
uint32_t FakeTicks() { return FakeNow; }
void FakeSleep(uint32_t ms) {
  FakeNow += ms;
  SleptTotal += ms;
  ++Sleeps;
}

std::vector<uint32_t> FrameTicks;
uint32_t StallAtFrame; // 1-based frame number that stalls the clock by 300 ms
uint8_t WINAPI RecordingFrame() {
  FrameTicks.push_back(FakeNow);
  if (FrameTicks.size() == StallAtFrame) FakeNow += 300;
  return 0;
}

class Loop : public ::testing::Test {
protected:
  void SetUp() override {
    TickSource = FakeTicks;
    SleepSource = FakeSleep;
    FakeNow = 5000;
    SleptTotal = 0;
    Sleeps = 0;
    FrameTicks.clear();
    StallAtFrame = 0;
    QuitFlag = 0;
    CurrentFps = 0;
    AppActive = 1;
    Pacing = FramePacing{};
    TargetFps = 33;
    StartPacing(Pacing, TargetFps, FakeNow);
  }
  void TearDown() override { AppActive = 0; }
  // Runs loop iterations until n frames ran (or a generous cap).
  void RunFrames(size_t n) {
    for (int i = 0; FrameTicks.size() < n && i < 10000; ++i) RunLoopIteration(RecordingFrame);
    ASSERT_EQ(FrameTicks.size(), n);
  }
};

TEST_F(Loop, FramesAreThirtyMillisecondsApartAtThirtyThreeFps) {
  RunFrames(34);
  EXPECT_EQ(FrameTicks.front(), 5030u);
  EXPECT_EQ(FrameTicks.back() - FrameTicks.front(), 33u * 30u);
}

TEST_F(Loop, AStallIsCaughtUpBackToBackAndThePaceResumes) {
  StallAtFrame = 3;
  RunFrames(20);
  // Frame 3 ends 300 ms late: the ten frames due meanwhile run at once.
  int backToBack = 0;
  for (size_t i = 3; i < FrameTicks.size() && FrameTicks[i] == FrameTicks[2] + 300; ++i) ++backToBack;
  EXPECT_EQ(backToBack, 10);
  EXPECT_EQ(FrameTicks[19] - FrameTicks[0], 19u * 30u) << "the average rate is kept";
}

TEST_F(Loop, OverRateClampEndsACatchUpBurst) {
  RunFrames(1);
  Pacing.NextFrameTick = FakeNow - 300; // far behind, as after a stall
  CurrentFps = 40;                     // measured above TargetFps + 1
  const uint32_t before = FakeNow;
  RunLoopIteration(RecordingFrame);
  EXPECT_EQ(FrameTicks.size(), 1u) << "no burst frame: the deadline moved to now plus one interval";
  EXPECT_EQ(FakeNow - before, 30u);
  EXPECT_EQ(CurrentFps, 33);
  CurrentFps = 34; // within TargetFps + 1: left alone
  RunLoopIteration(RecordingFrame);
  EXPECT_EQ(CurrentFps, 34);
}

TEST_F(Loop, UnpacedLoopRunsEveryIterationAndClampsTheRateToZero) {
  Pacing = FramePacing{};
  TargetFps = 0;
  StartPacing(Pacing, 0, FakeNow);
  FakeNow = 0x90000000u; // a deadline of 0 must not read as two billion ms away
  for (int i = 0; i < 5; ++i) RunLoopIteration(RecordingFrame);
  EXPECT_EQ(FrameTicks.size(), 5u);
  EXPECT_EQ(Sleeps, 0);
  CurrentFps = 2;
  RunLoopIteration(RecordingFrame);
  EXPECT_EQ(CurrentFps, 0);
}

TEST_F(Loop, KeepsPacingAcrossTheTickCountWrap) {
  FakeNow = 0xFFFFFF00u;
  StartPacing(Pacing, 33, FakeNow);
  RunFrames(20);
  EXPECT_EQ(FrameTicks.back() - FrameTicks.front(), 19u * 30u);
  EXPECT_LE(SleptTotal, 20u * 30u) << "never sleeps through the wrap";
}

TEST_F(Loop, InactiveWindowKeepsPacingWithoutFrames) {
  AppActive = 0;
  for (int i = 0; i < 10; ++i) RunLoopIteration(RecordingFrame);
  EXPECT_TRUE(FrameTicks.empty());
  EXPECT_EQ(SleptTotal, 5u * 30u) << "five intervals slept, five due frames skipped";
}

// A frame that renders and takes a millisecond of work, so a catch-up burst runs at
// a rate the measurement can see.
uint8_t WINAPI RenderingFrame() {
  FrameTicks.push_back(FakeNow);
  TavrikEngineRender();
  FakeNow += 1;
  return 0;
}

TEST_F(Loop, FrameRateIsMeasuredWhateverTheTickCountAndEndsACatchUpBurst) {
  const uint32_t starts[] = {100000u, 0x90000000u, 0xFFFFF000u};
  for (const uint32_t start : starts) {
    SCOPED_TRACE(start);
    // As after loading: nothing measured yet.
    FpsStartTick = FpsLastTick = 0;
    FpsFrameCount = 0;
    FpsWindowOpen = 0;
    CurrentFps = 0;
    DirectDrawObject = reinterpret_cast<IDirectDraw7*>(1); // a device that is never called
    FakeNow = start;
    StartPacing(Pacing, TargetFps, FakeNow);
    FrameTicks.clear();
    long double first = 0;
    for (int i = 0; FakeNow - start < 5000 && i < 100000; ++i) {
      RunLoopIteration(RenderingFrame);
      if (first == 0) first = CurrentFps;
    }
    EXPECT_NEAR(static_cast<double>(first), 1000.0 / 30, 1e-6) << "the first window counts its own frames only";
    EXPECT_NEAR(static_cast<double>(CurrentFps), 1000.0 / 30, 0.5);

    FakeNow += 60000; // a minute's stall, as when a laptop wakes up
    const uint32_t resumed = FakeNow;
    FrameTicks.clear();
    for (int i = 0; FakeNow - resumed < 5000 && i < 100000; ++i) RunLoopIteration(RenderingFrame);
    DirectDrawObject = nullptr;
    EXPECT_LT(FrameTicks.size(), 1500u) << "the clamp ends the burst instead of replaying the stall's 2000 frames";
    EXPECT_NEAR(static_cast<double>(CurrentFps), 1000.0 / 30, 0.5) << "back to the target once caught up";
  }
}

uint8_t WINAPI StopAtOnce() { return 1; }
uint8_t WINAPI ContinueFrame() { return 0; }

TEST_F(Loop, EndsOnQuitMessageOrAFrameAskingToStop) {
  FakeNow = Pacing.NextFrameTick;
  EXPECT_TRUE(RunLoopIteration(StopAtOnce));
  FakeNow = Pacing.NextFrameTick;
  EXPECT_FALSE(RunLoopIteration(ContinueFrame));
  PostQuitMessage(0);
  FakeNow = Pacing.NextFrameTick;
  EXPECT_TRUE(RunLoopIteration(ContinueFrame)) << "WM_QUIT ends the loop although the frame did not ask";
  EXPECT_EQ(QuitFlag, 1);
}

// A keyboard or mouse that answers what the test scripted.
class FakeDevice : public IDirectInputDeviceA {
public:
  std::vector<DIDEVICEOBJECTDATA> keys;
  HRESULT dataResult = DI_OK;
  DIMOUSESTATE2 mouse{};
  HRESULT stateResult = DI_OK;
  int lostAcquires = 0; // Acquire answers DIERR_INPUTLOST this many times
  int acquireCalls = 0;
  int reads = 0;

  STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHOD_(ULONG, AddRef)() override { return 1; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { return E_NOTIMPL; }
  STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetProperty)(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
  STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
  STDMETHOD(Acquire)() override {
    ++acquireCalls;
    return lostAcquires-- > 0 ? DIERR_INPUTLOST : DI_OK;
  }
  STDMETHOD(Unacquire)() override { return DI_OK; }
  STDMETHOD(GetDeviceState)(DWORD size, LPVOID data) override {
    ++reads;
    if (size == sizeof mouse) memcpy(data, &mouse, sizeof mouse);
    if (SUCCEEDED(stateResult)) mouse.lX = mouse.lY = mouse.lZ = 0; // motion since the last reading
    return stateResult;
  }
  STDMETHOD(GetDeviceData)(DWORD, LPDIDEVICEOBJECTDATA out, LPDWORD count, DWORD) override {
    ++reads;
    if (!out) { // a flush
      *count = static_cast<DWORD>(keys.size());
      keys.clear();
      return dataResult;
    }
    DWORD n = 0;
    for (; n < *count && n < keys.size(); ++n) out[n] = keys[n];
    *count = FAILED(dataResult) ? 0 : n;
    return dataResult;
  }
  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT) override { return DI_OK; }
  STDMETHOD(SetEventNotification)(HANDLE) override { return DI_OK; }
  STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { return DI_OK; }
  STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
  STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
};

std::vector<std::string> Events;
void WINAPI KeyDownEvent(uint32_t k) { Events.push_back("down " + std::to_string(k)); }
void WINAPI KeyUpEvent(uint32_t k) { Events.push_back("up " + std::to_string(k)); }
void WINAPI MouseDownEvent(uint32_t b) { Events.push_back("press " + std::to_string(b)); }
void WINAPI MouseUpEvent(uint32_t b) { Events.push_back("release " + std::to_string(b)); }
void WINAPI WheelEvent(int32_t d) { Events.push_back("wheel " + std::to_string(d)); }

DIDEVICEOBJECTDATA KeyData(DWORD code, DWORD state) { return DIDEVICEOBJECTDATA{code, state, 0, 0}; }

class Reading : public ::testing::Test {
protected:
  void SetUp() override {
    Events.clear();
    Input = InputState{};
    SetEventKeyDown(KeyDownEvent);
    SetEventKeyUp(KeyUpEvent);
    SetEventMouseDown(MouseDownEvent);
    SetEventMouseUp(MouseUpEvent);
    SetEventMouseShell(WheelEvent);
    SetInputDevicesForTesting(&keyboard, &mouse);
    AppActive = 1;
  }
  void TearDown() override {
    SetInputDevicesForTesting(nullptr, nullptr);
    AppActive = 0;
  }
  FakeDevice keyboard, mouse;
};

TEST_F(Reading, DeliversKeysThenWheelThenButtonsWithTheCursorAlreadyMoved) {
  keyboard.keys = {KeyData(203, 0x80), KeyData(203, 0), KeyData(57, 0x80)};
  mouse.mouse.lX = 30;
  mouse.mouse.lY = 40;
  mouse.mouse.lZ = -120;
  mouse.mouse.rgbButtons[0] = 0x80;
  mouse.mouse.rgbButtons[1] = 0x80;
  TavrikEngineReadDirectInputData();
  EXPECT_EQ(Events, (std::vector<std::string>{"down 203", "up 203", "down 57", "wheel -120", "press 0", "press 1"}));
  int32_t x = -1, y = -1;
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(MousePressed(0), 1);
  EXPECT_EQ(MousePressed(8), 0);
  EXPECT_EQ(MousePressed(0xFFFFFFFFu), 0);
}

TEST_F(Reading, LostKeyboardIsReacquiredAndItsReadDeliversNothing) {
  keyboard.keys = {KeyData(30, 0x80)};
  keyboard.dataResult = DIERR_INPUTLOST;
  keyboard.lostAcquires = 3;
  TavrikEngineReadDirectInputData();
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(keyboard.acquireCalls, 4) << "re-acquired while it answered DIERR_INPUTLOST";

  keyboard.acquireCalls = 0;
  keyboard.lostAcquires = 1 << 30; // a device that never comes back
  TavrikEngineReadDirectInputData();
  EXPECT_GT(keyboard.acquireCalls, 1);
  EXPECT_LE(keyboard.acquireCalls, 1000) << "the frame is not held by a device that stays lost";
}

TEST_F(Reading, OverflowedBufferDeliversTheSixteenEventsKept) {
  for (DWORD i = 0; i < 16; ++i) keyboard.keys.push_back(KeyData(2 + i, 0x80));
  keyboard.dataResult = DI_BUFFEROVERFLOW;
  TavrikEngineReadDirectInputData();
  ASSERT_EQ(Events.size(), 16u);
  EXPECT_EQ(Events.front(), "down 2");
  EXPECT_EQ(Events.back(), "down 17");
}

TEST_F(Reading, FailedMouseReadCountsAsNoMotionAndAllButtonsUp) {
  mouse.mouse.rgbButtons[2] = 0x80;
  mouse.mouse.lX = 10;
  TavrikEngineReadDirectInputData();
  Events.clear();
  mouse.stateResult = DIERR_NOTACQUIRED;
  mouse.mouse.lX = 500; // whatever the failed read left behind is not used
  TavrikEngineReadDirectInputData();
  EXPECT_EQ(Events, std::vector<std::string>{"release 2"});
  int32_t x, y;
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_GE(mouse.acquireCalls, 1);
}

TEST_F(Reading, NothingIsReadWhileInactive) {
  AppActive = 0;
  keyboard.keys = {KeyData(1, 0x80)};
  SetMouseCoord(-5, 10000);
  TavrikEngineReadDirectInputData();
  EXPECT_EQ(keyboard.reads + mouse.reads, 0);
  int32_t x, y;
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, -5) << "stored unclamped until the next read";
  EXPECT_EQ(y, 10000);
  AppActive = 1;
  TavrikEngineReadDirectInputData();
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 600);
}

TEST_F(Reading, WhatWasTypedOrMovedWhileMinimisedNeverArrives) {
  SetMouseCoord(100, 100);
  EngineWindowProc(nullptr, WM_SIZE, SIZE_MINIMIZED, 0); // minimised, though still the active window
  EXPECT_EQ(AppActive, 0);
  keyboard.keys = {KeyData(1, 0x80), KeyData(1, 0)};
  mouse.mouse.lX = 50;
  TavrikEngineReadDirectInputData();
  EngineWindowProc(nullptr, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  ASSERT_EQ(AppActive, 1);
  TavrikEngineReadDirectInputData();
  EXPECT_TRUE(Events.empty()) << Events.front();
  int32_t x, y;
  GetMouseCoord(&x, &y);
  EXPECT_EQ(x, 100) << "the motion made meanwhile is dropped";
}

class Activation : public ::testing::Test {
protected:
  void SetUp() override {
    AppActive = 0;
    RenderBusy = 0;
    Input = InputState{};
  }
  void TearDown() override {
    AppActive = 0;
    RenderBusy = 0;
  }
  static void Activate(WORD state, WORD minimised = 0) {
    EngineWindowProc(nullptr, WM_ACTIVATE, MAKEWPARAM(state, minimised), 0);
  }
};

TEST_F(Activation, ActivatesOnlyWhenNotMinimisedAndResetsInputOncePerChange) {
  Activate(WA_ACTIVE, 1);
  EXPECT_EQ(AppActive, 0) << "minimised";
  Activate(WA_CLICKACTIVE);
  EXPECT_EQ(AppActive, 1);
  Input.ShiftDown = 1;
  Activate(WA_ACTIVE);
  EXPECT_EQ(Input.ShiftDown, 1) << "already active: no second reset";
  Activate(WA_INACTIVE);
  EXPECT_EQ(AppActive, 0);
  EXPECT_EQ(Input.ShiftDown, 0);
  Input.ButtonDown[3] = 1;
  Activate(7); // not an activation state
  EXPECT_EQ(Input.ButtonDown[3], 1);
}

// Runs as the renderer: the window loses and regains activation from inside the pass.
void WINAPI RendererThatChangesActivation() {
  Input.CtrlDown = 1;
  EngineWindowProc(nullptr, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
}

TEST_F(Activation, ChangeFromInsideARenderPassResetsAtOnceInsteadOfWaiting) {
  DirectDrawObject = reinterpret_cast<IDirectDraw7*>(1); // a device that is never called
  AppActive = 1;
  SetRendererProc(RendererThatChangesActivation);
  TavrikEngineRender(); // would never return if the window procedure waited for the pass
  SetRendererProc(nullptr);
  DirectDrawObject = nullptr;
  EXPECT_EQ(AppActive, 0);
  EXPECT_EQ(Input.CtrlDown, 0);
  EXPECT_EQ(RenderBusy, 0);
}

int RendererCalls;
void WINAPI CountingRenderer() {
  ++RendererCalls;
  TavrikEngineRender(); // re-entry returns at once
}

TEST_F(Activation, RenderPassRunsOnlyWhileActiveAndNeverReenters) {
  TickSource = FakeTicks;
  DirectDrawObject = reinterpret_cast<IDirectDraw7*>(1);
  SetRendererProc(CountingRenderer);
  RendererCalls = 0;
  FpsWindowOpen = 1; // past the first pass, which only opens the measuring window
  const int32_t framesBefore = FpsFrameCount;
  TavrikEngineRender();
  EXPECT_EQ(RendererCalls, 0) << "inactive: no renderer call";
  EXPECT_EQ(FpsFrameCount, framesBefore) << "inactive: no frame counted";
  AppActive = 1;
  TavrikEngineRender();
  EXPECT_EQ(RendererCalls, 1);
  EXPECT_EQ(FpsFrameCount, framesBefore + 1);
  SetRendererProc(nullptr);
  DirectDrawObject = nullptr;
}

TEST_F(Activation, FrameRateIsMeasuredOverWindowsOfOneSecond) {
  TickSource = FakeTicks;
  DirectDrawObject = reinterpret_cast<IDirectDraw7*>(1);
  AppActive = 1;
  FakeNow = 100000;
  TavrikEngineRender(); // closes whatever window came before
  TavrikEngineRender();
  CurrentFps = 0;
  FpsFrameCount = 0;
  FpsStartTick = FpsLastTick = FakeNow;
  for (int i = 0; i < 34; ++i) {
    FakeNow += 30;
    TavrikEngineRender();
  }
  EXPECT_EQ(CurrentFps, 0) << "the window seen so far is 990 ms long";
  FakeNow += 30;
  TavrikEngineRender(); // closes the window with the previous pass's tick: 34 frames in 1020 ms
  EXPECT_NEAR(static_cast<double>(CurrentFps), 34 * 1000.0 / 1020, 1e-9);
  EXPECT_EQ(FpsFrameCount, 1) << "the closing pass's frame counts for the next window";
  DirectDrawObject = nullptr;
}

} // namespace

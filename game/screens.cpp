// The screen manager: exactly one screen is current, and every switch first takes
// every screen down and then builds the new one.
#include "game.h"
#include "playfield.h"
#include "screens.h"

uint8_t QuitRequested;
int32_t FrameCounter;
void (*ScreenRenderProc)();
void (*ScreenFrameProc)();

bool MouseOver(const Sprite* S) {
  return S && S->X <= MouseX && MouseX <= S->X + S->Width && S->Y <= MouseY && MouseY <= S->Y + S->Height;
}

void PressButtons(Sprite* const* Buttons, int32_t Count) {
  for (int32_t i = 1; i <= Count; ++i)
    if (MouseOver(Buttons[i])) Buttons[i]->State = 1;
}

int32_t ReleasedButton(Sprite* const* Buttons, int32_t Count) {
  int32_t released = 0;
  for (int32_t i = 1; i <= Count; ++i) {
    if (!Buttons[i]) continue;
    if (!released && Buttons[i]->State == 1 && MouseOver(Buttons[i])) released = i;
    Buttons[i]->State = 0;
  }
  return released;
}

int32_t ButtonLook(const Sprite* S) {
  if (!S) return 0;
  if (S->State == 1) return 2;
  return MouseOver(S) ? 1 : 0;
}

void WINAPI DefaultKeyDown(uint32_t ScanCode) {
  if (ScanCode == KeyEscape) QuitRequested = 1;
}

void InstallDefaultEvents() {
  SetEventKeyDown(DefaultKeyDown);
  SetEventKeyUp(nullptr);
  SetEventMouseDown(nullptr);
  SetEventMouseUp(nullptr);
  SetEventMouseShell(nullptr);
}

void ResetHeldKeys() { DropHeld = 0; }

void LeaveAllScreens() {
  FrameCounter = 0;
  ScreenRenderProc = nullptr;
  ScreenFrameProc = nullptr;
  // Each is harmless for a screen that is not current or was never entered.
  LeaveAbout();
  LeaveMainMenu();
  LeaveGameScreen();
  ResetHeldKeys();
  InstallDefaultEvents();
}

void SwitchScreen(int32_t Id) {
  LeaveAllScreens();
  // An unknown id leaves the game with no screen: only the default keys work.
  switch (Id) {
    case ScreenMainMenu:
      EnterMainMenu();
      break;
    case ScreenGame:
      EnterGameScreen();
      break;
    case ScreenAbout:
      EnterAbout();
      break;
    default:
      break;
  }
}

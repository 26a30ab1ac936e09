// Start-up, the per-frame callback, the renderer procedure and shutdown.
#include "game.h"
#include "sound_effects.h"

int32_t MouseX, MouseY;
HWND MainWindow;
int32_t UseVideoMemory = 1;
int32_t SoundEnabled;

bool GameInit() {
  SeedRandom(GetTickCount());
  if (!TavrikEngineInit(&MainWindow, 800, 600, 16, 0, 1, 1, 33, UseVideoMemory)) return false;
  SetRendererProc(GameRender);
  SwitchScreen(ScreenMainMenu);
  StartSoundEffects();
  return true;
}

uint8_t WINAPI GameFrame() {
  TavrikEngineReadDirectInputData();
  GetMouseCoord(&MouseX, &MouseY);
  if (ScreenFrameProc) ScreenFrameProc();
  TavrikEngineRender();
  const uint8_t quit = QuitRequested;
  FrameCounter += 1;
  return quit;
}

void WINAPI GameRender() {
  if (ScreenRenderProc) ScreenRenderProc();
}

void GameShutdown() {
  StopSoundEffects();
  LeaveAllScreens();
  TavrikEngineDeInit();
  UnbindSoundLibrary();
}

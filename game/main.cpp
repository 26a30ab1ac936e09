// Program entry of the game.
#include "game.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!GameInit()) return 1;
  ProcessWindowsMessages(GameFrame);
  GameShutdown();
  return 0;
}

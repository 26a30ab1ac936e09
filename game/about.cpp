// The about screen: a picture, a running strip of lamps and a help panel of two
// pages, with buttons to page and to go back to the main menu.
#include "screens.h"

#include "game.h"
#include "sprite_helpers.h"

int32_t HelpPage = 1;

namespace {

constexpr int32_t ButtonBack = 1, ButtonPrevious = 2, ButtonNext = 3;
constexpr int32_t ButtonWidths[1 + 3] = {0, 30, 17, 17}; // one column per look: normal, under the mouse, pressed

SurfaceRecord* AboutBackgroundSurface;
SurfaceRecord* BackButtonSurface;
SurfaceRecord* ScrollButtonsSurface;
SurfaceRecord* AboutLampsSurface;
SurfaceRecord* HelpPageSurfaces[1 + 2];
Sprite* AboutBackgroundSprite;
Sprite* AboutButtons[1 + 3];
Sprite* AboutLamps;
Sprite* HelpPageSprite;

// Black is transparent in every picture of this screen.
SurfaceRecord* LoadKeyed(const char* FileName) { return CreateSurfaceFromBMPFile(UseVideoMemory, 1, 0, FileName); }

void TurnPage(int32_t Step) {
  const int32_t page = HelpPage + Step;
  if (page < 1 || page > 2) return;
  HelpPage = page;
  if (HelpPageSprite) HelpPageSprite->Surface = HelpPageSurfaces[HelpPage];
}

} // namespace

void EnterAbout() {
  InstallDefaultEvents();
  SetEventKeyDown(AboutKeyDown);
  SetEventMouseDown(AboutMouseDown);
  SetEventMouseUp(AboutMouseUp);
  ScreenRenderProc = AboutRender;
  ScreenFrameProc = AboutFrame;

  AboutBackgroundSurface = LoadKeyed("IMAGES\\About_BG.bmp");
  AboutBackgroundSprite = NewSprite(0, 0, 800, 600, AboutBackgroundSurface, nullptr, 0, 0, 0, 0);
  BackButtonSurface = LoadKeyed("IMAGES\\BackBtn.bmp");
  ScrollButtonsSurface = LoadKeyed("IMAGES\\About_UpDwnBtn.bmp");
  AboutButtons[ButtonBack] = NewSprite(710, 490, 30, 30, BackButtonSurface, nullptr, 0, 1, 0, 0);
  AboutButtons[ButtonPrevious] = NewSprite(706, 424, 17, 20, ScrollButtonsSurface, nullptr, 0, 1, 0, 0);
  AboutButtons[ButtonNext] = NewSprite(706, 445, 17, 20, ScrollButtonsSurface, nullptr, 0, 1, 1, 0);
  AboutLampsSurface = LoadKeyed("IMAGES\\About_3lamps.bmp");
  AboutLamps = NewSprite(284, 384, 47, 17, AboutLampsSurface, nullptr, 0, 0, 0, 0);
  if (AboutLamps) {
    AboutLamps->Animating = 1;
    AboutLamps->AnimDelay = 2;
  }
  HelpPageSurfaces[1] = LoadKeyed("IMAGES\\HelpScreen1.bmp");
  HelpPageSurfaces[2] = LoadKeyed("IMAGES\\HelpScreen2.bmp");
  if (HelpPage < 1 || HelpPage > 2) HelpPage = 1;
  HelpPageSprite = NewSprite(288, 402, 375, 140, HelpPageSurfaces[HelpPage], nullptr, 0, 0, 0, 0);
}

void LeaveAbout() {
  DelSprite(&AboutBackgroundSprite);
  DelSprite(&AboutLamps);
  for (int i = 1; i <= 3; ++i) DelSprite(&AboutButtons[i]);
  DelSprite(&HelpPageSprite);
  FreeSurface(&AboutBackgroundSurface);
  FreeSurface(&BackButtonSurface);
  FreeSurface(&ScrollButtonsSurface);
  FreeSurface(&AboutLampsSurface);
  for (int i = 1; i <= 2; ++i) FreeSurface(&HelpPageSurfaces[i]);
}

void AboutRender() {
  ClearScreen(0, nullptr);
  ShowSpriteFast(&AboutBackgroundSprite, nullptr);
  ShowSpriteFast(&AboutLamps, nullptr);
  ShowSpriteFast(&HelpPageSprite, nullptr);
  for (int i = 1; i <= 3; ++i) ShowSpriteFast(&AboutButtons[i], nullptr);
}

void AboutFrame() {
  AnimateSprite(AboutLamps, 1, 1, 0);
  for (int i = 1; i <= 3; ++i) {
    Sprite* s = AboutButtons[i];
    if (!s) continue;
    const int32_t w = ButtonWidths[i];
    s->SrcRect.left = ButtonLook(s) * w;
    s->SrcRect.right = s->SrcRect.left + w;
  }
}

void WINAPI AboutKeyDown(uint32_t ScanCode) {
  switch (ScanCode) {
    case KeyEscape:
      SwitchScreen(ScreenMainMenu);
      break;
    case KeyUp:
      TurnPage(-1);
      break;
    case KeyDown:
      TurnPage(+1);
      break;
    default:
      break;
  }
}

void WINAPI AboutMouseDown(uint32_t Button) {
  if (Button == 0) PressButtons(AboutButtons, 3);
}

void WINAPI AboutMouseUp(uint32_t Button) {
  if (Button != 0) return;
  switch (ReleasedButton(AboutButtons, 3)) {
    case ButtonBack:
      SwitchScreen(ScreenMainMenu);
      break;
    case ButtonPrevious:
      TurnPage(-1);
      break;
    case ButtonNext:
      TurnPage(+1);
      break;
    default:
      break;
  }
}

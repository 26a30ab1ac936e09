// The game screen: the well with the falling stick, the preview, score and level,
// four lamps, four buttons, the explosions and the pause window. The rules run in
// playfield.cpp; this file draws what they hold and answers what they ask.
#include "screens.h"

#include <stdio.h>
#include <string.h>

#include "game.h"
#include "playfield.h"
#include "sound_effects.h"
#include "sprite_helpers.h"

SpriteChain ExplosionChain;
int32_t GameOverlay;
SurfaceRecord* FieldSurface;
Sprite* GameLamps[1 + 4];
Sprite* GameButtons[1 + 4];
Sprite* PauseWindow;
Sprite* PauseButtons[1 + 2];

namespace {

constexpr int32_t ButtonNewGame = 1, ButtonRecords = 2, ButtonSound = 3, ButtonPause = 4;
constexpr int32_t PauseYes = 1, PauseNo = 2;
constexpr int32_t PreviewCell = 15;
constexpr int32_t TextRight = 728, CharWidth = 6; // score and level end here, at 6 pixels a character

SurfaceRecord* BackgroundSurface;
SurfaceRecord* ExplosionSurface;
SurfaceRecord* CellsSurface;
SurfaceRecord* PreviewCellsSurface;
SurfaceRecord* PauseButtonsSurface;
SurfaceRecord* PauseBackgroundSurface;
SurfaceRecord* PauseLampsSurface;
SurfaceRecord* GameLampSurfaces[1 + 4];
SurfaceRecord* ButtonsSurface;
Sprite* BackgroundSprite;
Sprite* CellSprite;
Sprite* PreviewCellSprite;
Sprite* FieldSprite;
Sprite* PauseLamps;
bool PauseOpen; // the pause window's procedures are installed, even if its sprites could not be made

struct LampLayout {
  const char* File;
  int32_t X, Y, W, H, AnimDelay, Animating;
};
constexpr LampLayout Lamps[1 + 4] = {
    {},
    {"IMAGES\\Lamp.bmp", 262, 509, 17, 17, 1, 0},    // an explosion
    {"IMAGES\\3lamps.bmp", 54, 62, 47, 17, 2, 1},    // runs all the time
    {"IMAGES\\Down.bmp", 304, 198, 34, 49, 0, 0},    // a held drop
    {"IMAGES\\Preview.bmp", 310, 105, 60, 60, 0, 0}, // a new preview; frames the preview cells
};

SurfaceRecord* Load(int32_t UseColorKey, uint32_t ColorKey, const char* FileName) {
  return CreateSurfaceFromBMPFile(UseVideoMemory, UseColorKey, ColorKey, FileName);
}

void StartLamp(int32_t I) {
  if (GameLamps[I]) GameLamps[I]->Animating = 1;
}

// The sound button's picture: sound on or off.
void ShowSoundButton() {
  if (Sprite* s = GameButtons[ButtonSound]) {
    const int32_t left = SoundEnabled ? 60 : 90;
    s->SrcRect.left = left;
    s->SrcRect.right = left + 30;
  }
}

void ShowNumber(int32_t Value, int32_t Y) {
  char text[16];
  const int length = snprintf(text, sizeof text, "%d", Value);
  ShowText(&GameFontSprite, nullptr, TextRight - CharWidth * length, Y, text, 0);
}

// What the rules ask of the screen.
int32_t RunningExplosions() { return ExplosionChain.Count; }
void PieceLanded() {
  if (SoundEnabled) PlayGameSound(&DownSounds[1 + Random(4)]);
}
void NextPieceDealt() { StartLamp(4); }
void DropStep() { StartLamp(3); }

void InstallRules() {
  Rules.DrawFieldCell = DrawFieldCell;
  Rules.SpawnExplosion = SpawnExplosion;
  Rules.ExplosionCount = RunningExplosions;
  Rules.PieceLanded = PieceLanded;
  Rules.NextPieceDealt = NextPieceDealt;
  Rules.DropStep = DropStep;
  Rules.Random = Random;
}

void UpdateGame() {
  for (int i = 1; i <= 4; ++i) {
    if (Sprite* s = GameButtons[i]) {
      s->SrcRect.top = 30 * ButtonLook(s);
      s->SrcRect.bottom = s->SrcRect.top + 30;
    }
  }
  for (int i = 1; i <= 2; ++i) {
    if (Sprite* s = PauseButtons[i]) {
      s->SrcRect.left = 30 * ButtonLook(s);
      s->SrcRect.right = s->SrcRect.left + 30;
    }
  }
  if (GameOver == 0) {
    if (!PauseOpen) {
      ResolveField();
      FallStep();
      AnimateSprite(GameLamps[1], 0, 1, 0);
      AnimateSprite(GameLamps[2], 1, 0, 0);
      AnimateSprite(GameLamps[3], 0, 1, 0);
      AnimateSprite(GameLamps[4], 0, 1, 0);
    } else {
      AnimateSprite(PauseLamps, 1, 1, 0);
    }
  }
  // Also when the fall step above has just ended the game: the table opens in the
  // frame of the last landing, before a key can reach the finished game.
  if (GameOver != 0) {
    NameEntryActive = 1;
    EnterRecords();
  }
  StepExplosions();
}

void DrawGameScreen() {
  ShowSpriteFast(&BackgroundSprite, nullptr);
  ShowSpriteFast(&FieldSprite, nullptr);
  for (int i = 1; i <= 4; ++i) ShowSpriteFast(&GameLamps[i], nullptr);
  for (int i = 1; i <= 4; ++i) ShowSpriteFast(&GameButtons[i], nullptr);
  if (PreviewCellSprite) {
    for (int i = 1; i <= 3; ++i) {
      const int32_t c = NextPiece[i];
      PreviewCellSprite->X = 333;
      PreviewCellSprite->Y = 98 + PreviewCell * i;
      SetRectValues(PreviewCellSprite->SrcRect, (c - 1) * PreviewCell, 0, c * PreviewCell, PreviewCell);
      ShowSpriteFast(&PreviewCellSprite, nullptr);
    }
  }
  if (GameOver == 0 && CellSprite) {
    for (int i = 1; i <= 3; ++i) {
      const int32_t c = CurrentPiece[i];
      CellSprite->X = (PieceX - 1) * CellSide + FieldLeft;
      CellSprite->Y = (PieceY + i - 2) * CellSide + FieldTop;
      SetRectValues(CellSprite->SrcRect, CellSide, (c - 1) * CellSide, 2 * CellSide, c * CellSide);
      ShowSpriteFast(&CellSprite, nullptr);
    }
  }
  ShowChainFast(&ExplosionChain, nullptr);
  ShowNumber(Score, 52);
  ShowNumber(Level, 84);
  ShowSpriteFast(&PauseWindow, nullptr);
  ShowSpriteFast(&PauseLamps, nullptr);
  for (int i = 1; i <= 2; ++i) ShowSpriteFast(&PauseButtons[i], nullptr);
}

} // namespace

void EnterGameScreen() {
  InstallRules();
  StartNewGame();
  ScreenRenderProc = GameScreenRender;
  ScreenFrameProc = GameScreenFrame;
  InstallGameScreenEvents();

  BackgroundSurface = Load(0, 0, "IMAGES\\Background.bmp");
  ExplosionSurface = Load(1, 0, "IMAGES\\Explosion.bmp");
  CellsSurface = Load(1, 0, "IMAGES\\Cells.bmp");
  PreviewCellsSurface = Load(0, 0, "IMAGES\\PreviewCells.bmp");
  PauseButtonsSurface = Load(1, 0xFFFF, "IMAGES\\PauseWindow_Buttons.bmp");
  PauseBackgroundSurface = Load(1, MakeColor565(0, 255, 0), "IMAGES\\PauseWindow_BG.bmp");
  PauseLampsSurface = Load(0, 0, "IMAGES\\PauseWindow_3lamps.bmp");

  BackgroundSprite = NewSprite(0, 0, 800, 600, BackgroundSurface, nullptr, 0, 0, 0, 0);
  CellSprite = NewSprite(0, 0, 80, 20, CellsSurface, nullptr, 0, 0, 0, 0);
  PreviewCellSprite = NewSprite(0, 0, 15, 15, PreviewCellsSurface, nullptr, 0, 0, 0, 0);

  // Made at once: its restore procedure paints the well into it.
  CreateSurfaceUser(&FieldSurface, FieldColumns * CellSide, FieldRows * CellSide, 1, 1, 0, RedrawField);
  FieldSprite = NewSprite(FieldLeft, FieldTop, FieldColumns * CellSide, FieldRows * CellSide, FieldSurface, nullptr, 0, 0, 0, 0);

  for (int i = 1; i <= 4; ++i) GameLampSurfaces[i] = Load(0, 0, Lamps[i].File);
  ButtonsSurface = Load(0, 0, "IMAGES\\Buttons.bmp");
  for (int i = 1; i <= 4; ++i) {
    const LampLayout& l = Lamps[i];
    if (Sprite* s = GameLamps[i] = NewSprite(l.X, l.Y, l.W, l.H, GameLampSurfaces[i], nullptr, 0, 0, 0, 0)) {
      s->AnimDelay = l.AnimDelay;
      s->Animating = l.Animating;
    }
  }
  for (int i = 1; i <= 4; ++i) {
    if (Sprite* s = GameButtons[i] = NewSprite(585 + 40 * (i - 1), 520, 30, 30, ButtonsSurface, nullptr, 0, 1, 0, 0)) {
      const int32_t left = 30 * (i == ButtonPause ? 4 : i - 1);
      SetRectValues(s->SrcRect, left, 0, left + 30, 30);
    }
  }
  ShowSoundButton();
}

void LeaveGameScreen() {
  DelSprite(&BackgroundSprite);
  DelSprite(&CellSprite);
  DelSprite(&PreviewCellSprite);
  DelSprite(&FieldSprite);
  ClosePauseWindow();
  ClearChain(&ExplosionChain);
  for (int i = 1; i <= 4; ++i) DelSprite(&GameLamps[i]);
  for (int i = 1; i <= 4; ++i) DelSprite(&GameButtons[i]);
  for (int i = 1; i <= 4; ++i) FreeSurface(&GameLampSurfaces[i]);
  FreeSurface(&BackgroundSurface);
  FreeSurface(&ExplosionSurface);
  FreeSurface(&FieldSurface);
  FreeSurface(&ButtonsSurface);
  FreeSurface(&CellsSurface);
  FreeSurface(&PreviewCellsSurface);
  FreeSurface(&PauseButtonsSurface);
  FreeSurface(&PauseBackgroundSurface);
  FreeSurface(&PauseLampsSurface);
}

void InstallGameScreenEvents() {
  SetEventKeyDown(GameScreenKeyDown);
  SetEventKeyUp(GameScreenKeyUp);
  SetEventMouseDown(GameScreenMouseDown);
  SetEventMouseUp(GameScreenMouseUp);
}

void GameScreenFrame() {
  if (GameOverlay == 2)
    RecordsFrame();
  else
    UpdateGame();
}

void GameScreenRender() {
  DrawGameScreen();
  if (GameOverlay == 2) RecordsRender();
}

void DrawFieldCell(int32_t Column, int32_t Row) {
  if (Column < 1 || Column > FieldColumns || Row < 1 || Row > FieldRows || !FieldSurface) return;
  const int32_t c = Playfield[Column][Row].Color;
  const int32_t x = (Column - 1) * CellSide, y = (Row - 1) * CellSide;
  if (c != 0 && CellSprite) {
    CellSprite->X = x;
    CellSprite->Y = y;
    SetRectValues(CellSprite->SrcRect, 0, (c - 1) * CellSide, CellSide, c * CellSide);
    ShowSpriteFast(&CellSprite, FieldSurface);
  } else if (c == 0) {
    RECT r;
    SetRectValues(r, x, y, x + CellSide, y + CellSide);
    ClearRect(0, &r, FieldSurface);
  }
}

void WINAPI RedrawField(SurfaceRecord** /*Surface*/) {
  DropHeld = 0;
  for (int32_t row = 1; row <= FieldRows; ++row)
    for (int32_t column = 1; column <= FieldColumns; ++column) DrawFieldCell(column, row);
}

void SpawnExplosion(int32_t X, int32_t Y) {
  if (Sprite* s = NewSprite(X, Y, 30, 24, ExplosionSurface, &ExplosionChain, 0, 0, 0, 0)) {
    s->Animating = 1;
    s->AnimDelay = 1;
  }
  // The one destroy sound is still drawn at random, as the landing's are.
  if (SoundEnabled) PlayGameSound(&DestroySounds[1 + Random(1)]);
  StartLamp(1);
}

void StepExplosions() {
  Sprite* s = ExplosionChain.First;
  while (s) {
    AnimateSprite(s, 0, 0, 1);
    if (s->AnimDone)
      DelSprite(&s); // s moves on to the sprite that followed
    else
      s = s->Next;
  }
}

void WINAPI GameScreenKeyDown(uint32_t ScanCode) {
  switch (ScanCode) {
    case KeyEscape:
      OpenPauseWindow();
      break;
    case KeySpace:
      DropHeld = 1;
      break;
    case KeyUp:
      CycleColorsUp();
      break;
    case KeyLeft:
      MovePieceLeft();
      break;
    case KeyRight:
      MovePieceRight();
      break;
    case KeyDown:
      CycleColorsDown();
      break;
    default:
      break;
  }
}

void WINAPI GameScreenKeyUp(uint32_t ScanCode) {
  if (ScanCode == KeySpace) DropHeld = 0;
}

void WINAPI GameScreenMouseDown(uint32_t Button) {
  if (Button == 0) PressButtons(GameButtons, 4);
}

void WINAPI GameScreenMouseUp(uint32_t Button) {
  if (Button != 0) return;
  switch (ReleasedButton(GameButtons, 4)) {
    case ButtonNewGame:
      SwitchScreen(ScreenGame); // starts over at once, without asking
      break;
    case ButtonRecords:
      EnterRecords();
      break;
    case ButtonSound:
      SoundEnabled = SoundEnabled ? 0 : 1;
      ShowSoundButton();
      break;
    case ButtonPause:
      OpenPauseWindow();
      break;
    default:
      break;
  }
}

void OpenPauseWindow() {
  if (PauseOpen) return; // one window: a second would leak the first one's sprites
  PauseOpen = true;
  SetEventKeyDown(PauseKeyDown);
  SetEventKeyUp(nullptr);
  SetEventMouseDown(PauseMouseDown);
  SetEventMouseUp(PauseMouseUp);
  PauseWindow = NewSprite(243, 150, 315, 305, PauseBackgroundSurface, nullptr, 0, 0, 0, 0);
  const int32_t x = PauseWindow ? PauseWindow->X : 243, y = PauseWindow ? PauseWindow->Y : 150;
  if ((PauseLamps = NewSprite(x + 14, y + 4, 47, 17, PauseLampsSurface, nullptr, 0, 1, 0, 0))) {
    PauseLamps->Animating = 1;
    PauseLamps->AnimDelay = 2;
  }
  if ((PauseButtons[PauseYes] = NewSprite(x + 200, y + 260, 30, 30, PauseButtonsSurface, nullptr, 0, 0, 0, 0)))
    SetRectValues(PauseButtons[PauseYes]->SrcRect, 0, 0, 30, 30);
  if ((PauseButtons[PauseNo] = NewSprite(x + 240, y + 260, 30, 30, PauseButtonsSurface, nullptr, 0, 0, 0, 0)))
    SetRectValues(PauseButtons[PauseNo]->SrcRect, 0, 30, 30, 60);
}

void ClosePauseWindow() {
  if (!PauseOpen) return;
  PauseOpen = false;
  InstallGameScreenEvents();
  for (int i = 1; i <= 2; ++i) DelSprite(&PauseButtons[i]);
  DelSprite(&PauseWindow);
  DelSprite(&PauseLamps);
}

void WINAPI PauseKeyDown(uint32_t ScanCode) {
  switch (ScanCode) {
    case KeyEscape:
    case KeyN:
      ClosePauseWindow();
      break;
    case KeyY:
    case KeyEnter:
      SwitchScreen(ScreenMainMenu);
      break;
    default:
      break;
  }
}

void WINAPI PauseMouseDown(uint32_t Button) {
  if (Button == 0) PressButtons(PauseButtons, 2);
}

void WINAPI PauseMouseUp(uint32_t Button) {
  if (Button != 0) return;
  switch (ReleasedButton(PauseButtons, 2)) {
    case PauseYes:
      SwitchScreen(ScreenMainMenu);
      break;
    case PauseNo:
      ClosePauseWindow();
      break;
    default:
      break;
  }
}

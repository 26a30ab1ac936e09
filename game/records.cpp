// The records overlay over the game screen: the ten best scores and the name entry
// after a game that earned a place. The table's bytes are read and written by
// records_file.cpp, its file by records_store.cpp; this file does the drawing and the
// keys.
#include "screens.h"

#include <oleauto.h>
#include <stdio.h>
#include <string.h>

#include "game.h"
#include "playfield.h"
#include "records_file.h"
#include "records_store.h"
#include "sprite_helpers.h"

RecordsTable Records;
int32_t NameEntryActive;
EntryNameText EntryName = {6, "Player"};
Sprite* RecordsButtons[1 + 2];

namespace {

constexpr int32_t ButtonNewGame = 1, ButtonClose = 2;
constexpr uint32_t EntryBoxColor = 0x00FF; // blue in 5-6-5

SurfaceRecord* RecordsBackgroundSurface;
SurfaceRecord* RecordsLampsSurface;
SurfaceRecord* RecordsButtonsSurface;
Sprite* RecordsWindow;
Sprite* RecordsLamps;
char ShownDates[RecordCount + 1][64]; // the table's dates as the local short date, made when the table changes
// Records the file could not take yet: they are shown in the table and offered to the
// file again whenever the table opens or closes.
RecordEntry Unsaved[RecordCount];
int32_t UnsavedCount;

void FormatDates() {
  for (int32_t i = 1; i <= RecordCount; ++i) {
    char* out = ShownDates[i];
    out[0] = 0;
    SYSTEMTIME day;
    if (!ShowableDate(Records[i].Date) || !VariantTimeToSystemTime(Records[i].Date, &day)) continue;
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, out, sizeof ShownDates[i])) out[0] = 0;
  }
}

double Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  now.wHour = now.wMinute = now.wSecond = now.wMilliseconds = 0;
  double day = 0;
  SystemTimeToVariantTime(&now, &day);
  return day;
}

void FreeOverlay() {
  DelSprite(&RecordsWindow);
  DelSprite(&RecordsLamps);
  for (int i = 1; i <= 2; ++i) DelSprite(&RecordsButtons[i]);
  FreeSurface(&RecordsBackgroundSurface);
  FreeSurface(&RecordsLampsSurface);
  FreeSurface(&RecordsButtonsSurface);
}

void Show(int32_t X, int32_t Y, const char* Text) { ShowText(&GameFontSprite, nullptr, X, Y, Text, 0); }

// Keeps a record until the file takes it; of more than ten, the best ten.
void KeepUnsaved(const RecordEntry& Entry) {
  if (UnsavedCount < RecordCount) {
    Unsaved[UnsavedCount++] = Entry;
    return;
  }
  RecordEntry* lowest = &Unsaved[0];
  for (RecordEntry& e : Unsaved)
    if (e.Score < lowest->Score) lowest = &e;
  if (Entry.Score > lowest->Score) *lowest = Entry;
}

} // namespace

void LoadRecords() {
  ReadStoredRecords(Records);
  FormatDates();
}

bool SaveRecords() {
  const bool stored = StoreRecords(Unsaved, UnsavedCount, Records);
  if (stored) UnsavedCount = 0;
  FormatDates();
  return stored;
}

void EnterRecords() {
  FreeOverlay(); // a second opening replaces the first
  GameOverlay = 2;
  SetEventKeyDown(RecordsKeyDown);
  SetEventMouseDown(RecordsMouseDown);
  SetEventMouseUp(RecordsMouseUp);

  RecordsBackgroundSurface = CreateSurfaceFromBMPFile(UseVideoMemory, 1, 0xFFFF, "IMAGES\\Records_BG.bmp");
  RecordsLampsSurface = CreateSurfaceFromBMPFile(UseVideoMemory, 0, 0xFFFF, "IMAGES\\Records_3lamps.bmp");
  RecordsButtonsSurface = CreateSurfaceFromBMPFile(UseVideoMemory, 0, 0xFFFF, "IMAGES\\Records_Buttons.bmp");
  RecordsWindow = NewSprite(180, 120, 440, 360, RecordsBackgroundSurface, nullptr, 0, 0, 0, 0);
  const int32_t x = RecordsWindow ? RecordsWindow->X : 180, y = RecordsWindow ? RecordsWindow->Y : 120;
  if ((RecordsLamps = NewSprite(x + 14, y + 4, 47, 17, RecordsLampsSurface, nullptr, 0, 0, 0, 0))) {
    RecordsLamps->Animating = 1;
    RecordsLamps->AnimDelay = 2;
  }
  RecordsButtons[ButtonNewGame] = NewSprite(x + 320, y + 314, 30, 30, RecordsButtonsSurface, nullptr, 0, 0, 0, 0);
  RecordsButtons[ButtonClose] = NewSprite(x + 360, y + 314, 30, 30, RecordsButtonsSurface, nullptr, 0, 1, 1, 0);

  // The table is read afresh; a record the file could not take is offered to it again.
  if (UnsavedCount)
    SaveRecords();
  else
    LoadRecords();
  if (NameEntryActive && QualifiesForRecords(Records, Score))
    SetEventKeyDown(NameEntryKeyDown);
  else
    NameEntryActive = 0;
}

void LeaveRecords() {
  // The last chance for a record the file could not take, before a new game or the
  // end of the program.
  if (UnsavedCount) SaveRecords();
  NameEntryActive = 0;
  // At shutdown the overlay may never have been open: then there are no keys to give back.
  if (GameOverlay == 2) InstallGameScreenEvents();
  GameOverlay = 0;
  FreeOverlay();
}

void RecordsFrame() {
  for (int i = 1; i <= 2; ++i) {
    if (Sprite* s = RecordsButtons[i]) {
      s->SrcRect.left = 30 * ButtonLook(s);
      s->SrcRect.right = s->SrcRect.left + 30;
    }
  }
  AnimateSprite(RecordsLamps, 1, 1, 0);
}

void RecordsRender() {
  ShowSpriteFast(&RecordsWindow, nullptr);
  ShowSpriteFast(&RecordsLamps, nullptr);
  for (int i = 1; i <= 2; ++i) ShowSpriteFast(&RecordsButtons[i], nullptr);

  const int32_t x0 = (RecordsWindow ? RecordsWindow->X : 180) + 24;
  int32_t y = (RecordsWindow ? RecordsWindow->Y : 120) + 54;
  for (int32_t i = 1; i <= RecordCount; ++i, y += 20) {
    char text[RecordNameCapacity + 1];
    snprintf(text, sizeof text, "%d", i);
    Show(x0, y, text);
    // A name is shown on its row: a control character from an edited file shows as '?'.
    const size_t length = ShownNameLength(Records[i]);
    for (size_t k = 0; k < length; ++k)
      text[k] = static_cast<unsigned char>(Records[i].Name[k]) < 32 ? '?' : Records[i].Name[k];
    text[length] = 0;
    Show(x0 + 30, y, text);
    Show(x0 + 200, y, ShownDates[i]);
    const int digits = snprintf(text, sizeof text, "%d", Records[i].Score);
    Show(x0 + 382 - 6 * digits, y, text);
  }
  if (NameEntryActive) {
    if (static_cast<uint32_t>(FrameCounter) % 15 > 4) {
      RECT box;
      SetRectValues(box, x0 + 30, y, x0 + 156, y + 18);
      ClearRect(EntryBoxColor, &box, nullptr);
    }
    char name[RecordNameCapacity + 1];
    memcpy(name, EntryName.Text, EntryName.Length);
    name[EntryName.Length] = 0;
    Show(x0 + 32, y + 2, name);
  }
}

void WINAPI RecordsKeyDown(uint32_t ScanCode) {
  if (ScanCode == KeyEscape) LeaveRecords();
}

void WINAPI NameEntryKeyDown(uint32_t ScanCode) {
  TypingShift = ShiftPressed() ? 1 : 0;
  switch (ScanCode) {
    case KeyEscape: // accepts the name like Enter: there is no cancelling a record
    case KeyEnter:
      SetEventKeyDown(RecordsKeyDown);
      // The new record goes into the table as the file holds it now.
      KeepUnsaved(NewRecordEntry(EntryName.Text, EntryName.Length, Today(), Score));
      Score = 0;
      SaveRecords(); // a record the file cannot take stays in the table all the same
      NameEntryActive = 0;
      break;
    case KeyBackspace:
      if (EntryName.Length > 0) EntryName.Length -= 1;
      break;
    case KeyDelete:
      EntryName.Length = 0;
      break;
    default:
      if (EntryName.Length < EntryNameLimit) {
        if (const char c = ScanCodeToChar(static_cast<int32_t>(ScanCode))) EntryName.Text[EntryName.Length++] = c;
      }
      break;
  }
}

void WINAPI RecordsMouseDown(uint32_t Button) {
  if (Button == 0) PressButtons(RecordsButtons, 2);
}

void WINAPI RecordsMouseUp(uint32_t Button) {
  if (Button != 0) return;
  const int32_t released = ReleasedButton(RecordsButtons, 2);
  if (released == 0) return;
  LeaveRecords();
  if (released == ButtonNewGame) SwitchScreen(ScreenGame);
}

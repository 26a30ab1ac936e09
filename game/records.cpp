// The records overlay over the game screen: the ten best scores read from
// "Records.dat", and the name entry after a game that earned a place. The table's
// bytes are read and written by records_file.cpp; this file does the file calls,
// the drawing and the keys.
//
// The file lives in the current folder. When it cannot be written there (a game
// unpacked under Program Files), the table goes to "Triwell\Records.dat" in the
// user's local application data instead. A start reads both copies and joins them, so
// no record is lost whichever copy is older, whatever the clocks or time zones say,
// and however many game folders share the spare copy.
#include "screens.h"

#include <oleauto.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "game.h"
#include "playfield.h"
#include "records_file.h"
#include "sprite_helpers.h"

RecordsTable Records;
int32_t NameEntryActive;
EntryNameText EntryName = {6, "Player"};
Sprite* RecordsButtons[1 + 2];

namespace {

constexpr const wchar_t* RecordsFileName = L"Records.dat";
constexpr const wchar_t* HomeFolder = L".";
// Room for a folder of MAX_PATH characters, a separator and the file name.
constexpr size_t PathRoom = MAX_PATH + 16;
constexpr uint32_t KeyEscape = 1, KeyBackspace = 14, KeyEnter = 28, KeyDelete = 211;
constexpr int32_t ButtonNewGame = 1, ButtonClose = 2;
constexpr uint32_t EntryBoxColor = 0x00FF; // blue in 5-6-5

SurfaceRecord* RecordsBackgroundSurface;
SurfaceRecord* RecordsLampsSurface;
SurfaceRecord* RecordsButtonsSurface;
Sprite* RecordsWindow;
Sprite* RecordsLamps;
char ShownDates[RecordCount + 1][64]; // the table's dates as the local short date, made when the table changes
bool TableUnsaved; // the table holds a record the file could not take: it is not read over

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

} // namespace

namespace {

// The folder the table moves to when the current one cannot be written; false when
// the user's local application data cannot be found.
bool SpareFolder(wchar_t (&Folder)[PathRoom]) {
  wchar_t appData[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
    return false;
  const int n = swprintf(Folder, PathRoom, L"%ls\\Triwell", appData);
  return n > 0 && n < static_cast<int>(PathRoom);
}

bool RecordsPath(const wchar_t* Folder, wchar_t (&Path)[PathRoom]) {
  const int n = swprintf(Path, PathRoom, L"%ls\\%ls", Folder, RecordsFileName);
  return n > 0 && n < static_cast<int>(PathRoom);
}

enum CopyState { CopyMissing, CopyRead, CopyUnread };

// Reads a records file into Table. A file that cannot be opened or read gives the
// empty table; a failed read keeps the entries read before it.
CopyState ReadTableFrom(const wchar_t* Path, RecordsTable& Table) {
  uint8_t bytes[RecordsFileBytes];
  DWORD got = 0;
  // Shared with any writer, so a file another program holds open is still read.
  const HANDLE file = CreateFileW(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    ReadRecordsTable(nullptr, 0, Table);
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CopyMissing : CopyUnread;
  }
  // A read may return fewer bytes than asked: read on until the table is full or the
  // file ends.
  bool failed = false;
  for (DWORD n = 0; got < sizeof bytes; got += n) {
    if (!ReadFile(file, bytes + got, sizeof bytes - got, &n, nullptr)) failed = true;
    if (failed || n == 0) break;
  }
  CloseHandle(file);
  ReadRecordsTable(bytes, got, Table);
  return failed ? CopyUnread : CopyRead;
}

// Reads the copy in Folder as it is now and joins the table into it: the copy's
// entries come first among equal scores, so a new record stays below the scores it
// only equals. Answers the copy's state; an unread copy leaves the table as it was.
CopyState JoinCopyIn(const wchar_t* Folder) {
  wchar_t path[PathRoom];
  if (!RecordsPath(Folder, path)) return CopyUnread;
  RecordsTable copy;
  const CopyState state = ReadTableFrom(path, copy);
  if (state == CopyRead) {
    MergeRecordsTables(copy, Records);
    memcpy(&Records, &copy, sizeof Records);
  }
  return state;
}

// Writes the table to Records.dat in Folder. The new table goes to a file of its own
// beside the old one, which it replaces in one step only when it was written in full:
// a failure leaves the old file as it was.
bool SaveTableIn(const wchar_t* Folder, const uint8_t (&Bytes)[RecordsFileBytes]) {
  wchar_t target[PathRoom];
  if (!RecordsPath(Folder, target)) return false;
  // A read-only file is left as it is: the table goes to the spare place instead.
  const DWORD attributes = GetFileAttributesW(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  wchar_t temporary[MAX_PATH];
  if (!GetTempFileNameW(Folder, L"Rec", 0, temporary)) return false;
  const HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = false;
  if (file != INVALID_HANDLE_VALUE) {
    DWORD n = 0;
    written = WriteFile(file, Bytes, sizeof Bytes, &n, nullptr) && n == sizeof Bytes && FlushFileBuffers(file);
    CloseHandle(file);
  }
  if (written && MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileW(temporary);
  return false;
}

} // namespace

void LoadRecords() {
  wchar_t path[PathRoom], spare[PathRoom];
  RecordsPath(HomeFolder, path);
  ReadTableFrom(path, Records);
  RecordsTable other;
  if (SpareFolder(spare) && RecordsPath(spare, path) && ReadTableFrom(path, other) == CopyRead)
    MergeRecordsTables(Records, other);
  FormatDates();
}

bool SaveRecords() {
  // Both copies are read again and joined in first: one that could not be read when
  // the table was loaded, or one another game folder or program has stored records in
  // since, keeps them. A copy that cannot be read now is not written over.
  wchar_t spare[PathRoom];
  const bool spareFound = SpareFolder(spare);
  const CopyState spareCopy = spareFound ? JoinCopyIn(spare) : CopyUnread;
  const CopyState homeCopy = JoinCopyIn(HomeFolder); // last, so its entries lead among equal scores
  SortRecords(Records);
  FormatDates();
  uint8_t bytes[RecordsFileBytes];
  WriteRecordsTable(Records, bytes);
  if (homeCopy != CopyUnread && SaveTableIn(HomeFolder, bytes)) return true;
  if (spareCopy == CopyUnread) return false;
  CreateDirectoryW(spare, nullptr); // or it is there already
  return SaveTableIn(spare, bytes);
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

  // A record the file could not take stays in the table and is offered to the file again.
  if (TableUnsaved) {
    TableUnsaved = !SaveRecords();
  } else {
    LoadRecords();
  }
  if (NameEntryActive && QualifiesForRecords(Records, Score))
    SetEventKeyDown(NameEntryKeyDown);
  else
    NameEntryActive = 0;
}

void LeaveRecords() {
  // The last chance for a record the file could not take, before a new game or the
  // end of the program.
  if (TableUnsaved) TableUnsaved = !SaveRecords();
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
    for (size_t k = 0; k < length; ++k) text[k] = static_cast<unsigned char>(Records[i].Name[k]) < 32 ? '?' : Records[i].Name[k];
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
      PlaceRecord(Records, EntryName.Text, EntryName.Length, Today(), Score);
      Score = 0;
      TableUnsaved = !SaveRecords(); // the record stays in the table all the same
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

// The game screen and the records overlay, driven through their own procedures
// against the real engine library, in a fresh folder of their own (no pictures, so
// sprites have no surfaces; the logic does not need them).
#include "game.h"
#include "playfield.h"
#include "records_file.h"
#include "screens.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

extern RecordsTable Records;

namespace {

constexpr uint32_t KeyEscape = 1, KeyBackspace = 14, KeyEnter = 28, KeyY = 21, KeyN = 49, KeySpace = 57;
constexpr uint32_t KeyDelete = 211, KeyA = 30, KeyB = 48;

std::vector<uint8_t> ReadAll(const char* Name) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen(Name, "rb");
  if (!f) return bytes;
  for (int c; (c = fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  fclose(f);
  return bytes;
}

void WriteAll(const char* Name, const std::vector<uint8_t>& Bytes) {
  FILE* f = fopen(Name, "wb");
  ASSERT_NE(f, nullptr);
  fwrite(Bytes.data(), 1, Bytes.size(), f);
  fclose(f);
}

int FilesLike(const std::string& Pattern) {
  WIN32_FIND_DATAA found;
  const HANDLE h = FindFirstFileA(Pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 1;
  while (FindNextFileA(h, &found)) ++n;
  FindClose(h);
  return n;
}

// Where the game keeps the table when its own folder cannot be written.
std::string SpareFolder() {
  char appData[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", appData, sizeof appData);
  return n && n < sizeof appData ? std::string(appData) + "\\Triwell" : std::string();
}

std::string SpareFile() { return SpareFolder() + "\\Records.dat"; }

// Temporary files a save left behind, in the game folder or the spare one.
int LeftoverTemporaryFiles() { return FilesLike("Rec*.tmp") + FilesLike(SpareFolder() + "\\Rec*.tmp"); }

void RemoveSpare() {
  SetFileAttributesA(SpareFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(SpareFile().c_str());
  RemoveDirectoryA(SpareFile().c_str());
  RemoveDirectoryA(SpareFolder().c_str());
}

// A file written at a given time, in seconds from an arbitrary day.
void WriteAt(const std::string& Name, const std::vector<uint8_t>& Bytes, int64_t Seconds) {
  ASSERT_NO_FATAL_FAILURE(WriteAll(Name.c_str(), Bytes));
  const HANDLE f = CreateFileA(Name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const uint64_t ticks = (13000000000ull + Seconds) * 10000000ull;
  const FILETIME t = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  EXPECT_TRUE(SetFileTime(f, nullptr, nullptr, &t));
  CloseHandle(f);
}

std::vector<uint8_t> TableBytes(const char* Name, int32_t Points) {
  RecordsTable table{};
  PlaceRecord(table, Name, static_cast<uint8_t>(strlen(Name)), 45000, Points);
  uint8_t bytes[RecordsFileBytes];
  WriteRecordsTable(table, bytes);
  return std::vector<uint8_t>(bytes, bytes + RecordsFileBytes);
}

void PointInto(const Sprite* S, int32_t Dx, int32_t Dy) {
  MouseX = S->X + Dx;
  MouseY = S->Y + Dy;
}

class GameScreen : public ::testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH], folder[MAX_PATH];
    ASSERT_TRUE(GetTempPathA(MAX_PATH, temp));
    ASSERT_TRUE(GetTempFileNameA(temp, "tw", 0, folder));
    DeleteFileA(folder);
    ASSERT_TRUE(CreateDirectoryA(folder, nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(folder));
    Folder = folder;
    ASSERT_FALSE(SpareFolder().empty());
    RemoveSpare();
    SoundEnabled = 0;
    SwitchScreen(ScreenGame);
    ASSERT_EQ(ScreenFrameProc, GameScreenFrame);
  }
  void TearDown() override {
    LeaveRecords();
    LeaveAllScreens();
    EXPECT_EQ(LeftoverTemporaryFiles(), 0);
    SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("Records.dat");
    RemoveDirectoryA("Records.dat");
    SetCurrentDirectoryA("..");
    RemoveDirectoryA(Folder.c_str());
    RemoveSpare();
    EXPECT_EQ(GetFileAttributesA(SpareFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing left in the spare place";
  }
  std::string Folder;
};

enum Act { None, NewGame, RecordsShown, SoundOn, Paused, Resumed, ToMenu, TableClosed };

// What a release did, seen from the state the game screen leaves.
Act Outcome(bool PauseWasOpen, bool TableWasOpen) {
  if (ScreenFrameProc == MenuFrame) return ToMenu;
  if (Score == 0) return NewGame;
  if (TableWasOpen) return GameOverlay == 0 ? TableClosed : None;
  if (GameOverlay == 2) return RecordsShown;
  if (SoundEnabled) return SoundOn;
  if (PauseWasOpen) return PauseWindow ? None : Resumed;
  return PauseWindow ? Paused : None;
}

TEST_F(GameScreen, ButtonsActOnALeftReleaseOverThePressedButtonWithinBothEdges) {
  enum Set { Game, Pause, Table };
  struct Case {
    Set Buttons;
    int32_t Button, DownX, DownY; // pressed at this offset from the button's corner
    int32_t UpButton, UpX, UpY;   // released here
    uint32_t DownWith, UpWith;    // mouse buttons: 0 left, 1 right
    Act Expected;
  };
  const Case cases[] = {
      {Game, 1, 0, 0, 1, 30, 30, 0, 0, NewGame}, // both edges belong to the button
      {Game, 2, 15, 15, 2, 15, 15, 0, 0, RecordsShown},
      {Game, 3, 30, 0, 3, 0, 30, 0, 0, SoundOn},
      {Game, 4, 5, 5, 4, 5, 5, 0, 0, Paused},
      {Game, 1, 31, 5, 1, 5, 5, 0, 0, None}, // a press one pixel past the edge
      {Game, 1, 5, 5, 1, 5, 31, 0, 0, None}, // a release one pixel past the edge
      {Game, 1, 5, 5, 2, 5, 5, 0, 0, None},  // released over another button
      {Game, 3, 5, 5, 3, -1, 5, 0, 0, None},
      {Game, 2, 5, 5, 2, 5, 5, 1, 0, None},  // a right press
      {Game, 2, 5, 5, 2, 5, 5, 0, 1, None},  // a right release: the left press stays
      {Pause, 1, 30, 30, 1, 0, 0, 0, 0, ToMenu},
      {Pause, 2, 0, 0, 2, 30, 30, 0, 0, Resumed},
      {Pause, 1, 5, 5, 2, 5, 5, 0, 0, None},
      {Table, 1, 5, 5, 1, 5, 5, 0, 0, NewGame},
      {Table, 2, 5, 5, 2, 5, 5, 0, 0, TableClosed},
      {Table, 2, 5, 5, 1, 5, 5, 0, 0, None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "set " << c.Buttons << ", button " << c.Button << " released on "
                                    << c.UpButton << " at " << c.UpX << "," << c.UpY);
    SoundEnabled = 0;
    SwitchScreen(ScreenGame);
    Score = 77;
    Sprite** buttons = GameButtons;
    void(WINAPI * down)(uint32_t) = GameScreenMouseDown;
    void(WINAPI * up)(uint32_t) = GameScreenMouseUp;
    if (c.Buttons == Pause) {
      OpenPauseWindow();
      buttons = PauseButtons, down = PauseMouseDown, up = PauseMouseUp;
    } else if (c.Buttons == Table) {
      EnterRecords();
      buttons = RecordsButtons, down = RecordsMouseDown, up = RecordsMouseUp;
    }
    Sprite* pressed = buttons[c.Button];
    PointInto(pressed, c.DownX, c.DownY);
    down(c.DownWith);
    PointInto(buttons[c.UpButton], c.UpX, c.UpY);
    up(c.UpWith);
    EXPECT_EQ(Outcome(c.Buttons == Pause, c.Buttons == Table), c.Expected);
    EXPECT_EQ(GameButtons[3] ? GameButtons[3]->SrcRect.left : 90, SoundEnabled ? 60 : 90) << "the sound button shows the switch";
    if (c.Expected == None) {
      EXPECT_EQ(pressed->State, c.UpWith == 1 ? 1 : 0) << "only a left release ends a press";
    }
    LeaveRecords();
  }
}

TEST_F(GameScreen, PauseStopsTheRulesUntilResumedOrLeft) {
  struct Case {
    uint32_t Close; // the key that closes the pause window
    bool ToMenu;
  };
  for (const Case c : {Case{KeyEscape, false}, Case{KeyN, false}, Case{KeyY, true}, Case{KeyEnter, true}}) {
    SCOPED_TRACE(c.Close);
    SwitchScreen(ScreenGame);
    GameScreenKeyDown(KeySpace); // held through the pause: its release is not seen
    GameScreenKeyDown(KeyEscape);
    ASSERT_NE(PauseWindow, nullptr);
    const Sprite* window = PauseWindow;
    const int32_t sprites = GetNumSprites();
    GameScreenKeyDown(KeyEscape); // opening it again leaks nothing
    EXPECT_EQ(PauseWindow, window);
    EXPECT_EQ(GetNumSprites(), sprites);
    const int32_t row = PieceY, counted = FallCounter;
    for (int i = 0; i < 50; ++i) GameScreenFrame();
    EXPECT_EQ(PieceY, row);
    EXPECT_EQ(FallCounter, counted);
    PauseKeyDown(c.Close);
    EXPECT_EQ(PauseWindow, nullptr);
    if (c.ToMenu) {
      EXPECT_EQ(ScreenFrameProc, MenuFrame);
      EXPECT_EQ(DropHeld, 0) << "a switch lets go of held keys";
      continue;
    }
    EXPECT_EQ(DropHeld, 1);
    GameScreenFrame();
    EXPECT_EQ(PieceY, row + 1) << "the drop goes on at a row a frame";
  }
}

// Plays the game to its end with Score points: column 5 holds alternating blocks up
// to row 4, so the stick lands at once and the next finds its entry cells filled.
void EndTheGame(int32_t Points) {
  for (int32_t row = 4; row <= FieldRows; ++row) Playfield[PieceX][row].Color = 1 + row % 2;
  Score = Points;
  DropHeld = 1;
  GameScreenFrame();
  ASSERT_EQ(GameOver, 1);
}

TEST_F(GameScreen, GameOverAsksForANameAndStoresTheRecord) {
  ASSERT_NO_FATAL_FAILURE(EndTheGame(123));
  ASSERT_EQ(GameOverlay, 2) << "the table opens in the frame of the last landing";
  ASSERT_EQ(NameEntryActive, 1) << "any score above 0 earns a place in an empty table";

  EXPECT_EQ(std::string(EntryName.Text, EntryName.Length), "Player");
  NameEntryKeyDown(KeyBackspace);
  EXPECT_EQ(std::string(EntryName.Text, EntryName.Length), "Playe");
  NameEntryKeyDown(KeyDelete);
  EXPECT_EQ(EntryName.Length, 0);
  NameEntryKeyDown(200); // an arrow types nothing
  for (int i = 0; i < 25; ++i) NameEntryKeyDown(i % 2 ? KeyB : KeyA);
  EXPECT_EQ(std::string(EntryName.Text, EntryName.Length), "abababababababababab") << "20 characters at most";
  NameEntryKeyDown(KeyEscape); // stores like Enter
  EXPECT_EQ(NameEntryActive, 0);
  EXPECT_EQ(Score, 0);
  EXPECT_EQ(GameOverlay, 2) << "the table stays open";
  const std::vector<uint8_t> file = ReadAll("Records.dat");
  ASSERT_EQ(file.size(), RecordsFileBytes);
  RecordsTable stored;
  ReadRecordsTable(file.data(), file.size(), stored);
  EXPECT_EQ(std::string(stored[1].Name, stored[1].NameLength), "abababababababababab");
  EXPECT_EQ(stored[1].Score, 123);
  EXPECT_GT(stored[1].Date, 40000) << "today, in days since 1899";
  EXPECT_EQ(stored[1].Date, static_cast<double>(static_cast<int64_t>(stored[1].Date))) << "a whole day";

  // Closed over a finished game, the table opens again at once, without name entry.
  RecordsKeyDown(KeyEscape);
  EXPECT_EQ(GameOverlay, 0);
  GameScreenFrame();
  EXPECT_EQ(GameOverlay, 2);
  EXPECT_EQ(NameEntryActive, 0);
  // Only its new-game button leaves it.
  PointInto(RecordsButtons[1], 30, 30);
  RecordsMouseDown(0);
  RecordsMouseUp(0);
  EXPECT_EQ(GameOverlay, 0);
  EXPECT_EQ(GameOver, 0);
  EXPECT_EQ(ScreenFrameProc, GameScreenFrame);
}

TEST_F(GameScreen, ARecordTheFileCannotTakeStaysInTheTableAndIsSavedLater) {
  const std::vector<uint8_t> old(RecordsFileBytes, 0);
  WriteAll("Records.dat", old);
  ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_READONLY));
  // Nor can the spare place: a folder stands where its file would go.
  ASSERT_TRUE(CreateDirectoryA(SpareFolder().c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(SpareFile().c_str(), nullptr));
  ASSERT_NO_FATAL_FAILURE(EndTheGame(50));
  NameEntryKeyDown(KeyEnter);
  EXPECT_EQ(ReadAll("Records.dat"), old) << "the read-only file as it was";
  // Closing the table over the finished game opens it again: the record is still there.
  RecordsKeyDown(KeyEscape);
  GameScreenFrame();
  ASSERT_EQ(GameOverlay, 2);
  EXPECT_EQ(Records[1].Score, 50);
  EXPECT_EQ(std::string(Records[1].Name, Records[1].NameLength), "Player");
  // Once the file can be written, the next opening saves the table.
  ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_NORMAL));
  RecordsKeyDown(KeyEscape);
  GameScreenFrame();
  const std::vector<uint8_t> now = ReadAll("Records.dat");
  ASSERT_EQ(now.size(), RecordsFileBytes);
  EXPECT_EQ(0, memcmp(now.data(), &Records[1], RecordsFileBytes));
  EXPECT_EQ(now[0], 6);
  EXPECT_EQ(Records[2].Score, 0) << "stored once";
}

TEST_F(GameScreen, GameOverAsksForANameOnlyAboveTheTenthScore) {
  struct Case {
    int32_t Tenth; // the tenth entry's score in the file; -1: no file
    int32_t Points;
    bool Asked;
  };
  for (const Case c : {Case{-1, 0, false}, Case{-1, 1, true}, Case{50, 50, false}, Case{50, 51, true}}) {
    SCOPED_TRACE(testing::Message() << c.Tenth << " " << c.Points);
    DeleteFileA("Records.dat");
    if (c.Tenth >= 0) {
      RecordsTable full{};
      for (int i = 1; i <= RecordCount; ++i) PlaceRecord(full, "x", 1, 45000, c.Tenth + 10 - i);
      uint8_t bytes[RecordsFileBytes];
      WriteRecordsTable(full, bytes);
      WriteAll("Records.dat", std::vector<uint8_t>(bytes, bytes + RecordsFileBytes));
    }
    SwitchScreen(ScreenGame);
    ASSERT_NO_FATAL_FAILURE(EndTheGame(c.Points));
    EXPECT_EQ(GameOverlay, 2);
    EXPECT_EQ(NameEntryActive != 0, c.Asked);
    LeaveRecords();
  }
}

TEST_F(GameScreen, RecordsFileIsReplacedWholeOrLeftAsItWasAndMovesOutOfAFolderItCannotWrite) {
  RecordsTable two{};
  PlaceRecord(two, "first", 5, 45000, 500);
  PlaceRecord(two, "second", 6, 45001, 400);
  uint8_t table[RecordsFileBytes];
  WriteRecordsTable(two, table);
  const std::vector<uint8_t> full(table, table + RecordsFileBytes);
  std::vector<uint8_t> longer = full;
  longer.resize(400, 0xEE);
  const std::vector<uint8_t> cut(table, table + 50); // the first entry and part of the second

  enum Setup { NoFile, File, ReadOnlyFile, Folder };
  enum Place { Here, Spare, Nowhere };
  struct Case {
    const char* Name;
    Setup Kind;
    std::vector<uint8_t> Bytes;
    int32_t EntriesRead; // entries with a score after loading
    bool SpareBlocked;   // a folder stands where the spare file would go
    Place SavedTo;
  };
  const Case cases[] = {
      {"no file", NoFile, {}, 0, false, Here},
      {"a longer file", File, longer, 2, false, Here},
      {"a cut file", File, cut, 1, false, Here},
      {"a read-only file", ReadOnlyFile, full, 2, false, Spare},
      {"a folder of that name", Folder, {}, 0, false, Spare},
      {"a read-only file, the spare place blocked", ReadOnlyFile, full, 2, true, Nowhere},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Kind == File || c.Kind == ReadOnlyFile) WriteAll("Records.dat", c.Bytes);
    if (c.Kind == ReadOnlyFile) {
      ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_READONLY));
    }
    if (c.Kind == Folder) {
      ASSERT_TRUE(CreateDirectoryA("Records.dat", nullptr));
    }
    if (c.SpareBlocked) {
      ASSERT_TRUE(CreateDirectoryA(SpareFolder().c_str(), nullptr));
      ASSERT_TRUE(CreateDirectoryA(SpareFile().c_str(), nullptr));
    }

    LoadRecords();
    int32_t read = 0;
    for (int i = 1; i <= RecordCount; ++i) read += Records[i].Score != 0;
    EXPECT_EQ(read, c.EntriesRead);
    PlaceRecord(Records, "new", 3, 45002, 450);
    std::vector<uint8_t> saved(RecordsFileBytes);
    memcpy(saved.data(), &Records[1], RecordsFileBytes);
    EXPECT_EQ(SaveRecords(), c.SavedTo != Nowhere);
    EXPECT_EQ(std::string(Records[c.EntriesRead >= 1 ? 2 : 1].Name, 3), "new") << "kept in memory";
    if (c.SavedTo != Nowhere) {
      const std::vector<uint8_t> now = ReadAll(c.SavedTo == Here ? "Records.dat" : SpareFile().c_str());
      ASSERT_EQ(now.size(), RecordsFileBytes);
      EXPECT_EQ(now, saved);
      // The next start reads the table back from where it went.
      memset(&Records, 0, sizeof Records);
      LoadRecords();
      EXPECT_EQ(0, memcmp(&Records[1], saved.data(), RecordsFileBytes));
    }
    if (c.SavedTo == Here) {
      EXPECT_EQ(GetFileAttributesA(SpareFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing spare";
    }
    if (c.Kind == ReadOnlyFile) {
      EXPECT_EQ(ReadAll("Records.dat"), c.Bytes) << "byte for byte";
    }
    EXPECT_EQ(LeftoverTemporaryFiles(), 0);

    SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("Records.dat");
    RemoveDirectoryA("Records.dat");
    RemoveSpare();
  }
}

TEST_F(GameScreen, RecordsOfBothPlacesAreJoinedAndNoneIsLostAtTheSave) {
  enum Hold { Free, WhileRead, ThroughTheSave }; // another program holds the game folder's copy without sharing
  enum Place { Nowhere, Here, Spare };
  struct Case {
    const char* Name;
    int64_t HereAt, SpareAt; // when each copy ("here" 10, "spare" 20) was written, in seconds; -1: none
    bool HereReadOnly;
    Hold Held;
    Place Meanwhile; // where another game stores "other" 30 between the start and the save
    std::vector<std::string> Loaded, Saved; // names read at the start, and again after "new" 30 was stored
  };
  const Case cases[] = {
      {"only the game folder's", 5, -1, false, Free, Nowhere, {"here"}, {"new", "here"}},
      {"only the spare copy", -1, 5, false, Free, Nowhere, {"spare"}, {"new", "spare"}},
      {"the spare copy an hour ahead", 5, 3605, false, Free, Nowhere, {"spare", "here"}, {"new", "spare", "here"}},
      {"the game folder's an hour ahead", 3605, 5, false, Free, Nowhere, {"spare", "here"}, {"new", "spare", "here"}},
      {"the game folder's read-only and ahead", 3605, 5, true, Free, Nowhere, {"spare", "here"}, {"new", "spare", "here"}},
      {"held while it was read", 5, -1, false, WhileRead, Nowhere, {}, {"new", "here"}},
      {"held through the save", 5, -1, false, ThroughTheSave, Nowhere, {}, {"new", "here"}},
      // Another game's record of an equal score stays above the new one.
      {"another game storing here", 5, -1, false, Free, Here, {"here"}, {"other", "new", "here"}},
      {"another game storing in the spare copy", 5, -1, false, Free, Spare, {"here"}, {"other", "new", "here"}},
      {"... while the save goes there too", 5, -1, true, Free, Spare, {"here"}, {"other", "new", "here"}},
  };
  auto names = [] {
    std::vector<std::string> shown;
    for (int i = 1; i <= RecordCount; ++i)
      if (Records[i].Score) shown.emplace_back(Records[i].Name, ShownNameLength(Records[i]));
    return shown;
  };
  const std::vector<uint8_t> here = TableBytes("here", 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.HereAt >= 0) {
      ASSERT_NO_FATAL_FAILURE(WriteAt("Records.dat", here, c.HereAt));
    }
    if (c.SpareAt >= 0) {
      CreateDirectoryA(SpareFolder().c_str(), nullptr);
      ASSERT_NO_FATAL_FAILURE(WriteAt(SpareFile(), TableBytes("spare", 20), c.SpareAt));
    }
    if (c.HereReadOnly) {
      ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_READONLY));
    }
    HANDLE held = c.Held == Free ? INVALID_HANDLE_VALUE
                                 : CreateFileA("Records.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(held == INVALID_HANDLE_VALUE, c.Held == Free);
    LoadRecords();
    EXPECT_EQ(names(), c.Loaded);
    if (c.Held == WhileRead) CloseHandle(held);
    if (c.Meanwhile != Nowhere) {
      CreateDirectoryA(SpareFolder().c_str(), nullptr);
      ASSERT_NO_FATAL_FAILURE(WriteAll(c.Meanwhile == Here ? "Records.dat" : SpareFile().c_str(), TableBytes("other", 30)));
    }
    PlaceRecord(Records, "new", 3, 45002, 30);
    EXPECT_TRUE(SaveRecords());
    if (c.Held == ThroughTheSave) CloseHandle(held);
    if (c.HereReadOnly || c.Held == ThroughTheSave) {
      EXPECT_EQ(ReadAll("Records.dat"), here) << "a copy the save could not take, byte for byte";
    }
    LoadRecords();
    EXPECT_EQ(names(), c.Saved);
    SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("Records.dat");
    RemoveSpare();
  }
}

} // namespace

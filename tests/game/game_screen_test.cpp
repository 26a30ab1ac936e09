// The game screen and the records overlay, driven through their own procedures
// against the real engine library, in a fresh folder of their own (no pictures, so
// sprites have no surfaces; the logic does not need them).
#include "game.h"
#include "playfield.h"
#include "records_file.h"
#include "screens.h"

#include "records_folder.h"

#include <string>
#include <vector>

extern RecordsTable Records;

namespace {

constexpr uint32_t KeyA = 30, KeyB = 48;

void PointInto(const Sprite* S, int32_t Dx, int32_t Dy) {
  MouseX = S->X + Dx;
  MouseY = S->Y + Dy;
}

class GameScreen : public RecordsFolder {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(RecordsFolder::SetUp());
    SoundEnabled = 0;
    SwitchScreen(ScreenGame);
    ASSERT_EQ(ScreenFrameProc, GameScreenFrame);
  }
  void TearDown() override {
    LeaveRecords();
    LeaveAllScreens();
    EXPECT_FALSE(Exists("Records.tmp") || Exists(SpareFolder() + "\\Records.tmp")) << "no temporary file left";
    RecordsFolder::TearDown();
  }
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

TEST_F(GameScreen, RecordsTheFileCannotTakeStayInTheTableAndTheBestTenAreSavedLater) {
  const std::vector<uint8_t> old(RecordsFileBytes, 0);
  WriteAll("Records.dat", old);
  ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_READONLY));
  // Nor can the spare place: a folder stands where its file would go.
  ASSERT_TRUE(CreateDirectoryA(SpareFolder().c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(SpareFile().c_str(), nullptr));
  // Eleven games, each storing a record the file cannot take; the second is the lowest.
  std::vector<int32_t> points = {50, 10};
  for (int32_t p = 11; p <= 19; ++p) points.push_back(p);
  for (const int32_t p : points) {
    SCOPED_TRACE(p);
    SwitchScreen(ScreenGame);
    ASSERT_NO_FATAL_FAILURE(EndTheGame(p));
    ASSERT_EQ(NameEntryActive, 1);
    NameEntryKeyDown(KeyEnter);
    EXPECT_EQ(ReadAll("Records.dat"), old) << "the read-only file as it was";
    // Closing the table over the finished game opens it again: the record is still there.
    RecordsKeyDown(KeyEscape);
    GameScreenFrame();
    ASSERT_EQ(GameOverlay, 2);
    EXPECT_EQ(Records[1].Score, 50);
    EXPECT_EQ(std::string(Records[1].Name, Records[1].NameLength), "Player");
    LeaveRecords();
  }
  // Once the file can be written, the next opening saves the best ten, once each.
  ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_NORMAL));
  EnterRecords();
  const std::vector<uint8_t> now = ReadAll("Records.dat");
  ASSERT_EQ(now.size(), RecordsFileBytes);
  EXPECT_EQ(0, memcmp(now.data(), &Records[1], RecordsFileBytes));
  const std::vector<std::string> best = {"Player:50", "Player:19", "Player:18", "Player:17", "Player:16",
                                         "Player:15", "Player:14", "Player:13", "Player:12", "Player:11"};
  EXPECT_EQ(RowsOfFile("Records.dat"), best);
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
      for (int i = 1; i <= RecordCount; ++i) PlaceRecord(full, NewRecordEntry("x", 1, 45000, c.Tenth + 10 - i));
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

} // namespace

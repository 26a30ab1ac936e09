// Where the records table lives: the game folder while it takes a save, the spare copy
// only until then; what an interrupted save left; two games storing at once.
#include "records_store.h"

#include "records_folder.h"

#include <string>
#include <vector>

namespace {

const std::vector<std::string> None;

// A folder in which no file can be made: the game cannot even open its lock file
// there, as in a folder under Program Files or on a read-only stick.
void BlockGameFolder(bool Blocked) {
  if (Blocked)
    CreateDirectoryA("Records.lck", nullptr);
  else
    RemoveDirectoryA("Records.lck");
}

bool Store(const char* Name, int32_t Score, RecordsTable& Table) {
  const RecordEntry entry = NewRecordEntry(Name, strlen(Name), 45001, Score);
  return StoreRecords(&entry, 1, Table);
}

using RecordsPlaces = RecordsFolder;

TEST_F(RecordsPlaces, TheTableIsTheGameFoldersWhileItTakesASaveAndTheSpareCopyOnlyUntilThen) {
  const std::vector<std::string> unsorted = {"a:5", "b:50", "c:40", "d:30", "e:20", "f:10", "g:9", "h:6", "i:6", "j:7"};
  struct Case {
    const char* Name;
    const std::vector<std::string>* Home;  // Records.dat at the first start; nil: none
    const std::vector<std::string>* Spare; // the spare copy at the first start; nil: none
    bool SpareElsewhere, SpareLater;       // ... another game folder's; made after this one started
    bool Blocked, BlockedLater;            // the game folder takes no save in the first run, in the second
    bool PlayerDeletes;                    // Records.dat is deleted between the runs
    const char* Stored;                    // "name:score" stored in the first run
    std::vector<std::string> First, Saved, Second; // the table at the first start, after the store, at the second start
    bool SavedInSpare, SpareAtTheEnd;
  };
  const std::vector<std::string> here = {"here:10"}, away = {"away:20", "here:10"};
  const std::vector<std::string> other = {"other:40"};
  const Case cases[] = {
      {"a writable folder", &here, nullptr, false, false, false, false, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, false, false},
      {"a writable folder with its spare copy: joined once", &here, &away, false, false, false, false, false, "new:30",
       {"away:20", "here:10"}, {"new:30", "away:20", "here:10"}, {"new:30", "away:20", "here:10"}, false, false},
      {"another game folder's spare copy is left alone", &here, &other, true, true, false, false, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, false, true},
      {"a read-only folder shares another's spare copy", &here, &other, true, false, true, true, false, "new:30",
       {"other:40"}, {"other:40", "new:30"}, {"other:40", "new:30"}, true, true},
      {"a read-only folder without Records.dat", nullptr, nullptr, false, false, true, true, false, "new:30",
       None, {"new:30"}, {"new:30"}, true, true},
      {"a read-only folder with Records.dat", &here, nullptr, false, false, true, true, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, true, true},
      {"a folder made writable again", &here, nullptr, false, false, true, false, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, true, false},
      {"Records.dat deleted by the player", &here, &away, false, false, false, false, true, "new:30",
       {"away:20", "here:10"}, {"new:30", "away:20", "here:10"}, None, false, false},
      {"an unsorted file is read as it stands and placed against its tenth", &unsorted, nullptr, false, false, false,
       false, false, "k:8", unsorted, {"b:50", "c:40", "d:30", "e:20", "f:10", "g:9", "k:8", "h:6", "i:6", "a:5"},
       {"b:50", "c:40", "d:30", "e:20", "f:10", "g:9", "k:8", "h:6", "i:6", "a:5"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Home) {
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.dat", TableBytes(*c.Home)));
    }
    auto writeSpare = [&] {
      CreateDirectoryA(SpareFolder().c_str(), nullptr);
      ASSERT_NO_FATAL_FAILURE(WriteAll(SpareFile(), TableBytes(*c.Spare)));
      if (c.SpareElsewhere) {
        ASSERT_NO_FATAL_FAILURE(WriteAll(SpareFolder() + "\\GameFolder.txt", {'C', ':', '\\'}));
      }
    };
    if (c.Spare && !c.SpareLater) {
      ASSERT_NO_FATAL_FAILURE(writeSpare());
    }
    const std::vector<uint8_t> homeBefore = ReadAll("Records.dat");
    BlockGameFolder(c.Blocked);

    RecordsTable table;
    SettleRecordsPlace();
    if (c.SpareLater) {
      ASSERT_NO_FATAL_FAILURE(writeSpare());
    }
    const std::vector<uint8_t> spareBefore = ReadAll(SpareFile());
    ReadStoredRecords(table);
    EXPECT_EQ(RowsOf(table), c.First);
    const std::string stored = c.Stored, name = stored.substr(0, stored.find(':'));
    EXPECT_TRUE(Store(name.c_str(), std::stoi(stored.substr(stored.find(':') + 1)), table));
    EXPECT_EQ(RowsOf(table), c.Saved);
    EXPECT_EQ(RowsOfFile(c.SavedInSpare ? SpareFile() : "Records.dat"), c.Saved) << "the file holds what was stored";
    if (c.SavedInSpare) {
      EXPECT_EQ(ReadAll("Records.dat"), homeBefore) << "the game folder's file as it was, byte for byte";
    }

    if (c.PlayerDeletes) DeleteFileA("Records.dat");
    BlockGameFolder(c.BlockedLater);
    for (int start = 1; start <= 2; ++start) {
      SCOPED_TRACE(testing::Message() << "start " << start << " after the store");
      SettleRecordsPlace();
      ReadStoredRecords(table);
      EXPECT_EQ(RowsOf(table), c.Second);
      EXPECT_EQ(Exists(SpareFile()), c.SpareAtTheEnd);
      if (!c.SpareAtTheEnd) {
        EXPECT_EQ(RowsOfFile("Records.dat"), c.Second);
        EXPECT_FALSE(Exists(SpareFolder())) << "nothing left in the spare place";
      }
      if (c.SpareElsewhere && !c.SavedInSpare) {
        EXPECT_EQ(ReadAll(SpareFile()), spareBefore) << "another game folder's table, byte for byte";
      }
    }
    BlockGameFolder(false);
    ClearRecordsIn(".");
    ClearSpare();
  }
}

// Whatever the game folder holds, a save loses no record: the table moves only out of a
// folder that cannot be written, and what an interrupted save left is recovered or removed.
TEST_F(RecordsPlaces, ASaveMovesTheTableOnlyWhenTheGameFolderCannotBeWrittenAndNeverLosesARecord) {
  enum Setup { LongerFile, CutFile, ReadOnlyFile, FolderOfThatName, HeldWithoutSharing, LockHeld,
               TemporaryBeside, LoneWholeTemporary, LoneCutTemporary };
  struct Case {
    const char* Name;
    Setup Kind;
    bool Stored, InSpare;                    // the save's answer, and where the table went
    std::vector<std::string> Shown, Final;   // the table after the save; the file after a save once let go
  };
  const Case cases[] = {
      {"a longer file is cut to its table", LongerFile, true, false, {"new:30", "here:10"}, {"new:30", "here:10"}},
      {"a cut file", CutFile, true, false, {"new:30", "here:10"}, {"new:30", "here:10"}},
      {"a read-only Records.dat", ReadOnlyFile, true, true, {"new:30", "here:10"}, {"new:30", "here:10"}},
      {"a folder named Records.dat", FolderOfThatName, true, true, {"new:30"}, {"new:30"}},
      {"Records.dat held without sharing", HeldWithoutSharing, false, false, {"new:30"}, {"new:30", "here:10"}},
      {"another game holding the lock", LockHeld, false, false, {"new:30", "here:10"}, {"new:30", "here:10"}},
      {"a temporary file beside the table", TemporaryBeside, true, false, {"new:30", "here:10"}, {"new:30", "here:10"}},
      {"a lone whole temporary file", LoneWholeTemporary, true, false, {"new:30", "other:5"}, {"new:30", "other:5"}},
      {"a lone cut temporary file", LoneCutTemporary, true, false, {"new:30"}, {"new:30"}},
  };
  const std::vector<uint8_t> other = TableBytes({"other:5"});
  const std::vector<uint8_t> table = TableBytes({"here:10"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> bytes = table;
    if (c.Kind == LongerFile) bytes.resize(400, 0xEE);
    if (c.Kind == CutFile) bytes.resize(sizeof(RecordEntry) + 16);
    if (c.Kind == FolderOfThatName) {
      ASSERT_TRUE(CreateDirectoryA("Records.dat", nullptr));
    } else if (c.Kind != LoneWholeTemporary && c.Kind != LoneCutTemporary) {
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.dat", bytes));
    }
    if (c.Kind >= TemporaryBeside) {
      std::vector<uint8_t> temporary = other;
      if (c.Kind == LoneCutTemporary) temporary.resize(100);
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.tmp", temporary));
    }
    // Temporary files of an earlier version, and one that is not the game's.
    for (const char* name : {"Rec1F.tmp", "RecBEEF.tmp", "Recipes.tmp"}) {
      ASSERT_NO_FATAL_FAILURE(WriteAll(name, other));
    }
    if (c.Kind == ReadOnlyFile) {
      ASSERT_TRUE(SetFileAttributesA("Records.dat", FILE_ATTRIBUTE_READONLY));
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    OVERLAPPED at = {};
    if (c.Kind == HeldWithoutSharing)
      held = CreateFileA("Records.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (c.Kind == LockHeld) {
      held = CreateFileA("Records.lck", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, 0, nullptr);
      EXPECT_TRUE(LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    }
    ASSERT_EQ(held != INVALID_HANDLE_VALUE, c.Kind == HeldWithoutSharing || c.Kind == LockHeld);

    RecordsTable shown;
    SettleRecordsPlace();
    EXPECT_EQ(Store("new", 30, shown), c.Stored);
    EXPECT_EQ(RowsOf(shown), c.Shown) << "the record is shown all the same";
    EXPECT_EQ(Exists(SpareFile()), c.InSpare) << "the table moves only out of a folder that cannot be written";
    if (c.Kind == ReadOnlyFile) {
      EXPECT_EQ(ReadAll("Records.dat"), bytes) << "byte for byte";
    }
    if (held != INVALID_HANDLE_VALUE) {
      UnlockFileEx(held, 0, 1, 0, &at);
      CloseHandle(held);
      EXPECT_TRUE(Store("new", 30, shown)) << "offered again once let go";
    }
    const std::string file = c.InSpare ? SpareFile() : "Records.dat";
    EXPECT_EQ(RowsOfFile(file), c.Final) << "stored once";
    EXPECT_EQ(ReadAll(file).size(), RecordsFileBytes);
    EXPECT_FALSE(Exists("Records.tmp") || Exists("Rec1F.tmp") || Exists("RecBEEF.tmp")) << "leftovers removed";
    EXPECT_TRUE(Exists("Recipes.tmp")) << "a file that is not the game's stays";
    ClearRecordsIn(".");
    ClearSpare();
  }
}

// A game unpacked into the very folder of the spare copy has one table: its own.
TEST_F(RecordsPlaces, AGameInTheSpareFolderKeepsItsOwnTable) {
  ASSERT_TRUE(CreateDirectoryA(SpareFolder().c_str(), nullptr));
  ASSERT_TRUE(SetCurrentDirectoryA(SpareFolder().c_str()));
  ASSERT_NO_FATAL_FAILURE(WriteAll("Records.dat", TableBytes({"here:10"})));
  const std::vector<std::string> before = {"here:10"}, after = {"new:30", "here:10"};
  RecordsTable table;
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    SettleRecordsPlace();
    ReadStoredRecords(table);
    EXPECT_EQ(RowsOf(table), start == 1 ? before : after);
    if (start == 1) {
      EXPECT_TRUE(Store("new", 30, table));
    }
  }
  EXPECT_EQ(RowsOfFile("Records.dat"), after);
  ASSERT_TRUE(SetCurrentDirectoryA(Folder.c_str()));
}

// Two writer programs released at once, each storing five records one by one; every
// round starts from an empty table, so all ten must be there at the end.
TEST_F(RecordsPlaces, TwoGamesStoringAtOnceLoseNoRecord) {
  char self[MAX_PATH];
  ASSERT_TRUE(GetModuleFileNameA(nullptr, self, MAX_PATH));
  std::string writer = self;
  writer = writer.substr(0, writer.find_last_of('\\') + 1) + "records_writer.exe";
  const HANDLE ready = CreateSemaphoreA(nullptr, 0, 2, "TriwellRecordsWritersReady");
  const HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "TriwellRecordsWritersGo");
  ASSERT_TRUE(ready && go);
  constexpr int Rounds = 25;
  for (int round = 1; round <= Rounds; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    ResetEvent(go);
    DeleteFileA("Records.dat");
    PROCESS_INFORMATION writers[2] = {};
    for (int w = 0; w < 2; ++w) {
      std::string command = "\"" + writer + "\" " + (w ? "b" : "a") + " " + std::to_string(100 * (w + 1));
      STARTUPINFOA start = {};
      start.cb = sizeof start;
      ASSERT_TRUE(CreateProcessA(writer.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                                 &writers[w]));
    }
    for (int w = 0; w < 2; ++w) ASSERT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0) << "the writers are ready";
    SetEvent(go);
    for (const PROCESS_INFORMATION& p : writers) {
      ASSERT_EQ(WaitForSingleObject(p.hProcess, 60000), WAIT_OBJECT_0);
      DWORD code = 1;
      GetExitCodeProcess(p.hProcess, &code);
      EXPECT_EQ(code, 0u) << "every store succeeded";
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    const std::vector<std::string> expected = {"b:204", "b:203", "b:202", "b:201", "b:200",
                                               "a:104", "a:103", "a:102", "a:101", "a:100"};
    ASSERT_EQ(RowsOfFile("Records.dat"), expected);
  }
  CloseHandle(ready);
  CloseHandle(go);
}

} // namespace

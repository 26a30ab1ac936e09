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
    bool Blocked, BlockedLater;            // the game folder takes no save in the first run, in the second
    bool PlayerDeletes;                    // Records.dat is deleted between the runs
    const char* Stored;                    // "name:score" stored in the first run
    std::vector<std::string> First, Saved, Second; // the table at the first start, after the store, at the second start
    bool SavedInSpare, SpareAtTheEnd;
  };
  const std::vector<std::string> here = {"here:10"}, away = {"away:20", "here:10"};
  const Case cases[] = {
      {"a writable folder", &here, nullptr, false, false, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, false, false},
      {"a writable folder with a spare copy: joined once", &here, &away, false, false, false, "new:30",
       {"away:20", "here:10"}, {"new:30", "away:20", "here:10"}, {"new:30", "away:20", "here:10"}, false, false},
      {"a read-only folder without Records.dat", nullptr, nullptr, true, true, false, "new:30",
       None, {"new:30"}, {"new:30"}, true, true},
      {"a read-only folder with Records.dat", &here, nullptr, true, true, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, true, true},
      {"a folder made writable again", &here, nullptr, true, false, false, "new:30",
       {"here:10"}, {"new:30", "here:10"}, {"new:30", "here:10"}, true, false},
      {"Records.dat deleted by the player", &here, &away, false, false, true, "new:30",
       {"away:20", "here:10"}, {"new:30", "away:20", "here:10"}, None, false, false},
      {"an unsorted file is read as it stands and placed against its tenth", &unsorted, nullptr, false, false, false, "k:8",
       unsorted, {"b:50", "c:40", "d:30", "e:20", "f:10", "g:9", "k:8", "h:6", "i:6", "a:5"},
       {"b:50", "c:40", "d:30", "e:20", "f:10", "g:9", "k:8", "h:6", "i:6", "a:5"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Home) {
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.dat", TableBytes(*c.Home)));
    }
    if (c.Spare) {
      CreateDirectoryA(SpareFolder().c_str(), nullptr);
      ASSERT_NO_FATAL_FAILURE(WriteAll(SpareFile(), TableBytes(*c.Spare)));
    }
    const std::vector<uint8_t> homeBefore = ReadAll("Records.dat");
    BlockGameFolder(c.Blocked);

    RecordsTable table;
    SettleRecordsPlace();
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
      }
    }
    BlockGameFolder(false);
    ClearRecordsIn(".");
    ClearSpare();
  }
}

TEST_F(RecordsPlaces, WhatAnInterruptedSaveLeftIsRecoveredOrRemoved) {
  const std::vector<uint8_t> other = TableBytes({"other:5"});
  struct Case {
    const char* Name;
    bool Table;                            // Records.dat holds "here" 10
    std::vector<uint8_t> Temporary;        // Records.tmp; empty: none
    std::vector<std::string> Started;      // the table after a start
  };
  const Case cases[] = {
      {"a temporary file beside the table", true, other, {"here:10"}},
      {"a lone whole temporary file", false, other, {"other:5"}},
      {"a lone cut temporary file", false, std::vector<uint8_t>(other.begin(), other.begin() + 100), None},
      {"an earlier version's temporary files", true, {}, {"here:10"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Table) {
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.dat", TableBytes({"here:10"})));
    }
    if (!c.Temporary.empty()) {
      ASSERT_NO_FATAL_FAILURE(WriteAll("Records.tmp", c.Temporary));
    }
    for (const char* name : {"Rec1F.tmp", "RecBEEF.tmp", "Recipes.tmp"}) {
      ASSERT_NO_FATAL_FAILURE(WriteAll(name, other));
    }

    RecordsTable table;
    SettleRecordsPlace();
    ReadStoredRecords(table);
    EXPECT_EQ(RowsOf(table), c.Started);
    EXPECT_TRUE(Store("new", 30, table));
    std::vector<std::string> saved = {"new:30"};
    saved.insert(saved.end(), c.Started.begin(), c.Started.end());
    EXPECT_EQ(RowsOfFile("Records.dat"), saved);
    EXPECT_FALSE(Exists("Records.tmp"));
    EXPECT_FALSE(Exists("Rec1F.tmp") || Exists("RecBEEF.tmp")) << "an earlier version's leftovers are removed";
    EXPECT_TRUE(Exists("Recipes.tmp")) << "a file that is not ours stays";
    ClearRecordsIn(".");
  }
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
      ASSERT_TRUE(CreateProcessA(writer.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &writers[w]));
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

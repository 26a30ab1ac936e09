// What the records tests under Wine share: a fresh current folder of their own, the
// spare place in the user's local application data emptied before and after, and
// tables written and read as files.
#pragma once

#include "records_file.h"
#include "records_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

inline std::vector<uint8_t> ReadAll(const std::string& Name) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen(Name.c_str(), "rb");
  if (!f) return bytes;
  for (int c; (c = fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  fclose(f);
  return bytes;
}

inline void WriteAll(const std::string& Name, const std::vector<uint8_t>& Bytes) {
  FILE* f = fopen(Name.c_str(), "wb");
  ASSERT_NE(f, nullptr) << Name;
  fwrite(Bytes.data(), 1, Bytes.size(), f);
  fclose(f);
}

inline bool Exists(const std::string& Name) { return GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Where the game keeps the table while its own folder cannot take a save.
inline std::string SpareFolder() {
  char appData[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", appData, sizeof appData);
  return n && n < sizeof appData ? std::string(appData) + "\\Triwell" : std::string();
}
inline std::string SpareFile() { return SpareFolder() + "\\Records.dat"; }

// The 340 bytes of a table of "name:score" rows, in the order given (dated day 45000).
inline std::vector<uint8_t> TableBytes(const std::vector<std::string>& Rows) {
  RecordsTable table{};
  for (size_t i = 0; i < Rows.size() && i < RecordCount; ++i) {
    const size_t colon = Rows[i].find(':');
    table[i + 1] = NewRecordEntry(Rows[i].c_str(), colon, 45000, std::stoi(Rows[i].substr(colon + 1)));
  }
  uint8_t bytes[RecordsFileBytes];
  WriteRecordsTable(table, bytes);
  return std::vector<uint8_t>(bytes, bytes + RecordsFileBytes);
}

// A table's rows with a score, as "name:score".
inline std::vector<std::string> RowsOf(const RecordsTable& Table) {
  std::vector<std::string> rows;
  for (int i = 1; i <= RecordCount; ++i)
    if (Table[i].Score)
      rows.push_back(std::string(Table[i].Name, ShownNameLength(Table[i])) + ":" + std::to_string(Table[i].Score));
  return rows;
}
inline std::vector<std::string> RowsOfFile(const std::string& Name) {
  const std::vector<uint8_t> bytes = ReadAll(Name);
  RecordsTable table;
  ReadRecordsTable(bytes.data(), bytes.size(), table);
  return RowsOf(table);
}

// Empties a folder of the test's own: the table, its lock file, what a save may leave
// and any directory standing in for one of them.
inline void ClearRecordsIn(const std::string& Folder) {
  WIN32_FIND_DATAA found;
  const HANDLE h = FindFirstFileA((Folder + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
    const std::string path = Folder + "\\" + found.cFileName;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
  } while (FindNextFileA(h, &found));
  FindClose(h);
}

// Runs each test in a fresh folder of its own, with no spare copy before or after.
class RecordsFolder : public ::testing::Test {
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
    ClearSpare();
    SettleRecordsPlace(); // a start in this folder: the table is here
  }
  void TearDown() override {
    ClearRecordsIn(".");
    SetCurrentDirectoryA("..");
    EXPECT_TRUE(RemoveDirectoryA(Folder.c_str())) << "nothing else left in the game folder";
    ClearSpare();
  }
  static void ClearSpare() {
    ClearRecordsIn(SpareFolder());
    RemoveDirectoryA(SpareFolder().c_str());
  }
  std::string Folder;
};

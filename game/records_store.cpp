// The records table's file calls: which place holds the table, the lock that
// serialises saves across processes, and the replacement of the file in one step.
#include "records_store.h"

#include <shlobj.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace {

constexpr const wchar_t* HomeFolder = L".";
constexpr const wchar_t* TableName = L"Records.dat";
constexpr const wchar_t* LockName = L"Records.lck";
constexpr const wchar_t* TemporaryName = L"Records.tmp";
// Room for a folder of MAX_PATH characters, a separator and a file name.
constexpr size_t PathRoom = MAX_PATH + 16;
// A save holds the lock for milliseconds; one that waits longer gives up and is retried.
constexpr DWORD LockWaitMs = 5000, LockRetryMs = 5;

bool PathIn(const wchar_t* Folder, const wchar_t* Name, wchar_t (&Path)[PathRoom]) {
  // MinGW's swprintf answers the length it would have written: compare it with the room.
  const int n = swprintf(Path, PathRoom, L"%ls\\%ls", Folder, Name);
  return n > 0 && n < static_cast<int>(PathRoom);
}

// The folder the table moves to when the game folder cannot take a save; false when
// the user's local application data cannot be found.
bool SpareFolder(wchar_t (&Folder)[PathRoom]) {
  wchar_t appData[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
    return false;
  return PathIn(appData, L"Triwell", Folder);
}

// Folder holds a table file (the spare place holds one only while it is the table).
bool TableIn(const wchar_t* Folder) {
  wchar_t path[PathRoom];
  if (!PathIn(Folder, TableName, path)) return false;
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

enum CopyState { CopyMissing, CopyRead, CopyUnread };

// Reads a records file into Table as it stands. A file that cannot be opened or read
// gives the empty table; a failed read keeps the entries read before it.
CopyState ReadTableFrom(const wchar_t* Folder, RecordsTable& Table) {
  ReadRecordsTable(nullptr, 0, Table);
  wchar_t path[PathRoom];
  if (!PathIn(Folder, TableName, path)) return CopyUnread;
  // Shared with any writer, so a file another program holds open is still read.
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CopyMissing : CopyUnread;
  }
  // A read may return fewer bytes than asked: read on until the table is full or the
  // file ends.
  uint8_t bytes[RecordsFileBytes];
  DWORD got = 0;
  bool failed = false;
  for (DWORD n = 0; got < sizeof bytes; got += n) {
    if (!ReadFile(file, bytes + got, sizeof bytes - got, &n, nullptr)) failed = true;
    if (failed || n == 0) break;
  }
  CloseHandle(file);
  ReadRecordsTable(bytes, got, Table);
  return failed ? CopyUnread : CopyRead;
}

enum LockState { Locked, Busy, Unusable };

// Takes the lock of the table in Folder: its lock file, made hidden when new, locked
// whole. Busy when another save holds it for longer than a save takes; Unusable when
// the lock file cannot be opened for writing, as in a folder that cannot be written.
LockState LockPlace(const wchar_t* Folder, HANDLE& Lock) {
  Lock = INVALID_HANDLE_VALUE;
  wchar_t path[PathRoom];
  if (!PathIn(Folder, LockName, path)) return Unusable;
  const HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Unusable;
  for (DWORD waited = 0;; waited += LockRetryMs) {
    OVERLAPPED at = {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    // A file system without locks still takes saves, unserialised, rather than none.
    if (GetLastError() != ERROR_LOCK_VIOLATION) break;
    if (waited >= LockWaitMs) {
      CloseHandle(file);
      return Busy;
    }
    Sleep(LockRetryMs);
  }
  Lock = file;
  return Locked;
}

void UnlockPlace(HANDLE Lock) {
  OVERLAPPED at = {};
  UnlockFileEx(Lock, 0, 1, 0, &at);
  CloseHandle(Lock);
}

bool IsHexDigit(wchar_t C) { return (C >= L'0' && C <= L'9') || (C >= L'a' && C <= L'f') || (C >= L'A' && C <= L'F'); }

// Under the lock: what an interrupted save left in Folder. A whole temporary table
// becomes Records.dat when that is missing (the replacement stopped half-way, as it
// can on a FAT stick); otherwise it is removed, as are the temporary files of earlier
// versions ("Rec" and up to four hexadecimal digits).
void TidyPlace(const wchar_t* Folder) {
  wchar_t table[PathRoom], temporary[PathRoom], pattern[PathRoom], leftover[PathRoom];
  if (!PathIn(Folder, TableName, table) || !PathIn(Folder, TemporaryName, temporary)) return;
  WIN32_FILE_ATTRIBUTE_DATA found;
  if (GetFileAttributesExW(temporary, GetFileExInfoStandard, &found) && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const bool whole = found.nFileSizeHigh == 0 && found.nFileSizeLow == RecordsFileBytes;
    const bool tableMissing = GetFileAttributesW(table) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!(whole && tableMissing && MoveFileExW(temporary, table, MOVEFILE_WRITE_THROUGH))) DeleteFileW(temporary);
  }
  if (!PathIn(Folder, L"Rec*.tmp", pattern)) return;
  WIN32_FIND_DATAW file;
  const HANDLE search = FindFirstFileW(pattern, &file);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const size_t length = wcslen(file.cFileName);
    bool ours = length >= 8 && length <= 11 && !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    for (size_t i = 3; ours && i < length - 4; ++i) ours = IsHexDigit(file.cFileName[i]);
    if (ours && PathIn(Folder, file.cFileName, leftover)) DeleteFileW(leftover);
  } while (FindNextFileW(search, &file));
  FindClose(search);
}

// Under the lock: replaces Records.dat in Folder with Table. The table is written to a
// temporary file of its own, which replaces the old file in one step only when it was
// written in full: a failure leaves the old file as it was. A read-only Records.dat is
// never replaced.
bool WriteTableIn(const wchar_t* Folder, const RecordsTable& Table) {
  wchar_t table[PathRoom], temporary[PathRoom];
  if (!PathIn(Folder, TableName, table) || !PathIn(Folder, TemporaryName, temporary)) return false;
  const DWORD attributes = GetFileAttributesW(table);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  uint8_t bytes[RecordsFileBytes];
  WriteRecordsTable(Table, bytes);
  const HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  const bool written = WriteFile(file, bytes, sizeof bytes, &n, nullptr) && n == sizeof bytes && FlushFileBuffers(file);
  CloseHandle(file);
  if (written && MoveFileExW(temporary, table, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  // A replacement that removed the old file but stopped before the rename keeps the
  // new table in the temporary file, for the next save to recover.
  const bool tableGone = written && GetFileAttributesW(table) == INVALID_FILE_ATTRIBUTES;
  if (!tableGone) DeleteFileW(temporary);
  return false;
}

void PutEntries(RecordsTable& Table, const RecordEntry* Entries, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i)
    if (QualifiesForRecords(Table, Entries[i].Score)) PlaceRecord(Table, Entries[i]);
}

enum StoreResult { Stored, StoreBusy, StoreRefused };

// Stores the entries in Folder's table under its lock. A missing table starts from the
// one in SeedFolder, when given (the spare copy starts from the game folder's); a table that exists but cannot be read is never
// written over.
StoreResult StoreIn(const wchar_t* Folder, const wchar_t* SeedFolder, const RecordEntry* Entries, int32_t Count,
                    RecordsTable& Table) {
  HANDLE lock;
  const LockState state = LockPlace(Folder, lock);
  if (state != Locked) return state == Busy ? StoreBusy : StoreRefused;
  TidyPlace(Folder);
  RecordsTable fresh;
  const CopyState copy = ReadTableFrom(Folder, fresh);
  if (copy == CopyMissing && SeedFolder) ReadTableFrom(SeedFolder, fresh);
  bool stored = false;
  if (copy != CopyUnread) {
    PutEntries(fresh, Entries, Count);
    stored = WriteTableIn(Folder, fresh);
  }
  UnlockPlace(lock);
  if (stored) memcpy(&Table, &fresh, sizeof Table);
  return stored ? Stored : StoreRefused;
}

} // namespace

void SettleRecordsPlace() {
  wchar_t spare[PathRoom], temporary[PathRoom];
  const bool spareInUse = SpareFolder(spare) && TableIn(spare);
  const bool interrupted = PathIn(HomeFolder, TemporaryName, temporary) && GetFileAttributesW(temporary) != INVALID_FILE_ATTRIBUTES;
  if (!spareInUse && !interrupted) return;
  HANDLE homeLock, spareLock;
  if (LockPlace(HomeFolder, homeLock) != Locked) return; // the game folder takes no save: the spare copy stays the table
  TidyPlace(HomeFolder);
  if (spareInUse && LockPlace(spare, spareLock) == Locked) {
    RecordsTable table, copy;
    if (ReadTableFrom(HomeFolder, table) != CopyUnread && ReadTableFrom(spare, copy) == CopyRead) {
      MergeRecordsTables(table, copy);
      wchar_t path[PathRoom];
      if (WriteTableIn(HomeFolder, table) && PathIn(spare, TableName, path)) DeleteFileW(path);
    }
    UnlockPlace(spareLock);
  }
  UnlockPlace(homeLock);
}

void ReadStoredRecords(RecordsTable& Table) {
  wchar_t spare[PathRoom];
  const bool spareInUse = SpareFolder(spare) && TableIn(spare);
  ReadTableFrom(spareInUse ? spare : HomeFolder, Table);
}

bool StoreRecords(const RecordEntry* Entries, int32_t Count, RecordsTable& Table) {
  wchar_t spare[PathRoom];
  const bool spareFound = SpareFolder(spare);
  const bool spareInUse = spareFound && TableIn(spare);
  StoreResult result = StoreRefused;
  if (!spareInUse) result = StoreIn(HomeFolder, nullptr, Entries, Count, Table);
  if (result == StoreRefused && spareFound) {
    CreateDirectoryW(spare, nullptr); // or it is there already
    result = StoreIn(spare, HomeFolder, Entries, Count, Table);
  }
  if (result == Stored) return true;
  ReadStoredRecords(Table);
  PutEntries(Table, Entries, Count);
  return false;
}

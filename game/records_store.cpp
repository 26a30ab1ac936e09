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
constexpr const wchar_t* OwnerName = L"GameFolder.txt"; // beside the spare copy: whose table it is
// Room for a folder of MAX_PATH characters, a separator and a file name.
constexpr size_t PathRoom = MAX_PATH + 16;
// A save holds the lock for milliseconds; one that waits longer gives up and is tried
// again later. A replacement refused by a reader of the old file is tried a little.
constexpr DWORD LockWaitMs = 1000, RenameWaitMs = 250, RetryMs = 5;

// The spare copy is the table of this run: the game folder could not take a save (at
// the start, or at a save of this run).
bool TableInSpare;

bool PathIn(const wchar_t* Folder, const wchar_t* Name, wchar_t (&Path)[PathRoom]) {
  // MinGW's swprintf answers the length it would have written: compare it with the room.
  const int n = swprintf(Path, PathRoom, L"%ls\\%ls", Folder, Name);
  return n > 0 && n < static_cast<int>(PathRoom);
}

bool Exists(const wchar_t* Path) { return GetFileAttributesW(Path) != INVALID_FILE_ATTRIBUTES; }

// The two names are one folder (compared by the file system's own identity, so that
// links and other spellings of a path count too).
bool SameFolder(const wchar_t* A, const wchar_t* B) {
  BY_HANDLE_FILE_INFORMATION info[2];
  bool known = true;
  const wchar_t* names[2] = {A, B};
  for (int i = 0; i < 2; ++i) {
    const HANDLE h = CreateFileW(names[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    known = known && h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info[i]);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return known && info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The folder the table moves to when the game folder cannot take a save; false when
// the user's local application data cannot be found, or the game runs from that very
// folder (its own Records.dat is then the only table).
bool SpareFolder(wchar_t (&Folder)[PathRoom]) {
  wchar_t appData[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
    return false;
  return PathIn(appData, L"Triwell", Folder) && !(Exists(Folder) && SameFolder(Folder, HomeFolder));
}

// Folder holds a table file.
bool TableIn(const wchar_t* Folder) {
  wchar_t path[PathRoom];
  if (!PathIn(Folder, TableName, path)) return false;
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The spare copy was started by this game folder, or by an earlier version that did
// not say whose it is.
bool SpareIsOurs(const wchar_t* Spare) {
  wchar_t path[PathRoom];
  if (!PathIn(Spare, OwnerName, path)) return false;
  const HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  char text[4 * PathRoom];
  DWORD n = 0;
  const bool read = ReadFile(file, text, sizeof text - 1, &n, nullptr);
  CloseHandle(file);
  wchar_t owner[PathRoom];
  const int length = read ? MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(n), owner, PathRoom - 1) : 0;
  if (length <= 0) return false;
  owner[length] = 0;
  return SameFolder(owner, HomeFolder);
}

// Notes in the spare place which game folder's table it now holds.
void ClaimSpare(const wchar_t* Spare) {
  wchar_t path[PathRoom], home[PathRoom];
  const DWORD length = GetFullPathNameW(HomeFolder, PathRoom, home, nullptr);
  char text[4 * PathRoom];
  const int n = length && length < PathRoom ? WideCharToMultiByte(CP_UTF8, 0, home, static_cast<int>(length), text,
                                                                  sizeof text, nullptr, nullptr)
                                            : 0;
  if (n <= 0 || !PathIn(Spare, OwnerName, path)) return;
  const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(file);
}

enum CopyState { CopyMissing, CopyRead, CopyUnread };

// Reads one file into Table as it stands. A file that cannot be opened or read gives
// the empty table; a failed read keeps the entries read before it.
CopyState ReadTableFile(const wchar_t* Path, RecordsTable& Table) {
  ReadRecordsTable(nullptr, 0, Table);
  // A folder of that name holds no table (and takes none).
  const DWORD attributes = GetFileAttributesW(Path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return CopyMissing;
  // Shared with any writer, so a file another program holds open is still read.
  const HANDLE file = CreateFileW(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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

// A whole table in Folder's temporary file, which a replacement stopped half-way left
// in place of Records.dat.
bool WholeTemporaryIn(const wchar_t* Folder, wchar_t (&Path)[PathRoom]) {
  WIN32_FILE_ATTRIBUTE_DATA found;
  return PathIn(Folder, TemporaryName, Path) && GetFileAttributesExW(Path, GetFileExInfoStandard, &found) &&
         !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.nFileSizeHigh == 0 &&
         found.nFileSizeLow == RecordsFileBytes;
}

// Reads Folder's table as it stands: Records.dat, or when that is missing, the whole
// table an interrupted replacement left in the temporary file.
CopyState ReadTableFrom(const wchar_t* Folder, RecordsTable& Table) {
  wchar_t path[PathRoom];
  if (!PathIn(Folder, TableName, path)) return CopyUnread;
  const CopyState state = ReadTableFile(path, Table);
  if (state != CopyMissing || !WholeTemporaryIn(Folder, path)) return state;
  return ReadTableFile(path, Table) == CopyRead ? CopyRead : CopyMissing;
}

// The folder cannot be written: not a passing hold by another program.
bool CannotWrite(DWORD Error) {
  return Error == ERROR_ACCESS_DENIED || Error == ERROR_WRITE_PROTECT || Error == ERROR_DISK_FULL ||
         Error == ERROR_HANDLE_DISK_FULL;
}

enum Outcome { Done, Busy, Unwritable };

// Takes the lock of the table in Folder: its lock file, made hidden when new, locked
// whole. Busy when another save holds it for longer than a save takes; Unwritable when
// the folder cannot take the lock file.
Outcome LockPlace(const wchar_t* Folder, HANDLE& Lock) {
  Lock = INVALID_HANDLE_VALUE;
  wchar_t path[PathRoom];
  if (!PathIn(Folder, LockName, path)) return Unwritable;
  const HANDLE file =
      CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return CannotWrite(GetLastError()) ? Unwritable : Busy;
  const DWORD begun = GetTickCount();
  for (OVERLAPPED at = {}; !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);) {
    // A file system without locks still takes saves, unserialised, rather than none.
    if (GetLastError() != ERROR_LOCK_VIOLATION) break;
    if (GetTickCount() - begun >= LockWaitMs) {
      CloseHandle(file);
      return Busy;
    }
    Sleep(RetryMs);
  }
  Lock = file;
  return Done;
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
  const bool whole = WholeTemporaryIn(Folder, temporary);
  const bool tableMissing = !Exists(table) && GetLastError() == ERROR_FILE_NOT_FOUND;
  if (!(whole && tableMissing && MoveFileExW(temporary, table, MOVEFILE_WRITE_THROUGH))) DeleteFileW(temporary);
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
Outcome WriteTableIn(const wchar_t* Folder, const RecordsTable& Table) {
  wchar_t table[PathRoom], temporary[PathRoom];
  if (!PathIn(Folder, TableName, table) || !PathIn(Folder, TemporaryName, temporary)) return Unwritable;
  const DWORD attributes = GetFileAttributesW(table);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return Unwritable;
  uint8_t bytes[RecordsFileBytes];
  WriteRecordsTable(Table, bytes);
  const HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return CannotWrite(GetLastError()) ? Unwritable : Busy;
  DWORD n = 0;
  const bool written = WriteFile(file, bytes, sizeof bytes, &n, nullptr) && n == sizeof bytes && FlushFileBuffers(file);
  const DWORD writeError = GetLastError();
  CloseHandle(file);
  if (!written) {
    DeleteFileW(temporary);
    return CannotWrite(writeError) ? Unwritable : Busy;
  }
  // A program reading the old file can refuse its replacement for a moment.
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  for (const DWORD begun = GetTickCount();
       !MoveFileExW(temporary, table, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);) {
    // A replacement that removed the old file but stopped before the rename leaves the
    // new table whole in the temporary file, where it is read and recovered from.
    if (existed && !Exists(table)) return Done;
    if (GetTickCount() - begun >= RenameWaitMs) {
      DeleteFileW(temporary);
      return Busy;
    }
    Sleep(RetryMs);
  }
  return Done;
}

void PutEntries(RecordsTable& Table, const RecordEntry* Entries, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i)
    if (QualifiesForRecords(Table, Entries[i].Score)) PlaceRecord(Table, Entries[i]);
}

// Stores the entries in Folder's table under its lock. A missing table starts from the
// one in SeedFolder, when given (the spare copy starts from the game folder's). A table
// that exists but cannot be read is never written over: that is a passing hold.
Outcome StoreIn(const wchar_t* Folder, const wchar_t* SeedFolder, const RecordEntry* Entries, int32_t Count,
                RecordsTable& Table) {
  HANDLE lock;
  const Outcome locked = LockPlace(Folder, lock);
  if (locked != Done) return locked;
  TidyPlace(Folder);
  RecordsTable fresh;
  CopyState copy = ReadTableFrom(Folder, fresh);
  if (copy == CopyMissing && SeedFolder)
    copy = ReadTableFrom(SeedFolder, fresh) == CopyUnread ? CopyUnread : CopyMissing;
  Outcome stored = Busy;
  if (copy != CopyUnread) {
    PutEntries(fresh, Entries, Count);
    stored = WriteTableIn(Folder, fresh);
  }
  UnlockPlace(lock);
  if (stored == Done) memcpy(&Table, &fresh, sizeof Table);
  return stored;
}

// Removes the spare copy, and the spare place with it when nothing else is there.
void RemoveSpare(const wchar_t* Spare, HANDLE Lock) {
  wchar_t path[PathRoom];
  if (PathIn(Spare, TableName, path)) DeleteFileW(path);
  if (PathIn(Spare, OwnerName, path)) DeleteFileW(path);
  UnlockPlace(Lock);
  if (PathIn(Spare, LockName, path)) DeleteFileW(path);
  RemoveDirectoryW(Spare);
}

} // namespace

void SettleRecordsPlace() {
  TableInSpare = false;
  wchar_t spare[PathRoom], temporary[PathRoom];
  const bool spareThere = SpareFolder(spare) && TableIn(spare);
  const bool ours = spareThere && SpareIsOurs(spare);
  const bool interrupted = PathIn(HomeFolder, TemporaryName, temporary) && Exists(temporary);
  if (!spareThere && !interrupted) return;
  HANDLE homeLock, spareLock;
  const Outcome locked = LockPlace(HomeFolder, homeLock);
  if (locked != Done) {
    // A game folder that cannot be written reads the spare table, whichever game folder
    // started it; one that is only busy keeps its own place.
    TableInSpare = locked == Unwritable ? spareThere : ours;
    return;
  }
  TidyPlace(HomeFolder);
  if (ours) {
    TableInSpare = true;
    if (LockPlace(spare, spareLock) == Done) {
      RecordsTable table, copy;
      bool joined = false;
      if (ReadTableFrom(HomeFolder, table) != CopyUnread && ReadTableFrom(spare, copy) == CopyRead) {
        MergeRecordsTables(table, copy);
        joined = WriteTableIn(HomeFolder, table) == Done;
      }
      if (joined) {
        RemoveSpare(spare, spareLock);
        TableInSpare = false;
      } else {
        UnlockPlace(spareLock);
      }
    }
  }
  UnlockPlace(homeLock);
}

void ReadStoredRecords(RecordsTable& Table) {
  wchar_t spare[PathRoom];
  if (!(TableInSpare && SpareFolder(spare) && ReadTableFrom(spare, Table) != CopyMissing))
    ReadTableFrom(HomeFolder, Table);
}

bool StoreRecords(const RecordEntry* Entries, int32_t Count, RecordsTable& Table) {
  Outcome result = TableInSpare ? Unwritable : StoreIn(HomeFolder, nullptr, Entries, Count, Table);
  wchar_t spare[PathRoom];
  if (result == Unwritable && SpareFolder(spare)) {
    // The game folder cannot be written: the table goes to the spare place.
    CreateDirectoryW(spare, nullptr); // or it is there already
    const bool started = !TableIn(spare);
    result = StoreIn(spare, HomeFolder, Entries, Count, Table);
    if (result == Done) {
      if (started) ClaimSpare(spare);
      TableInSpare = true;
    }
  }
  if (result == Done) return true;
  ReadStoredRecords(Table);
  PutEntries(Table, Entries, Count);
  return false;
}

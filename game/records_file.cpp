// The records table: reading and writing its file, sorting and placing entries.
#include "records_file.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <utility>

namespace {

constexpr double FirstShowableDay = -657434; // 1 January 100
constexpr double LastShowableDay = 2958465;  // 31 December 9999

} // namespace

void ReadRecordsTable(const uint8_t* Bytes, size_t Size, RecordsTable& Table) {
  memset(&Table, 0, sizeof Table);
  if (!Bytes) return;
  for (int32_t i = 1; i <= RecordCount; ++i) {
    const size_t at = static_cast<size_t>(i - 1) * sizeof(RecordEntry);
    if (Size < at + sizeof(RecordEntry)) break; // a cut entry stays zero
    memcpy(&Table[i], Bytes + at, sizeof(RecordEntry));
  }
}

void WriteRecordsTable(const RecordsTable& Table, uint8_t (&Out)[RecordsFileBytes]) {
  memcpy(Out, &Table[1], RecordsFileBytes);
}

void SortRecords(RecordsTable& Table) {
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int32_t i = 1; i < RecordCount; ++i) {
      if (Table[i].Score < Table[i + 1].Score) {
        std::swap(Table[i], Table[i + 1]);
        exchanged = true;
      }
    }
  }
}

void MergeRecordsTables(RecordsTable& Table, const RecordsTable& Other) {
  RecordEntry joined[2 * RecordCount];
  int32_t count = 0;
  for (int32_t i = 1; i <= RecordCount; ++i) joined[count++] = Table[i];
  bool matched[RecordCount + 1] = {};
  for (int32_t j = 1; j <= RecordCount; ++j) {
    int32_t same = 0;
    for (int32_t i = 1; i <= RecordCount && !same; ++i)
      if (!matched[i] && memcmp(&Table[i], &Other[j], sizeof(RecordEntry)) == 0) same = i;
    if (same)
      matched[same] = true;
    else
      joined[count++] = Other[j];
  }
  std::stable_sort(joined, joined + count,
                   [](const RecordEntry& A, const RecordEntry& B) { return int32_t{A.Score} > int32_t{B.Score}; });
  memcpy(&Table[1], joined, RecordsFileBytes);
}

bool QualifiesForRecords(const RecordsTable& Table, int32_t Score) { return Score > Table[RecordCount].Score; }

RecordEntry NewRecordEntry(const char* Name, size_t NameLength, double Date, int32_t Score) {
  RecordEntry entry;
  memset(&entry, 0, sizeof entry);
  const size_t length = Name ? (NameLength < RecordNameCapacity ? NameLength : RecordNameCapacity) : 0;
  if (length) memcpy(entry.Name, Name, length);
  entry.NameLength = static_cast<uint8_t>(length);
  entry.Date = Date;
  entry.Score = Score;
  return entry;
}

void PlaceRecord(RecordsTable& Table, const RecordEntry& Entry) {
  Table[RecordCount] = Entry;
  SortRecords(Table);
}

size_t ShownNameLength(const RecordEntry& Entry) {
  return Entry.NameLength < RecordNameCapacity ? Entry.NameLength : RecordNameCapacity;
}

bool ShowableDate(double Date) { return isfinite(Date) && Date >= FirstShowableDay && Date <= LastShowableDay; }

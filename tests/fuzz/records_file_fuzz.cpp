// Fuzz entry for the records file: any bytes are read into the table, shown, written
// back and given a new entry without reading or writing past an entry's fields.
#include "records_file.h"

#include <stdlib.h>
#include <string.h>

#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  RecordsTable table;
  ReadRecordsTable(Data, Size, table);
  for (int i = 1; i <= RecordCount; ++i) {
    if (ShownNameLength(table[i]) > RecordNameCapacity) abort();
    ShowableDate(table[i].Date);
  }
  uint8_t out[RecordsFileBytes];
  WriteRecordsTable(table, out);
  const size_t whole = Size / sizeof(RecordEntry) * sizeof(RecordEntry);
  const size_t kept = whole < RecordsFileBytes ? whole : RecordsFileBytes;
  if (memcmp(out, Data, kept) != 0) abort();
  for (size_t i = kept; i < RecordsFileBytes; ++i)
    if (out[i] != 0) abort();
  // The bytes past the first table are a second copy to join in: sorted, and nothing
  // of either copy lost but what falls below the tenth place.
  RecordsTable other, joined;
  const size_t rest = Size > RecordsFileBytes ? Size - RecordsFileBytes : 0;
  ReadRecordsTable(rest ? Data + RecordsFileBytes : nullptr, rest, other);
  memcpy(&joined, &table, sizeof joined);
  MergeRecordsTables(joined, other);
  for (int i = 1; i < RecordCount; ++i)
    if (joined[i].Score < joined[i + 1].Score) abort();
  for (const RecordsTable* source : {&table, &other})
    for (int i = 1; i <= RecordCount; ++i) {
      if ((*source)[i].Score <= joined[RecordCount].Score) continue;
      bool kept = false;
      for (int k = 1; k <= RecordCount && !kept; ++k) kept = memcmp(&joined[k], &(*source)[i], sizeof(RecordEntry)) == 0;
      if (!kept) abort();
    }
  const int32_t score = Size >= 4 ? static_cast<int32_t>(Data[0] | Data[1] << 8 | Data[2] << 16 | uint32_t{Data[3]} << 24) : 1;
  if (QualifiesForRecords(table, score)) {
    PlaceRecord(table, NewRecordEntry(reinterpret_cast<const char*>(Data), Size, 45000, score));
    for (int i = 1; i < RecordCount; ++i)
      if (table[i].Score < table[i + 1].Score) abort();
  }
  return 0;
}

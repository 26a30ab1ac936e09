// The records table and its file "Records.dat", free of platform calls: ten packed
// 34-byte entries, best first. The file is anyone's to edit, so nothing read from it
// is trusted: a name never runs past its field and a date is shown only when it is a
// day the date formatting can show.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr int32_t RecordCount = 10;
constexpr int32_t RecordNameCapacity = 21;
constexpr int32_t EntryNameLimit = 20; // a typed name keeps below the field's capacity

#pragma pack(push, 1)
struct RecordEntry {
  uint8_t NameLength;             // characters of the name; a file may claim more than the field holds
  char Name[RecordNameCapacity];  // single-byte characters; only the first NameLength count
  double Date;                    // days since 30 December 1899, whole days
  int32_t Score;
};
#pragma pack(pop)
static_assert(sizeof(RecordEntry) == 34, "the file's entry layout");

constexpr size_t RecordsFileBytes = RecordCount * sizeof(RecordEntry); // 340

// The table: [1..10], best first; index 0 is unused.
typedef RecordEntry RecordsTable[RecordCount + 1];

// Fills the table from the first Size bytes of a file: entries the bytes hold in full
// are taken as they stand, the rest stay zero; bytes past 340 are ignored.
void ReadRecordsTable(const uint8_t* Bytes, size_t Size, RecordsTable& Table);
// The 340 bytes of the file.
void WriteRecordsTable(const RecordsTable& Table, uint8_t (&Out)[RecordsFileBytes]);
// Sorts by descending score; entries with equal scores keep their order.
void SortRecords(RecordsTable& Table);
// Joins a second table into Table: every entry of Other that Table does not already
// hold (byte for byte, as often as it holds it) comes in, and the best ten of all are
// kept, Table's entries first among equal scores. A copy made from Table and given
// later records joins back without duplicates.
void MergeRecordsTables(RecordsTable& Table, const RecordsTable& Other);
// A score earns a place only above the tenth entry's.
bool QualifiesForRecords(const RecordsTable& Table, int32_t Score);
// A new entry; a name longer than the field is cut.
RecordEntry NewRecordEntry(const char* Name, size_t NameLength, double Date, int32_t Score);
// Puts an entry in the tenth place (the tenth is lost) and sorts the table, so that it
// stands below every entry with an equal or higher score.
void PlaceRecord(RecordsTable& Table, const RecordEntry& Entry);
// How many characters of an entry's name are shown: never past the field.
size_t ShownNameLength(const RecordEntry& Entry);
// The date is a day the date formatting can show: finite, from 1 January 100 to
// 31 December 9999.
bool ShowableDate(double Date);

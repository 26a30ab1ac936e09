// Where the records table lives and how it is read and stored.
//
// The table is "Records.dat" in the current folder (the game's folder) whenever that
// folder takes a save. When the folder cannot be written (a game unpacked under
// Program Files, a read-only stick), the table moves to "Triwell\Records.dat" in the
// user's local application data, starting from what the game folder's file holds, and
// lives there for the rest of that run. A later start of that game folder that finds it
// writable again joins the spare copy into Records.dat once and removes it. The spare
// place notes which game folder's table it holds: other writable game folders leave it
// alone, while game folders that cannot be written all share it.
// A passing failure (a file held by another program, another game saving for long)
// moves nothing: the save fails and is tried again later.
//
// A save holds a lock from reading the file afresh to replacing it, so two games
// storing records at once lose none.
#pragma once

#include "records_file.h"

// At start: decides the place of this run. This game folder's spare copy is joined
// into the game folder's table and removed when the folder takes it; a save
// interrupted in the game folder is recovered or cleaned.
void SettleRecordsPlace();
// The table as it stands in its place, never re-sorted; empty when there is no file
// or it cannot be read.
void ReadStoredRecords(RecordsTable& Table);
// Stores Count new entries: under the place's lock, the file is read afresh and each
// entry that earns a place is put in, then the file is replaced whole. Table gets what
// was written. False when nothing could be stored: Table then holds the table as read
// with the entries put in, and no table was changed.
bool StoreRecords(const RecordEntry* Entries, int32_t Count, RecordsTable& Table);

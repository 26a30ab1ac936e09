// A second game storing records, for the test of two games storing at once: stores
// five records named NAME with scores BASE to BASE + 4 in the current folder, one by
// one, as soon as the test releases it. Exit code 0 when every store succeeded.
#include "records_store.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 3) return 3;
  const HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, "TriwellRecordsWritersReady");
  const HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, "TriwellRecordsWritersGo");
  if (!ready || !go || !ReleaseSemaphore(ready, 1, nullptr) || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0)
    return 4;
  const int32_t base = atoi(argv[2]);
  for (int32_t i = 0; i < 5; ++i) {
    const RecordEntry entry = NewRecordEntry(argv[1], strlen(argv[1]), 45001, base + i);
    RecordsTable table;
    if (!StoreRecords(&entry, 1, table)) return 2;
  }
  return 0;
}

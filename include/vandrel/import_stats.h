// What the latest import did, and a way to watch a long one.
#pragma once

#include <cstdint>
#include <functional>

namespace vandrel {

struct ImportStats {
  std::int64_t linesRead = 0;      // lines handed to the record writer
  std::int64_t rowsStored = 0;     // rows added to the target table
  std::int64_t errorRows = 0;      // rows added to the error table
  std::int64_t errorRowsLost = 0;  // failing lines whose error row could not be stored either
};

// The counts of the latest import (a running one reports through the progress handler).
const ImportStats& LastImportStats();

// Called each time an import commits a group of rows, and at its end; nullptr to stop.
// An Error thrown from the handler while the import runs stops it with that error.
void SetImportProgressHandler(std::function<void(const ImportStats&)> handler);

}  // namespace vandrel

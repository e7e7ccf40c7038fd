// The import: a request goes down, an outcome comes back. The caller (the control's silent
// import, the wizard's Import button) builds a layout and an ImportRequest; the import opens
// the text file, then the tables, empties what the request says in its first group, cuts each
// record by the layout and stores it or logs it; it returns an ImportOutcome, which ResultOf
// turns into ImportResult. Nothing is read from or left in process-wide state on the way.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vandrel/encoding.h"
#include "vandrel/error.h"
#include "vandrel/info_field.h"
#include "vandrel/layout.h"
#include "vandrel/result.h"
#include "vandrel/store.h"

namespace vandrel {

// What an import did.
struct ImportStats {
  std::int64_t linesRead = 0;      // lines handed to the record writer
  std::int64_t rowsStored = 0;     // rows added to the target table
  std::int64_t errorRows = 0;      // rows added to the error table
  std::int64_t errorRowsLost = 0;  // failing lines whose error row could not be stored either
};

// Where the rows go.
struct ImportTarget {
  std::string database;    // MDBFile
  std::string connect;     // MDBPassword
  std::string table;       // TabImport
  std::string errorTable;  // TabError
};

// The engine's own failures, logged as error rows.
enum EngineError : std::int32_t {
  kErrOpenQuote = 31001,      // a quoted field never closed
  kErrRecordTooLong = 31002,  // a record over 1 MiB of the file
  kErrInvalidText = 31003,    // a line not valid in the file's encoding
};

struct ImportRequest {
  std::string textFile;
  TextEncoding encoding = TextEncoding::Auto;
  // The language base (1000 Italian .. 5000 Spanish) of the engine's own error texts.
  std::int32_t language = 1000;
  ImportTarget target;
  // The field plan: one InfoField row per target column, in order.
  std::vector<InfoFieldRow> fields;
  // How many fields of a record the plan may name (0 .. lineFields - 1); a delimited record
  // with more non-empty fields than this is logged as error 9.
  std::size_t lineFields = 0;
  // Emptied at the start, once every check has passed, as part of the first group.
  bool emptyTarget = false;
  bool emptyErrors = false;
  // How the file writes numbers and dates.
  store::ValueFormat format;
  // How long a group of rows lasts before it is committed and another writer gets its turn:
  // about a second, which costs a few disk syncs a second and is what a crash can lose.
  std::chrono::milliseconds groupTime{1000};
  // Called after each committed group and at the end, on the thread that called the import.
  // An Error thrown from it stops the import with that error.
  std::function<void(const ImportStats&)> progress;
  // Called now and then with the bytes of the text file read so far and its size, and once
  // at the end; from the thread that reads the file, which may not be the caller's.
  std::function<void(std::int64_t read, std::int64_t size)> bytesRead;
  // Set (from any thread) to stop the import before its next record: everything before that
  // record is committed, nothing from it on is stored or logged.
  const std::atomic<bool>* cancel = nullptr;
};

struct ImportOutcome {
  ImportStats counts;
  // The failure that stopped the import, if one did. Rows committed before it stay.
  std::optional<Error> error;
  // Whether the import got as far as its tables (and emptied those it was to empty). An
  // import that failed before that changed nothing.
  bool ran = false;
  // Stopped through the request's cancel flag, before line `stoppedAtLine` (numbered as the
  // error rows number lines): the counts are what was committed before it.
  bool cancelled = false;
  std::int64_t stoppedAtLine = 0;
};

// Imports by either kind of layout. Throws nothing: every failure is in the outcome.
ImportOutcome RunImport(const ImportRequest& request, const TextLayout& layout);
// The same, one kind each.
ImportOutcome ImportaDelimitato(const ImportRequest& request, const DelimitedLayout& layout);
ImportOutcome rigatxtfisso(const ImportRequest& request, const FixedLayout& layout);

// The rows `table` of the target's database holds now (the wizard asks before it empties a
// table that holds some). Throws the store's error.
std::int64_t CountRows(const ImportTarget& target, const std::string& table);

}  // namespace vandrel

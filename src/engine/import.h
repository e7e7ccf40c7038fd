// The import loops. Each takes what it works on as values (the text file, the layout, the
// target tables and the field plan) and returns what happened: an ImportOutcome. The wizard
// and the silent import both turn an outcome into ImportResult with ResultOf.
//
// The road of one import: the caller builds a layout (MakeDelimitedLayout / LayoutFrom) and
// an ImportRequest; the loop opens the text file, then the session opens the database and
// the tables, empties what the request says in its first group, and for each line the reader
// hands out, the layout's cutter cuts it and the session stores it or logs it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/info_field.h"
#include "text/encoding.h"
#include "vandrel/error.h"
#include "vandrel/import_stats.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"
#include "vandrel/vandrel_ctl.h"

namespace vandrel {

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
  kErrRecordTooLong = 31002,  // a record over kMaxRecordBytes of the file
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
  // Called after each committed group and at the end.
  std::function<void(const ImportStats&)> progress;
  // Called now and then with the bytes of the text file read so far and its size, and once
  // at the end; from the thread that runs the import.
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

// The delimited and fixed-width imports. They throw nothing: every failure is in the outcome.
ImportOutcome ImportaDelimitato(const ImportRequest& request, const DelimitedLayout& layout);
ImportOutcome rigatxtfisso(const ImportRequest& request, const FixedLayout& layout);

// Abort when it was cancelled, Failure when the import stopped or an error row was lost,
// SError when lines were logged, else Success.
eResult ResultOf(const ImportOutcome& outcome);

// The saved layout named `name` (letter case ignored, the first in file order) in `folder`;
// nothing when there is none or the name is empty.
std::optional<specs::DelimitedSpecRecord> CaricaSpecDelim(const std::string& folder,
                                                          const std::string& name);
std::optional<specs::FixedSpecRecord> CaricaSpecFisso(const std::string& folder,
                                                      const std::string& name);

// The rows `table` holds now (the wizard asks before it empties a table that holds some).
std::int64_t CountRows(const ImportTarget& target, const std::string& table);

}  // namespace vandrel

// The phases of the layout guess, each a plain function of the sample and of what the phases
// before it found, so that each can be tried on its own. GuessLayout (guess.cpp) runs them in
// this order: read the sample, find its delimited dialect and its fixed-width columns, choose
// between them, cut the table, find its header line, then how it writes numbers and dates, and
// last the type of each column (which needs that format).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_cut.h"
#include "engine/record_reader.h"
#include "text/encoding.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"

namespace vandrel::guess {

// How much of a file the guess reads: the first records, or the first bytes, whichever end
// first. Physical lines are read up to a few times the records, as quoted fields may hold line
// ends.
inline constexpr std::size_t kSampleRecords = 1000;
inline constexpr std::size_t kSampleLines = 4 * kSampleRecords;
inline constexpr std::int64_t kSampleBytes = 1 << 20;
// Lines above a fixed-width table (a title, a header line) are looked for among its first
// lines only: the lines below settle the columns, and a few odd lines further down must not
// move the table's start.
inline constexpr std::size_t kMostLinesAbove = 10;

// ---- encoding_and_type.cpp: the sample, and delimited or fixed width

struct SampleLine {
  std::string text;  // UTF-8, without the line end
  std::string end;   // the line end as found, "" for a last line without one
};

struct Sample {
  TextEncoding encoding = TextEncoding::Auto;  // still Auto when only ASCII was read
  std::vector<SampleLine> lines;
};

// The start of the file, decoded as the import would decode it; but for UTF-16 without a
// byte-order mark, which the `auto` rule takes for single bytes, read as UTF-16. Throws
// vandrel::Error 53 or 75 when the file cannot be read.
Sample ReadSample(const std::string& path, TextEncoding encoding);

// The name of the sample's encoding; ASCII alone reads as UTF-8.
const char* EncodingNameOf(const Sample& sample);

enum class TextKind { Delimited, FixedWidth, OneField };

struct Dialect;
struct FixedColumns;
// Delimited when a separator gives a consistent field count; else fixed width when the lines
// have blank columns in common and (nearly) one length; else delimited if a separator still
// fits most of the table; else one field per line. `forced` is the user's choice of type.
TextKind ChooseType(const Dialect& dialect, const FixedColumns& fixed, std::optional<bool> forced);

// ---- sample_table.cpp: records and the table they make

// One record as the import would read it from the sample.
struct SampleRecord {
  std::string text;       // inner line ends as found
  std::size_t line = 0;   // its first line in the sample, 0-based
  std::size_t lines = 1;  // the lines it spans
  bool open = false;      // a quoted field still open at the sample's end: a bad record
};

// The records of the sample that hold data, at most kSampleRecords: one a line or, under
// `rule`, as many lines as a quoted field spans. A record whose quote never closes is kept as
// its first line, marked open, and reading goes on at its second line, as the import does.
std::vector<SampleRecord> RecordsOf(const Sample& sample, const QuoteRule* rule);

// Cuts a record as the import does, with an empty last field after a final separator, which
// the cutter leaves out (but for the blank: trailing blanks are padding).
void CutRecord(DelimitedCutter& cutter, std::string_view record,
               std::vector<std::string_view>& fields);

struct TableRow {
  std::vector<std::string> fields;  // as the import's cutter gives them
  std::size_t line = 0;             // first line in the sample, 0-based
  std::size_t lines = 1;
  bool rule = false;  // a line of dashes ruled under a header: no values
};

// The sample cut into fields by the layout chosen, each row with the table's fields: for a
// delimited table, from its first line on (lines above it are of other field counts), the
// rows of its field counts; for a fixed-width one, every line, the first few (which may be
// a header crossing the columns) cut at the blanks nearest the columns' limits.
struct Table {
  std::vector<TableRow> rows;
  int fields = 1;
};

// Whether a line is a rule under a header: runs of dashes or equals signs, with blanks, '+',
// '|' or ':' between them, as database shells and Markdown tables draw it.
bool IsRuleLine(std::string_view text);

struct Dialect {
  std::optional<char32_t> separator;  // none: one field per line
  std::optional<char32_t> delimiter;
  int fields = 1;  // the table's field count
  // The field counts of the table's rows, ascending: `fields`, and fewer where many rows stop
  // before the last fields. A record of another count is a line above or a bad line.
  std::vector<int> rowFields{1};
  std::size_t tableLine = 0;  // the sample line the table starts at
  // The sample's records; how many of them have the most common field count (the same sample
  // for every candidate, so a line above the table counts against each alike); and how many
  // have one of the table's counts.
  std::size_t records = 0;
  std::size_t consistent = 0;
  std::size_t fitting = 0;
  // From the table's start, the records and those of the table's counts: how well the
  // separator fits the table, the lines above it left out.
  std::size_t tableRecords = 0;
  std::size_t tableFitting = 0;
};

Table CutDelimited(const Sample& sample, const Dialect& dialect);

struct FixedColumns {
  std::vector<ColumnRange> columns;
  // Per column, from the first to the last character column some line of the table fills:
  // the column without the blanks that pad its values.
  std::vector<ColumnRange> filled;
  bool oneLength = false;  // the table's lines are of (nearly) one length
};

Table CutFixed(const Sample& sample, const FixedColumns& fixed);

// ---- dialect.cpp

// The delimited reading of the sample that gives the most consistent field count over one:
// ties go to the one under which more fields read as numbers, dates or Booleans, then to more
// fields, then to the order of the separators (',', ';', TAB, '|', blank). One field per line
// when no separator gives more than one.
Dialect GuessDialect(const Sample& sample);
// The sample as one field per line, with the text delimiter it needs.
Dialect OneFieldPerLine(const Sample& sample);

// ---- fixed_columns.cpp

// Fields from the character columns blank on every line of the table (a run of them ends a
// field; the last ends at the longest line). The first lines are left out of that reckoning
// when they would break the runs: a header line, lines above the table.
FixedColumns GuessFixedColumns(const Sample& sample);

// ---- header.cpp

// The table's first row is the first of its first rows that is no title: a title holds text
// from the left and leaves at least half the fields empty (a report's name, a spreadsheet's
// heading cell). It is the header when it stands out from the rows below it; the rows above
// it are lines above the table.
struct HeaderGuess {
  bool header = false;
  std::size_t headerRow = 0;  // in Table::rows, when there is a header
  std::size_t firstData = 0;  // the first data row in Table::rows
  std::int64_t skip = 0;      // lines above the table, and the header line
};

HeaderGuess GuessHeader(const Table& table);

// The header's fields, trimmed, else "column1", "column2", ...
std::vector<std::string> ColumnNames(const Table& table, const HeaderGuess& header);

// ---- number_date_format.cpp

// The decimal separator and the date order the data rows (from `firstData`) are written in;
// `host` stands where they cannot tell.
store::ValueFormat GuessValueFormat(const Table& table, std::size_t firstData,
                                    const store::ValueFormat& host);

// ---- column_types.cpp

// Per column, the narrowest type every non-empty value of the data rows takes under `format`.
std::vector<std::string> GuessColumnTypes(const Table& table, std::size_t firstData,
                                          const store::ValueFormat& format);

}  // namespace vandrel::guess

// The layout guess: what a text file probably is, read from its start, so that a first import
// needs no saved layout and no field rows. GuessLayout reads at most the first 1,000 records
// or 1 MiB of the file and says how it is encoded, whether it is delimited or fixed width, its
// separator and text delimiter or its columns, the lines to skip, whether a header line names
// the fields, how numbers and dates are written, and a type for each field. The layouts the
// import takes are built from it with DelimitedLayoutOf / FixedLayoutOf.
//
// Header-name matching is here too: the one rule by which the command line, the wizard and
// the control pair a header's fields with a table's columns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/encoding.h"
#include "vandrel/info_field.h"
#include "vandrel/layout.h"
#include "vandrel/store.h"

namespace vandrel {

struct GuessedColumn {
  std::string name;  // the header's field (trimmed), else "column1", "column2", ...
  // "BOOLEAN", "INTEGER", "REAL", "DECIMAL(18,s)", "DATE", "DATETIME" or "TEXT": the narrowest
  // type every non-empty sampled value takes, as the import would convert it. DECIMAL when
  // every number has the same s decimals, with all 18 digits declared so that larger amounts
  // further down the file fit too.
  std::string type;
  // Fixed width: 1-based character columns, both inclusive; 0 for delimited.
  int begin = 0, end = 0;
};

struct LayoutGuess {
  // "windows-1252", "utf-8", "utf-16le" or "utf-16be": what the `auto` rule decides, but for
  // UTF-16 without a byte-order mark (NUL bytes between ASCII ones), which `auto` reads as
  // single bytes, and an import must be told. A sample of ASCII only says "utf-8": the file
  // may still turn out otherwise past it, so an import of such a file the user gave no
  // encoding reads best with TextEncoding::Auto, which decides as the guess did, and past the
  // sample.
  std::string encoding;
  bool fixedWidth = false;
  // Delimited: ',', ';', '\t', '|' or ' '; none for a file of one field per line.
  std::optional<char32_t> separator;
  std::optional<char32_t> delimiter;  // '"', '\'' or none; always none for fixed width
  std::int64_t skip = 0;              // lines above the table, the header and a rule under it
  bool header = false;
  std::int64_t headerLine = 0;        // the header's first line (1-based); 0 without a header
  char decimal = '.';  // '.' or ','
  store::DateOrder dates = store::DateOrder::YMD;
  std::vector<GuessedColumn> columns;  // one per field, in field order
};

struct GuessOptions {
  std::optional<bool> fixedWidth;              // forced by the user; nothing = guess it
  TextEncoding encoding = TextEncoding::Auto;  // forced by the user, or Auto
  // What the host set: it stands where the sample cannot tell (day-month dates such as
  // 05/06/2024, numbers such as 1.250 that read under either decimal separator).
  store::ValueFormat hostFormat;
};

// Guesses the layout of the text file at `path`. Never fails on a file it can read: text it
// cannot make sense of is one field per line. A missing or unreadable file throws
// vandrel::Error (53 or 75) as the import would. It shares no state: any thread may call it,
// and it reads the file's start only (a few milliseconds, whatever the file's size).
LayoutGuess GuessLayout(const std::string& path, const GuessOptions& options = {});

// The guess as one JSON object, as `vandrel sniff --json` prints it and the Python module's
// guess_layout gives it: encoding, type ("delimited" or "fixed"), separator and delimiter (the
// character itself, "" for none and for fixed width's separator), skip, header, decimal,
// dates ("YMD", "DMY" or "MDY") and columns (name, type, begin and end; null begin and end
// for delimited). Indented by two blanks.
std::string GuessJson(const LayoutGuess& guess);

// The layouts the import takes, built from a guess. DelimitedLayoutOf is for a delimited
// guess: one of one field per line gets LF as its separator, a character no record holds
// outside quotes, so nothing is split. FixedLayoutOf is for a fixed-width guess.
DelimitedLayout DelimitedLayoutOf(const LayoutGuess& guess);
FixedLayout FixedLayoutOf(const LayoutGuess& guess);

// The comparable form of a header or column name (UTF-8): letter case, accents, blanks, '_'
// and '-' do not count, so "Città" matches "citta" and "Order Date" matches "order_date".
std::string MatchKey(std::string_view name);

struct HeaderMapping {
  std::vector<int> fieldOfColumn;      // per target column: the header field feeding it, or -1
  std::vector<std::string> unmatched;  // header fields that match no column, in header order
  // Two header fields that match one column: {first field, second field, column}, the first
  // such pair in header order; the column is fed by the first field. Empty when none.
  std::optional<std::array<std::string, 3>> duplicate;
};

// Pairs a header's fields with target columns by MatchKey.
HeaderMapping MapByName(const std::vector<std::string>& header,
                        const std::vector<std::string>& columns);

// What AssociateRowsByHeader did: the header names it gave a field row, and those no row takes.
struct HeaderAssociation {
  std::vector<std::string> matched;
  std::vector<std::string> unmatched;
};

// Gives each field row with no associated column the first header field its FieldName or its
// ColumnName matches by MatchKey; rows already associated (by the host or the user) keep theirs.
HeaderAssociation AssociateRowsByHeader(std::vector<InfoFieldRow>& rows,
                                        const std::vector<std::string>& header);

}  // namespace vandrel

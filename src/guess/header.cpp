// Whether the table's first row is a header line naming its fields, and the lines to skip.
// A header stands out from the rows below it: a column whose values all read as numbers,
// dates or Booleans, headed by a name that does not; or, in a table of text alone, names that
// never come again in their column.
#include <algorithm>
#include <set>

#include "guess/guess_phases.h"
#include "guess/value_reading.h"
#include "util/ascii.h"

namespace vandrel::guess {
namespace {

using ascii::TrimBlanks;

std::string_view Cell(const std::vector<TableRow>& rows, std::size_t row, std::size_t column) {
  return TrimBlanks(rows[row].fields[column]);
}

// Text from the left, and at least half the fields empty.
bool IsTitle(const TableRow& row) {
  const std::size_t filled = static_cast<std::size_t>(
      std::find_if(row.fields.begin(), row.fields.end(),
                   [](const std::string& f) { return TrimBlanks(f).empty(); }) -
      row.fields.begin());
  for (std::size_t c = filled; c < row.fields.size(); ++c) {
    if (!TrimBlanks(row.fields[c]).empty()) return false;
  }
  return row.fields.size() > 1 && filled * 2 <= row.fields.size();
}

// Whether rows[h] heads the rows below it.
bool IsHeader(const std::vector<TableRow>& rows, std::size_t h) {
  const std::size_t columns = rows[h].fields.size();
  std::set<std::string_view> names;
  for (std::size_t c = 0; c < columns; ++c) {
    if (Cell(rows, h, c).empty() || !names.insert(Cell(rows, h, c)).second) return false;
  }
  bool typedColumn = false;
  for (std::size_t c = 0; c < columns; ++c) {
    bool any = false, typed = true;
    for (std::size_t r = h + 1; r < rows.size() && typed; ++r) {
      const std::string_view value = Cell(rows, r, c);
      if (value.empty()) continue;
      any = true;
      typed = ReadsAsTyped(value);
    }
    if (!any || !typed) continue;
    typedColumn = true;
    if (!ReadsAsTyped(Cell(rows, h, c))) return true;
  }
  // Text alone. Names head at least two columns (any first line would head a lone column of
  // text); a name is no number or date (so a lone data line is no header), and comes once in
  // its column.
  if (typedColumn || columns < 2) return false;
  for (std::size_t c = 0; c < columns; ++c) {
    if (ReadsAsTyped(Cell(rows, h, c))) return false;
    for (std::size_t r = h + 1; r < rows.size(); ++r) {
      if (Cell(rows, r, c) == Cell(rows, h, c)) return false;
    }
  }
  return true;
}

}  // namespace

HeaderGuess GuessHeader(const Table& table) {
  const std::vector<TableRow>& rows = table.rows;
  HeaderGuess guess;
  std::size_t first = 0;
  const std::size_t reach = std::min(rows.size(), kMostLinesAbove);
  while (first < reach && (rows[first].rule || IsTitle(rows[first]))) ++first;
  if (first == reach) first = 0;
  guess.firstData = first;
  if (first < rows.size() && IsHeader(rows, first)) {
    guess.header = true;
    guess.headerRow = first;
    guess.firstData = first + 1;
    std::size_t end = rows[first].line + rows[first].lines;
    // A rule under the header is skipped with it.
    if (first + 1 < rows.size() && rows[first + 1].rule && rows[first + 1].line == end) {
      end += rows[first + 1].lines;
      ++guess.firstData;
    }
    guess.skip = static_cast<std::int64_t>(end);
  } else if (first < rows.size()) {
    guess.skip = static_cast<std::int64_t>(rows[first].line);
  }
  return guess;
}

std::vector<std::string> ColumnNames(const Table& table, const HeaderGuess& header) {
  std::vector<std::string> names;
  for (int c = 0; c < table.fields; ++c) {
    const auto column = static_cast<std::size_t>(c);
    names.push_back(header.header ? std::string(Cell(table.rows, header.headerRow, column))
                                  : "column" + std::to_string(c + 1));
  }
  return names;
}

}  // namespace vandrel::guess

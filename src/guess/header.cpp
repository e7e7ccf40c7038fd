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
  if (rows.empty()) return guess;
  // The first row, and when it broke the columns of a fixed-width table the one below it too:
  // the first row is then a header or a title above one.
  const std::size_t candidates = table.firstIsData ? 1 : std::min<std::size_t>(2, rows.size());
  for (std::size_t h = 0; h < candidates; ++h) {
    if (IsHeader(rows, h)) {
      guess.header = true;
      guess.headerRow = h;
      guess.firstData = h + 1;
      guess.skip = static_cast<std::int64_t>(rows[h].line + rows[h].lines);
      return guess;
    }
  }
  guess.firstData = table.firstIsData ? 0 : 1;
  const std::size_t line = guess.firstData < rows.size() ? rows[guess.firstData].line
                                                         : rows.back().line + rows.back().lines;
  guess.skip = static_cast<std::int64_t>(line);
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

#include "vandrel/layout.h"

#include <charconv>
#include <string>

#include "engine/line_cut.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {

void CheckColumns(const std::vector<ColumnRange>& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].begin < 1 || columns[i].end < columns[i].begin) {
      throw Error(kErrInvalidArgument,
                  "Field " + std::to_string(i + 1) + " of the layout runs from column " +
                      std::to_string(columns[i].begin) + " to column " +
                      std::to_string(columns[i].end) + ": not a range of columns.");
    }
  }
}

int ColumnNumber(const std::string& text, std::size_t field, const char* which) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    throw Error(kErrTypeMismatch, "Field " + std::to_string(field + 1) + " of the layout has " +
                                      which + " column '" + text + "', which is not a number.");
  }
  return value;
}

}  // namespace

DelimitedLayout MakeDelimitedLayout(std::string_view separator, std::string_view delimiter,
                                    std::int64_t skipLines) {
  DelimitedLayout layout;
  const std::optional<char32_t> sep = LayoutCharacter(separator, "field separator");
  if (!sep) {
    throw Error(kErrInvalidArgument, "A delimited layout needs a field separator, not '" +
                                         std::string(separator) + "'.");
  }
  layout.separator = *sep;
  layout.delimiter = LayoutCharacter(delimiter, "text delimiter");
  // A character chosen as both separates: it cannot also enclose fields.
  if (layout.delimiter == layout.separator) layout.delimiter.reset();
  layout.skipLines = skipLines;
  return layout;
}

FixedLayout MakeFixedLayout(std::string_view separator, std::string_view delimiter,
                            std::int64_t skipLines, std::vector<ColumnRange> columns) {
  CheckColumns(columns);
  FixedLayout layout;
  layout.columns = std::move(columns);
  layout.separator = LayoutCharacter(separator, "field separator");
  layout.delimiter = LayoutCharacter(delimiter, "text delimiter");
  layout.skipLines = skipLines;
  return layout;
}

DelimitedLayout LayoutFrom(const specs::DelimitedSpecRecord& record) {
  return MakeDelimitedLayout(record.FieldSeparator, record.TextDelimiter, record.SkipLines);
}

FixedLayout LayoutFrom(const specs::FixedSpecRecord& record) {
  std::vector<ColumnRange> columns;
  for (std::size_t j = 0; j < record.FieldBegin.size() && !record.FieldBegin[j].empty(); ++j) {
    columns.push_back({ColumnNumber(record.FieldBegin[j], j, "the begin"),
                       ColumnNumber(record.FieldEnd[j], j, "the end")});
  }
  return MakeFixedLayout(record.FieldSeparator, record.TextDelimiter, record.SkipLines,
                         std::move(columns));
}

}  // namespace vandrel

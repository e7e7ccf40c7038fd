#include "vandrel/layout_entry.h"

#include <vector>

#include "vandrel/catalogue.h"
#include "vandrel/error.h"

namespace vandrel {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// A column number as a range writes it: 1 to 4 digits, not 0.
bool ColumnNumber(const std::string& text) {
  return !text.empty() && text.size() <= 4 &&
         text.find_first_not_of("0123456789") == std::string::npos && std::stoi(text) > 0;
}

std::string ColumnsText(const specs::FixedSpecRecord& r) {
  std::string text;
  for (std::size_t j = 0; j < r.FieldBegin.size() && !r.FieldBegin[j].empty(); ++j) {
    text += (j ? "," : "") + r.FieldBegin[j] + '-' + r.FieldEnd[j];
  }
  return text;
}

// What a layout of either kind must have, and the record of a fixed-width one.
specs::FixedSpecRecord CheckedRecord(const LayoutEntry& entry) {
  if (entry.skip < 0 || entry.skip > 32767) {
    throw Error(kErrInvalidArgument, "The lines to skip must be 0 to 32767.");
  }
  specs::FixedSpecRecord r;
  r.FieldSeparator = entry.separator;
  r.TextDelimiter = entry.delimiter;
  r.SkipLines = static_cast<std::int16_t>(entry.skip);
  if (entry.kind == specs::SpecKind::Delimited) {
    if (!entry.columns.empty()) {
      throw Error(kErrInvalidArgument, "Columns are for fixed-width layouts.");
    }
  } else {
    if (entry.columns.empty()) {
      throw Error(kErrInvalidArgument, "A fixed-width layout needs its columns.");
    }
    SetColumns(r, entry.columns);
  }
  return r;
}

template <typename Record>
LayoutEntry EntryOf(specs::SpecKind kind, const Record& r) {
  return {kind, r.SpecName, r.FieldSeparator, r.TextDelimiter, r.SkipLines, {}};
}

}  // namespace

void SetColumns(specs::FixedSpecRecord& record, const std::string& columns) {
  const std::vector<std::string> ranges = Split(columns, ',');
  if (ranges.size() > record.FieldBegin.size()) {
    throw Error(kErrInvalidArgument, "A fixed-width layout takes at most " +
                                         std::to_string(record.FieldBegin.size()) +
                                         " column ranges.");
  }
  for (std::size_t j = 0; j < ranges.size(); ++j) {
    const std::vector<std::string> ends = Split(ranges[j], '-');
    if (ends.size() != 2 || !ColumnNumber(ends[0]) || !ColumnNumber(ends[1]) ||
        std::stoi(ends[1]) < std::stoi(ends[0])) {
      throw Error(kErrInvalidArgument,
                  "'" + ranges[j] + "' is not a range BEGIN-END of columns 1 to 9999.");
    }
    record.FieldBegin[j] = ends[0];
    record.FieldEnd[j] = ends[1];
  }
}

std::optional<std::string> SaveLayoutEntry(const std::string& folder, const LayoutEntry& entry,
                                           int language) {
  const std::string name = specs::StorableName(entry.name);
  specs::FixedSpecRecord r = CheckedRecord(entry);
  r.SpecName = name;
  r.FieldSeparator = LocaliseToken(entry.separator, language);
  r.TextDelimiter = LocaliseToken(entry.delimiter, language);
  const bool added = entry.kind == specs::SpecKind::Fixed
                         ? specs::Append(folder, name, r)
                         : specs::Append(folder, name,
                                         specs::DelimitedSpecRecord{name, r.FieldSeparator,
                                                                    r.TextDelimiter, r.SkipLines});
  return added ? std::optional(name) : std::nullopt;
}

TextLayout LayoutOf(const LayoutEntry& entry) {
  const specs::FixedSpecRecord r = CheckedRecord(entry);
  if (entry.kind == specs::SpecKind::Fixed) return LayoutFrom(r);
  return MakeDelimitedLayout(entry.separator, entry.delimiter, entry.skip);
}

std::optional<LayoutEntry> FindLayoutEntry(const std::string& folder, specs::SpecKind kind,
                                           const std::string& name) {
  if (kind == specs::SpecKind::Delimited) {
    const auto records = specs::ApplyDelimited(folder, name);
    if (records.empty()) return std::nullopt;
    return EntryOf(kind, records.back());
  }
  const auto records = specs::ApplyFixed(folder, name);
  if (records.empty()) return std::nullopt;
  LayoutEntry entry = EntryOf(kind, records.back());
  entry.columns = ColumnsText(records.back());
  return entry;
}

}  // namespace vandrel
